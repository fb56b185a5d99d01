#pragma once
// Text of document bytes, decoded the one way the whole program uses: UTF-8 when
// the bytes are valid UTF-8, Windows-1252 otherwise.
#include <QByteArrayView>
#include <QString>

namespace zv {

// The character of one Windows-1252 byte. The five bytes the code page leaves
// undefined (0x81, 0x8D, 0x8F, 0x90, 0x9D) stand for the control characters of the
// same number, as Windows itself decodes them.
inline char16_t windows1252ToUnicode(unsigned char byte)
{
    // Characters of the bytes 0x80..0x9F; 0xA0..0xFF are the Latin-1 characters.
    constexpr char16_t kHighRange[32] = {
        0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, //
        0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F, //
        0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014, //
        0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178, //
    };
    return (byte >= 0x80 && byte < 0xA0) ? kHighRange[byte - 0x80] : char16_t(byte);
}

// The characters of Windows-1252 bytes.
QString decodeWindows1252(QByteArrayView bytes);
// UTF-8 when valid, Windows-1252 otherwise.
QString decodeDocumentBytes(QByteArrayView bytes);

} // namespace zv
