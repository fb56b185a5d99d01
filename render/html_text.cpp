#include "render/html_text.h"

#include "platform/text_decoding.h"

namespace zv {

QString decodeHtmlBytes(QByteArrayView bytes)
{
    return decodeDocumentBytes(bytes);
}

char32_t nextCodePoint(std::string_view text, size_t& at)
{
    const auto byte = [&text](size_t i) { return static_cast<unsigned char>(text[i]); };
    const unsigned char first = byte(at);
    int length = first < 0x80 ? 1 : (first >> 5) == 0x6 ? 2 : (first >> 4) == 0xE ? 3 : (first >> 3) == 0x1E ? 4 : 0;
    if (length <= 1 || at + size_t(length) > text.size()) {
        ++at;
        return first;
    }
    char32_t c = first & (0xFF >> (length + 1));
    for (int k = 1; k < length; ++k) {
        const unsigned char next = byte(at + size_t(k));
        if ((next & 0xC0) != 0x80) {
            ++at;
            return first;
        }
        c = (c << 6) | (next & 0x3F);
    }
    at += size_t(length);
    return c;
}

} // namespace zv
