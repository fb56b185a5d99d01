#include "search/text_codec.h"

#include "search/byte_scan.h"

namespace zv {
namespace {
// Characters of the bytes 0x80..0x9F; 0xA0..0xFF are the Latin-1 characters.
constexpr char16_t kHighRange[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, //
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F, //
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014, //
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178, //
};

} // namespace

char16_t windows1252ToUnicode(unsigned char byte)
{
    return (byte >= 0x80 && byte < 0xA0) ? kHighRange[byte - 0x80] : char16_t(byte);
}

bool isAscii(QByteArrayView bytes)
{
    return asciiPrefix(bytes.data(), bytes.size()) == bytes.size();
}

int utf8SequenceLength(const unsigned char* p, qsizetype avail)
{
    const unsigned char c = p[0];
    int extra;
    unsigned char lo = 0x80, hi = 0xBF; // bounds of the second byte
    if (c >= 0xC2 && c <= 0xDF) {
        extra = 1;
    } else if (c >= 0xE0 && c <= 0xEF) {
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

char32_t decodeUtf8Sequence(const unsigned char* p, int len)
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

bool isValidUtf8(QByteArrayView bytes)
{
    const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
    const qsizetype n = bytes.size();
    qsizetype i = 0;
    while (i < n) {
        i += asciiPrefix(bytes.data() + i, n - i);
        if (i >= n)
            break;
        const int len = utf8SequenceLength(p + i, n - i);
        if (len == 0)
            return false;
        i += len;
    }
    return true;
}

QString decodeWindows1252(QByteArrayView bytes)
{
    QString out(bytes.size(), Qt::Uninitialized);
    char16_t* d = reinterpret_cast<char16_t*>(out.data());
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        d[i] = windows1252ToUnicode(static_cast<unsigned char>(bytes[i]));
    }
    return out;
}

QByteArray encodeWindows1252(const QString& text, bool* ok)
{
    QByteArray out;
    out.reserve(text.size());
    for (QChar ch : text) {
        const char16_t u = ch.unicode();
        if (u < 0x80 || (u >= 0xA0 && u <= 0xFF)) {
            out.append(static_cast<char>(u));
            continue;
        }
        int found = -1;
        for (int k = 0; k < 32; ++k) {
            if (kHighRange[k] == u) {
                found = k;
                break;
            }
        }
        if (found < 0) {
            if (ok)
                *ok = false;
            return {};
        }
        out.append(static_cast<char>(0x80 + found));
    }
    if (ok)
        *ok = true;
    return out;
}

} // namespace zv
