#pragma once
// How the text search reads the bytes of a document: as UTF-8 when the bytes are
// valid UTF-8, as Windows-1252 otherwise (the code page old Windows pages were
// written in). Every byte has a Windows-1252 character, so decoding never fails.
#include <QByteArray>
#include <QByteArrayView>
#include <QString>

namespace zv {

// Whether the bytes are well-formed UTF-8 (no overlong forms, no surrogates,
// nothing above U+10FFFF, no truncated sequence).
bool isValidUtf8(QByteArrayView bytes);
// The length of the well-formed UTF-8 sequence of 2 to 4 bytes that starts at p
// (with `avail` bytes readable), or 0 when none starts there.
int utf8SequenceLength(const unsigned char* p, qsizetype avail);
// The code point of a well-formed sequence of `len` bytes at p.
char32_t decodeUtf8Sequence(const unsigned char* p, int len);
// Whether every byte is below 0x80.
bool isAscii(QByteArrayView bytes);
// The characters of Windows-1252 bytes. The five bytes the code page leaves
// undefined (0x81, 0x8D, 0x8F, 0x90, 0x9D) stand for the control characters of
// the same number, as Windows itself decodes them.
QString decodeWindows1252(QByteArrayView bytes);
// The character of one Windows-1252 byte.
char16_t windows1252ToUnicode(unsigned char byte);
// The Windows-1252 bytes of `text`; `ok` becomes false (and the result is empty)
// when a character has no Windows-1252 byte.
QByteArray encodeWindows1252(const QString& text, bool* ok);

} // namespace zv
