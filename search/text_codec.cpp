#include "search/text_codec.h"

#include "search/byte_scan.h"

namespace zv {
bool isAscii(QByteArrayView bytes)
{
    return asciiPrefix(bytes.data(), bytes.size()) == bytes.size();
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
            if (windows1252ToUnicode(static_cast<unsigned char>(0x80 + k)) == u) {
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
