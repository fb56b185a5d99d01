#pragma once
// The system locale's upper-case mapping, one character at a time and remembered,
// so that the text search can upper-case documents without handing every line to
// the locale machinery.
#include <QLocale>

#include <string>
#include <unordered_map>
#include <vector>

namespace zv {

class UpperCaseMap {
public:
    // Room `appendUpper` may need: up to three characters of four bytes.
    static constexpr int kMaxUpperBytes = 12;

    // The map of `locale`; one map per locale is kept for the whole run.
    static UpperCaseMap& of(const QLocale& locale);

    const QLocale& locale() const { return m_locale; }
    // Whether upper-casing a text gives the same as upper-casing each character on
    // its own. Not so in Greek (accents dropped depending on the neighbours) and in
    // Lithuanian (a dot above dropped after i and j): texts in those locales must be
    // upper-cased whole.
    bool perCharacter() const { return m_perCharacter; }
    // Whether ASCII maps as a..z -> A..Z with every other ASCII byte unchanged (not
    // so in Turkish, where i becomes İ).
    bool plainAscii() const { return m_plainAscii; }
    // Writes the UTF-8 bytes of the upper case of code point `cp` to `out` (room for
    // kMaxUpperBytes) and answers how many were written.
    int appendUpper(char32_t cp, char* out);
    // Whether the upper case of code point `cp` holds an ASCII character (ß -> SS).
    bool upperHasAscii(char32_t cp)
    {
        return cp < 0x10000 ? (basic(cp) & kHasAscii) != 0 : astralHasAscii(cp);
    }

    // Whether the upper case of code point `cp` holds one of the ASCII bytes marked
    // in `ascii` (128 flags): whether, in a text, `cp` can make one of them.
    bool upperMakesAnyOf(char32_t cp, const bool* ascii);

    // Whether the byte (0x80..0xFF) may begin a character whose upper case holds one
    // of the ASCII bytes marked in `ascii`, read as a Windows-1252 character or as
    // the first byte of a UTF-8 sequence. A false answer is exact; a true one needs
    // a closer look.
    bool byteMayMakeAnyOf(unsigned char byte, const bool* ascii);

    // The characters of the basic plane whose upper case holds `upper` (a
    // character outside ASCII): a text that upper-cases to something holding it
    // holds one of them. (No character outside the basic plane upper-cases into
    // it.) Worked out once per character.
    const std::vector<char32_t>& preimagesOf(char32_t upper);

    explicit UpperCaseMap(const QLocale& locale);

private:
    const std::string& computed(char32_t cp);
    bool astralHasAscii(char32_t cp);
    quint32 basic(char32_t cp)
    {
        if (m_basic[cp] == 0)
            computed(cp);
        return m_basic[cp];
    }
    static constexpr quint32 kHasAscii = 1u << 28;

    QLocale m_locale;
    bool m_perCharacter = true;
    bool m_plainAscii = true;
    // Characters of the basic plane: 0 = not looked up yet; else the UTF-8 bytes in
    // the low three bytes and their number (1..3) in bits 24..27; number 0xF: the
    // bytes are in m_long at the index in the low three bytes. Bit 28: the bytes
    // hold an ASCII character.
    std::vector<quint32> m_basic;
    std::vector<std::string> m_long;
    std::unordered_map<char32_t, std::string> m_astral;
    std::string m_scratch;
    std::unordered_map<char32_t, std::vector<char32_t>> m_preimages;
};

} // namespace zv
