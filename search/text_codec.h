#pragma once
// How the text search reads the bytes of a document: as UTF-8 when the bytes are
// valid UTF-8, as Windows-1252 otherwise (the code page old Windows pages were
// written in). Every byte has a Windows-1252 character, so decoding never fails.
#include "platform/text_decoding.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

namespace zv {

// Whether the bytes are well-formed UTF-8 (no overlong forms, no surrogates,
// nothing above U+10FFFF, no truncated sequence).
bool isValidUtf8(QByteArrayView bytes);
// The same check a character at a time (what the wide check must agree with).
bool isValidUtf8Plain(QByteArrayView bytes);
// The length of the well-formed UTF-8 sequence of 2 to 4 bytes that starts at p
// (with `avail` bytes readable), or 0 when none starts there.
inline int utf8SequenceLength(const unsigned char* p, qsizetype avail)
{
    const unsigned char c = p[0];
    if (c >= 0xC2 && c <= 0xDF)
        return (avail >= 2 && (p[1] & 0xC0) == 0x80) ? 2 : 0;
    int extra;
    unsigned char lo = 0x80, hi = 0xBF; // bounds of the second byte
    if (c >= 0xE0 && c <= 0xEF) {
        extra = 2;
        if (c == 0xE0)
            lo = 0xA0; // overlong
        else if (c == 0xED)
            hi = 0x9F; // surrogates
    } else if (c >= 0xF0 && c <= 0xF4) {
        extra = 3;
        if (c == 0xF0)
            lo = 0x90; // overlong
        else if (c == 0xF4)
            hi = 0x8F; // above U+10FFFF
    } else {
        return 0;
    }
    if (avail <= extra || p[1] < lo || p[1] > hi)
        return 0;
    for (int k = 2; k <= extra; ++k) {
        if ((p[k] & 0xC0) != 0x80)
            return 0;
    }
    return extra + 1;
}

// The code point of a well-formed sequence of `len` bytes at p.
inline char32_t decodeUtf8Sequence(const unsigned char* p, int len)
{
    switch (len) {
    case 2:
        return (char32_t(p[0] & 0x1F) << 6) | (p[1] & 0x3F);
    case 3:
        return (char32_t(p[0] & 0x0F) << 12) | (char32_t(p[1] & 0x3F) << 6) | (p[2] & 0x3F);
    case 4:
        return (char32_t(p[0] & 0x07) << 18) | (char32_t(p[1] & 0x3F) << 12)
            | (char32_t(p[2] & 0x3F) << 6) | (p[3] & 0x3F);
    default:
        return p[0];
    }
}
// Writes the UTF-8 bytes of code point cp (at most 4) to out; answers how many.
inline int encodeUtf8(char32_t cp, char* out)
{
    if (cp < 0x80) {
        out[0] = char(cp);
        return 1;
    }
    if (cp < 0x800) {
        out[0] = char(0xC0 | (cp >> 6));
        out[1] = char(0x80 | (cp & 0x3F));
        return 2;
    }
    if (cp < 0x10000) {
        out[0] = char(0xE0 | (cp >> 12));
        out[1] = char(0x80 | ((cp >> 6) & 0x3F));
        out[2] = char(0x80 | (cp & 0x3F));
        return 3;
    }
    out[0] = char(0xF0 | (cp >> 18));
    out[1] = char(0x80 | ((cp >> 12) & 0x3F));
    out[2] = char(0x80 | ((cp >> 6) & 0x3F));
    out[3] = char(0x80 | (cp & 0x3F));
    return 4;
}
// Whether every byte is below 0x80.
bool isAscii(QByteArrayView bytes);
// The Windows-1252 bytes of `text`; `ok` becomes false (and the result is empty)
// when a character has no Windows-1252 byte.
QByteArray encodeWindows1252(const QString& text, bool* ok);

} // namespace zv
