#include "search/upper_case_map.h"

#include "search/text_codec.h"

#include <QString>

#include <algorithm>
#include <cstring>
#include <map>
#include <memory>

namespace zv {

UpperCaseMap& UpperCaseMap::of(const QLocale& locale)
{
    static std::map<QString, std::unique_ptr<UpperCaseMap>> maps;
    std::unique_ptr<UpperCaseMap>& map = maps[locale.bcp47Name()];
    if (!map)
        map = std::make_unique<UpperCaseMap>(locale);
    return *map;
}

UpperCaseMap::UpperCaseMap(const QLocale& locale)
    : m_locale(locale)
    , m_basic(0x10000, 0)
{
    m_perCharacter = locale.language() != QLocale::Greek
        && locale.language() != QLocale::Lithuanian;
    for (char32_t c = 1; c < 128; ++c) {
        const char expected = (c >= 'a' && c <= 'z') ? char(c - 32) : char(c);
        const std::string& upper = computed(c);
        if (upper.size() != 1 || upper[0] != expected)
            m_plainAscii = false;
    }
}

namespace {
bool holdsAscii(const std::string& s)
{
    for (char c : s) {
        if (static_cast<unsigned char>(c) < 0x80)
            return true;
    }
    return false;
}
} // namespace

const std::string& UpperCaseMap::computed(char32_t cp)
{
    const QByteArray upper = m_locale.toUpper(QString::fromUcs4(&cp, 1)).toUtf8();
    m_scratch.assign(upper.constData(), static_cast<size_t>(upper.size()));
    if (m_scratch.size() > static_cast<size_t>(kMaxUpperBytes))
        m_scratch.resize(kMaxUpperBytes); // never seen; keeps the promise of the room
    if (cp >= 0x10000)
        return m_astral[cp] = m_scratch;
    quint32 packed = holdsAscii(m_scratch) ? kHasAscii : 0;
    if (!m_scratch.empty() && m_scratch.size() <= 3) {
        packed |= quint32(m_scratch.size()) << 24;
        for (size_t k = 0; k < m_scratch.size(); ++k)
            packed |= quint32(static_cast<unsigned char>(m_scratch[k])) << (8 * k);
    } else {
        packed |= (0xFu << 24) | quint32(m_long.size());
        m_long.push_back(m_scratch);
    }
    m_basic[cp] = packed;
    return m_scratch;
}

int UpperCaseMap::appendUpper(char32_t cp, char* out)
{
    if (cp < 0x10000) {
        const quint32 packed = basic(cp);
        const int len = int((packed >> 24) & 0xF);
        if (len != 0xF) {
            for (int k = 0; k < len; ++k)
                out[k] = static_cast<char>((packed >> (8 * k)) & 0xFF);
            return len;
        }
        const std::string& s = m_long[packed & 0xFFFFFF];
        std::memcpy(out, s.data(), s.size());
        return int(s.size());
    }
    auto it = m_astral.find(cp);
    const std::string& s = it != m_astral.end() ? it->second : computed(cp);
    std::memcpy(out, s.data(), s.size());
    return int(s.size());
}

bool UpperCaseMap::astralHasAscii(char32_t cp)
{
    auto it = m_astral.find(cp);
    return holdsAscii(it != m_astral.end() ? it->second : computed(cp));
}

const std::vector<char32_t>& UpperCaseMap::preimagesOf(char32_t upper)
{
    auto known = m_preimages.find(upper);
    if (known != m_preimages.end())
        return known->second;
    char wanted[4];
    const int wantedLength = encodeUtf8(upper, wanted);
    std::vector<char32_t> found;
    char bytes[kMaxUpperBytes];
    for (char32_t cp = 1; cp < 0x10000; ++cp) {
        if (cp >= 0xD800 && cp <= 0xDFFF)
            continue;
        const int length = appendUpper(cp, bytes);
        if (length >= wantedLength
            && std::search(bytes, bytes + length, wanted, wanted + wantedLength) != bytes + length)
            found.push_back(cp);
    }
    return m_preimages[upper] = std::move(found);
}

bool UpperCaseMap::upperMakesAnyOf(char32_t cp, const bool* ascii)
{
    if (!upperHasAscii(cp))
        return false;
    char bytes[kMaxUpperBytes];
    const int length = appendUpper(cp, bytes);
    for (int k = 0; k < length; ++k) {
        const auto b = static_cast<unsigned char>(bytes[k]);
        if (b < 0x80 && ascii[b])
            return true;
    }
    return false;
}

bool UpperCaseMap::byteMayMakeAnyOf(unsigned char byte, const bool* ascii)
{
    if (upperMakesAnyOf(windows1252ToUnicode(byte), ascii))
        return true;
    // Every character a UTF-8 sequence with this first byte can stand for; a
    // three-byte first byte covers 4,096 of them.
    char32_t first = 0, count = 0;
    if (byte >= 0xC2 && byte <= 0xDF) {
        first = char32_t(byte & 0x1F) << 6;
        count = 0x40;
    } else if (byte >= 0xE0 && byte <= 0xEF) {
        first = char32_t(byte & 0x0F) << 12;
        count = 0x1000;
    } else if (byte >= 0xF0 && byte <= 0xF4) {
        return true; // outside the basic plane: always looked at closely
    }
    for (char32_t cp = first; cp < first + count; ++cp) {
        if (cp >= 0x80 && (cp < 0xD800 || cp > 0xDFFF) && upperMakesAnyOf(cp, ascii))
            return true;
    }
    return false;
}

} // namespace zv
