#include "render/style_addresses.h"

namespace zv {
namespace {

char lower(char c)
{
    return (c >= 'A' && c <= 'Z') ? char(c + ('a' - 'A')) : c;
}

bool startsWithNoCase(QByteArrayView text, qsizetype at, QByteArrayView word)
{
    if (at + word.size() > text.size())
        return false;
    for (qsizetype i = 0; i < word.size(); ++i) {
        if (lower(text[at + i]) != word[i])
            return false;
    }
    return true;
}

bool isNameChar(char c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-'
           || c == '_' || static_cast<unsigned char>(c) >= 0x80;
}

bool isSpace(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f';
}

// The end of the string whose opening quote is at `at` (the position after its
// closing quote, or where a line break or the end of the text cuts it off).
qsizetype endOfString(QByteArrayView css, qsizetype at)
{
    const char quote = css[at];
    qsizetype i = at + 1;
    while (i < css.size()) {
        const char c = css[i];
        if (c == '\\') {
            i += 2;
            continue;
        }
        if (c == quote)
            return i + 1;
        if (c == '\n' || c == '\r' || c == '\f')
            return i;
        ++i;
    }
    return css.size();
}

// An address as it may be written inside url("...").
QByteArray quotedAddress(QByteArrayView address)
{
    QByteArray out = "\"";
    for (char c : address) {
        const auto u = static_cast<unsigned char>(c);
        if (c == '"' || c == '\'' || c == '(' || c == ')' || c == '\\' || u <= 0x20 || u == 0x7F) {
            static const char hex[] = "0123456789ABCDEF";
            out += '%';
            out += hex[u >> 4];
            out += hex[u & 15];
        } else {
            out += c;
        }
    }
    out += '"';
    return out;
}

} // namespace

bool mayHoldStyleAddresses(QByteArrayView css)
{
    for (qsizetype i = 0; i < css.size(); ++i) {
        if (css[i] == '(' && i >= 3 && startsWithNoCase(css, i - 3, "url("))
            return true;
        if (css[i] == '@' && startsWithNoCase(css, i, "@import"))
            return true;
    }
    return false;
}

QByteArray rewriteStyleAddresses(QByteArrayView css, const StyleAddressResolver& resolve, bool* changed)
{
    QByteArray out;
    out.reserve(css.size() + 64);
    bool replaced = false;
    bool afterImport = false; // only white space and comments since "@import"
    qsizetype i = 0;
    const qsizetype n = css.size();
    while (i < n) {
        const char c = css[i];
        if (c == '/' && i + 1 < n && css[i + 1] == '*') {
            const qsizetype close = css.sliced(i + 2).indexOf(QByteArrayView("*/"));
            const qsizetype end = close < 0 ? n : i + 2 + close + 2;
            out.append(css.sliced(i, end - i));
            i = end;
            continue;
        }
        if (c == '"' || c == '\'') {
            const qsizetype end = endOfString(css, i);
            const bool closed = end > i + 1 && css[end - 1] == c;
            QByteArray address;
            if (afterImport && closed)
                address = resolve(css.sliced(i + 1, end - i - 2));
            if (!address.isEmpty()) {
                out += "url(" + quotedAddress(address) + ")";
                replaced = true;
            } else {
                out.append(css.sliced(i, end - i));
            }
            afterImport = false;
            i = end;
            continue;
        }
        if (c == '@' && startsWithNoCase(css, i, "@import") && (i + 7 >= n || !isNameChar(css[i + 7]))) {
            out.append(css.sliced(i, 7));
            i += 7;
            afterImport = true;
            continue;
        }
        if ((c == 'u' || c == 'U') && startsWithNoCase(css, i, "url(") && (i == 0 || !isNameChar(css[i - 1]))) {
            // url( [space] address [space] ) with the address quoted or not.
            qsizetype j = i + 4;
            while (j < n && isSpace(css[j]))
                ++j;
            qsizetype from = j;
            qsizetype to = j;
            bool wellFormed = true;
            if (j < n && (css[j] == '"' || css[j] == '\'')) {
                const qsizetype end = endOfString(css, j);
                wellFormed = end > j + 1 && css[end - 1] == css[j];
                from = j + 1;
                to = end - 1;
                j = end;
            } else {
                while (j < n && css[j] != ')' && !isSpace(css[j]) && css[j] != '"' && css[j] != '\''
                       && css[j] != '(')
                    ++j;
                to = j;
            }
            while (j < n && isSpace(css[j]))
                ++j;
            wellFormed = wellFormed && j < n && css[j] == ')';
            QByteArray address;
            if (wellFormed)
                address = resolve(css.sliced(from, to - from));
            if (!address.isEmpty()) {
                out += "url(" + quotedAddress(address) + ")";
                replaced = true;
                i = j + 1;
            } else {
                out.append(css.sliced(i, 4));
                i += 4;
            }
            afterImport = false;
            continue;
        }
        out += c;
        if (!isSpace(c))
            afterImport = false;
        ++i;
    }
    if (changed)
        *changed = replaced;
    return out;
}

} // namespace zv
