#include "render/style_sheet_fixes.h"

#include <QByteArrayList>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>

namespace zv {
namespace {

constexpr int kDeepestBlock = 16; // nested @media / @supports blocks followed
constexpr int kDeepestVariable = 16; // var() inside var() followed
constexpr qsizetype kLargestSubstitution = 64 * 1024;

bool isSpace(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f';
}

bool isIdentChar(char c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-'
        || c == '_' || static_cast<unsigned char>(c) >= 0x80;
}

bool isDigit(char c)
{
    return c >= '0' && c <= '9';
}

char lower(char c)
{
    return (c >= 'A' && c <= 'Z') ? char(c + ('a' - 'A')) : c;
}

QByteArray lowered(QByteArrayView v)
{
    QByteArray out(v.size(), Qt::Uninitialized);
    for (qsizetype i = 0; i < v.size(); ++i)
        out[i] = lower(v[i]);
    return out;
}

bool equalsLower(QByteArrayView v, QByteArrayView lowerLiteral)
{
    if (v.size() != lowerLiteral.size())
        return false;
    for (qsizetype i = 0; i < v.size(); ++i) {
        if (lower(v[i]) != lowerLiteral[i])
            return false;
    }
    return true;
}

bool startsWithLower(QByteArrayView v, QByteArrayView lowerLiteral)
{
    return v.size() >= lowerLiteral.size() && equalsLower(v.first(lowerLiteral.size()), lowerLiteral);
}

QByteArrayView trimmed(QByteArrayView v)
{
    qsizetype b = 0, e = v.size();
    while (b < e && isSpace(v[b]))
        ++b;
    while (e > b && isSpace(v[e - 1]))
        --e;
    return v.sliced(b, e - b);
}

// The end of a comment opening at `at` ("/*"): just past its "*/", or the end.
qsizetype commentEnd(QByteArrayView css, qsizetype at)
{
    for (qsizetype i = at + 2; i + 1 < css.size(); ++i) {
        if (css[i] == '*' && css[i + 1] == '/')
            return i + 2;
    }
    return css.size();
}

// The end of a string opening at `at`: just past its closing quote, or at the line
// end or the end of the text for an unfinished one.
qsizetype stringEnd(QByteArrayView css, qsizetype at)
{
    const char quote = css[at];
    for (qsizetype i = at + 1; i < css.size(); ++i) {
        const char c = css[i];
        if (c == '\\') {
            ++i;
        } else if (c == quote) {
            return i + 1;
        } else if (c == '\n') {
            return i;
        }
    }
    return css.size();
}

// The index of the first byte of `stops` outside strings, comments and brackets
// from `from` on; css.size() when there is none. A closing bracket that closes
// nothing opened here also ends the search when it is one of the stops.
qsizetype findTopLevel(QByteArrayView css, qsizetype from, QByteArrayView stops)
{
    int depth = 0;
    for (qsizetype i = from; i < css.size(); ++i) {
        const char c = css[i];
        if (depth == 0 && stops.contains(c))
            return i;
        if (c == '"' || c == '\'') {
            i = stringEnd(css, i) - 1;
        } else if (c == '/' && i + 1 < css.size() && css[i + 1] == '*') {
            i = commentEnd(css, i) - 1;
        } else if (c == '\\') {
            ++i;
        } else if (c == '(' || c == '[' || c == '{') {
            ++depth;
        } else if (c == ')' || c == ']' || c == '}') {
            if (depth > 0)
                --depth;
        }
    }
    return css.size();
}

// The index of the brace closing the one at `open`; css.size() when unclosed.
qsizetype matchingBrace(QByteArrayView css, qsizetype open)
{
    int depth = 0;
    for (qsizetype i = open; i < css.size(); ++i) {
        const char c = css[i];
        if (c == '"' || c == '\'') {
            i = stringEnd(css, i) - 1;
        } else if (c == '/' && i + 1 < css.size() && css[i + 1] == '*') {
            i = commentEnd(css, i) - 1;
        } else if (c == '\\') {
            ++i;
        } else if (c == '{') {
            ++depth;
        } else if (c == '}') {
            if (--depth == 0)
                return i;
        }
    }
    return css.size();
}

// The index of the parenthesis closing the one at `open`; css.size() when unclosed.
qsizetype matchingParen(QByteArrayView css, qsizetype open)
{
    int depth = 0;
    for (qsizetype i = open; i < css.size(); ++i) {
        const char c = css[i];
        if (c == '"' || c == '\'') {
            i = stringEnd(css, i) - 1;
        } else if (c == '\\') {
            ++i;
        } else if (c == '(') {
            ++depth;
        } else if (c == ')') {
            if (--depth == 0)
                return i;
        }
    }
    return css.size();
}

QByteArray withoutComments(QByteArrayView css)
{
    if (!css.contains("/*"))
        return css.toByteArray();
    QByteArray out;
    out.reserve(css.size());
    for (qsizetype i = 0; i < css.size(); ++i) {
        const char c = css[i];
        if (c == '"' || c == '\'') {
            const qsizetype end = stringEnd(css, i);
            out.append(css.sliced(i, end - i));
            i = end - 1;
        } else if (c == '/' && i + 1 < css.size() && css[i + 1] == '*') {
            i = commentEnd(css, i) - 1;
            out.append(' ');
        } else {
            out.append(c);
        }
    }
    return out;
}

// Splits at top-level occurrences of `separator`.
std::vector<QByteArrayView> splitTopLevel(QByteArrayView text, char separator)
{
    std::vector<QByteArrayView> parts;
    const char stops[2] = {separator, 0};
    qsizetype at = 0;
    for (;;) {
        const qsizetype end = findTopLevel(text, at, QByteArrayView(stops, 1));
        parts.push_back(text.sliced(at, end - at));
        if (end >= text.size())
            break;
        at = end + 1;
    }
    return parts;
}

QByteArray formatNumber(double v)
{
    if (!std::isfinite(v))
        return "0";
    if (std::fabs(v - std::round(v)) < 1e-9 && std::fabs(v) < 1e9)
        return QByteArray::number(qint64(std::llround(v)));
    QByteArray s = QByteArray::number(v, 'f', 4);
    while (s.endsWith('0'))
        s.chop(1);
    if (s.endsWith('.'))
        s.chop(1);
    return s;
}

// A number at `at` (sign, digits, fraction, exponent); answers its end, or `at`
// when there is none.
qsizetype numberEnd(QByteArrayView v, qsizetype at)
{
    qsizetype i = at;
    if (i < v.size() && (v[i] == '+' || v[i] == '-'))
        ++i;
    const qsizetype digitsFrom = i;
    while (i < v.size() && isDigit(v[i]))
        ++i;
    if (i < v.size() && v[i] == '.' && i + 1 < v.size() && isDigit(v[i + 1])) {
        ++i;
        while (i < v.size() && isDigit(v[i]))
            ++i;
    }
    if (i == digitsFrom)
        return at;
    if (i + 1 < v.size() && (v[i] == 'e' || v[i] == 'E')
        && (isDigit(v[i + 1])
            || ((v[i + 1] == '+' || v[i + 1] == '-') && i + 2 < v.size() && isDigit(v[i + 2])))) {
        i += 2;
        while (i < v.size() && isDigit(v[i]))
            ++i;
    }
    return i;
}

double toDouble(QByteArrayView v)
{
    const std::string s(v.data(), size_t(v.size()));
    return std::strtod(s.c_str(), nullptr);
}

// Pixels per unit of an absolute length unit (lower case); 0 for others.
double pixelsPer(QByteArrayView unit)
{
    if (unit == "px")
        return 1;
    if (unit == "pt")
        return 96.0 / 72;
    if (unit == "pc")
        return 16;
    if (unit == "in")
        return 96;
    if (unit == "cm")
        return 96 / 2.54;
    if (unit == "mm")
        return 96 / 25.4;
    if (unit == "q")
        return 96 / 101.6;
    return 0;
}

// A length in pixels for media features ("600px", "40em"); false when not a length.
bool mediaLength(QByteArrayView text, double* px)
{
    text = trimmed(text);
    const qsizetype end = numberEnd(text, 0);
    if (end == 0)
        return false;
    const double n = toDouble(text.first(end));
    const QByteArray unit = lowered(text.sliced(end));
    if (unit.isEmpty()) {
        *px = n; // a bare 0, or a length written without its unit
        return true;
    }
    if (const double per = pixelsPer(unit)) {
        *px = n * per;
        return true;
    }
    if (unit == "em" || unit == "rem") {
        *px = n * 16;
        return true;
    }
    if (unit == "ex" || unit == "ch") {
        *px = n * 8;
        return true;
    }
    return false;
}

// A resolution in dots per pixel ("2dppx", "192dpi", "2x", "1.5").
bool mediaResolution(QByteArrayView text, double* dppx)
{
    text = trimmed(text);
    const qsizetype end = numberEnd(text, 0);
    if (end == 0)
        return false;
    const double n = toDouble(text.first(end));
    const QByteArray unit = lowered(text.sliced(end));
    if (unit.isEmpty() || unit == "dppx" || unit == "x")
        *dppx = n;
    else if (unit == "dpi")
        *dppx = n / 96;
    else if (unit == "dpcm")
        *dppx = n * 2.54 / 96;
    else
        return false;
    return true;
}

bool compare(double actual, QByteArrayView op, double wanted)
{
    if (op == "min")
        return actual >= wanted - 1e-9;
    if (op == "max")
        return actual <= wanted + 1e-9;
    return std::fabs(actual - wanted) < 1e-9;
}

// Colour components of rgb()/hsl() in any of their forms; false when unreadable.
bool readColourFunction(QByteArrayView name, QByteArrayView args, QByteArray* out)
{
    QByteArray text = args.toByteArray();
    text.replace(',', ' ').replace('/', ' ');
    const QByteArrayList parts = text.simplified().split(' ');
    if (parts.size() < 3 || parts.size() > 4)
        return false;
    double v[4] = {0, 0, 0, 1};
    for (int i = 0; i < int(parts.size()); ++i) {
        QByteArrayView p = parts[i];
        const bool percent = p.endsWith('%');
        if (percent)
            p.chop(1);
        const bool isHsl = name.startsWith("hsl");
        if (isHsl && i == 0) {
            if (p.endsWith("deg"))
                p.chop(3);
            else if (p.endsWith("turn")) {
                p.chop(4);
                v[0] = toDouble(p) * 360;
                continue;
            }
        }
        if (numberEnd(p, 0) != p.size())
            return false;
        double n = toDouble(p);
        if (i == 3)
            n = percent ? n / 100 : n;
        else if (percent && !isHsl)
            n = n * 255 / 100;
        v[i] = n;
    }
    int rgb[3];
    if (name.startsWith("hsl")) {
        const double h = std::fmod(std::fmod(v[0], 360) + 360, 360) / 360;
        const double s = std::clamp(v[1] / 100, 0.0, 1.0);
        const double l = std::clamp(v[2] / 100, 0.0, 1.0);
        auto channel = [&](double t) {
            const double q = l < 0.5 ? l * (1 + s) : l + s - l * s;
            const double p = 2 * l - q;
            t = t < 0 ? t + 1 : (t > 1 ? t - 1 : t);
            double c = p;
            if (t < 1.0 / 6)
                c = p + (q - p) * 6 * t;
            else if (t < 0.5)
                c = q;
            else if (t < 2.0 / 3)
                c = p + (q - p) * (2.0 / 3 - t) * 6;
            return int(std::lround(c * 255));
        };
        rgb[0] = channel(h + 1.0 / 3);
        rgb[1] = channel(h);
        rgb[2] = channel(h - 1.0 / 3);
    } else {
        for (int i = 0; i < 3; ++i)
            rgb[i] = int(std::lround(std::clamp(v[i], 0.0, 255.0)));
    }
    const double alpha = std::clamp(v[3], 0.0, 1.0);
    *out = "rgba(" + QByteArray::number(rgb[0]) + ',' + QByteArray::number(rgb[1]) + ','
        + QByteArray::number(rgb[2]) + ',' + formatNumber(alpha) + ')';
    return true;
}

// Display values the engine knows nothing of, as the value they resemble most.
QByteArray fixDisplay(QByteArrayView value)
{
    const QByteArray v = lowered(trimmed(value));
    if (v == "flex" || v == "grid" || v == "flow-root" || v == "-webkit-box" || v == "-ms-flexbox"
        || v == "-webkit-flex" || v == "block flow" || v == "block flex" || v == "block grid")
        return "block";
    if (v == "inline-flex" || v == "inline-grid" || v == "-webkit-inline-box"
        || v == "-ms-inline-flexbox" || v == "inline flow-root" || v == "inline flex")
        return "inline-block";
    if (v == "contents")
        return "inline";
    if (v == "ruby" || v == "ruby-text" || v == "ruby-base" || v == "inline flow")
        return "inline";
    if (v == "block flow list-item")
        return "list-item";
    // The engine lays out the rows of plain row groups only.
    if (v == "table-header-group" || v == "table-footer-group")
        return "table-row-group";
    return value.toByteArray();
}

// calc() over one kind of unit ("calc(230px + 2em)" is beyond it, "calc(230px +
// 10pt)" and "calc(100% / 3)" are not), reduced to one length; false when it
// mixes kinds or cannot be read.
class CalcReader {
public:
    explicit CalcReader(QByteArrayView text)
        : m_text(text)
    {
    }

    bool read(QByteArray* out)
    {
        Quantity q;
        if (!sum(&q, 0))
            return false;
        skipSpace();
        if (m_at != m_text.size() || !std::isfinite(q.value))
            return false;
        *out = formatNumber(q.value) + q.unit;
        return true;
    }

private:
    struct Quantity {
        double value = 0;
        QByteArray unit; // "px" for absolute lengths, "" for numbers
    };

    void skipSpace()
    {
        while (m_at < m_text.size() && isSpace(m_text[m_at]))
            ++m_at;
    }

    bool sum(Quantity* q, int depth)
    {
        if (!product(q, depth))
            return false;
        for (;;) {
            skipSpace();
            if (m_at >= m_text.size() || (m_text[m_at] != '+' && m_text[m_at] != '-'))
                return true;
            const bool minus = m_text[m_at++] == '-';
            Quantity r;
            if (!product(&r, depth))
                return false;
            if (q->unit != r.unit) {
                if (q->value == 0 && q->unit.isEmpty())
                    q->unit = r.unit;
                else if (!(r.value == 0 && r.unit.isEmpty()))
                    return false;
            }
            q->value += minus ? -r.value : r.value;
        }
    }

    bool product(Quantity* q, int depth)
    {
        if (!factor(q, depth))
            return false;
        for (;;) {
            skipSpace();
            if (m_at >= m_text.size() || (m_text[m_at] != '*' && m_text[m_at] != '/'))
                return true;
            const bool divide = m_text[m_at++] == '/';
            Quantity r;
            if (!factor(&r, depth))
                return false;
            if (divide) {
                if (!r.unit.isEmpty() || r.value == 0)
                    return false;
                q->value /= r.value;
            } else {
                if (!q->unit.isEmpty() && !r.unit.isEmpty())
                    return false;
                q->value *= r.value;
                if (q->unit.isEmpty())
                    q->unit = r.unit;
            }
        }
    }

    bool factor(Quantity* q, int depth)
    {
        skipSpace();
        if (depth > 16 || m_at >= m_text.size())
            return false;
        if (m_text[m_at] == '(' || startsWithLower(m_text.sliced(m_at), "calc(")) {
            m_at = m_text.indexOf('(', m_at) + 1;
            if (!sum(q, depth + 1))
                return false;
            skipSpace();
            if (m_at >= m_text.size() || m_text[m_at] != ')')
                return false;
            ++m_at;
            return true;
        }
        const qsizetype end = numberEnd(m_text, m_at);
        if (end == m_at)
            return false;
        q->value = toDouble(m_text.sliced(m_at, end - m_at));
        m_at = end;
        qsizetype unitEnd = m_at;
        if (unitEnd < m_text.size() && m_text[unitEnd] == '%')
            ++unitEnd;
        else
            while (unitEnd < m_text.size() && isIdentChar(m_text[unitEnd]) && m_text[unitEnd] != '-')
                ++unitEnd;
        q->unit = lowered(m_text.sliced(m_at, unitEnd - m_at));
        m_at = unitEnd;
        if (const double per = pixelsPer(q->unit)) {
            q->value *= per;
            q->unit = "px";
        }
        return true;
    }

    QByteArrayView m_text;
    qsizetype m_at = 0;
};

bool isUnusableFunction(QByteArrayView lowerName)
{
    static const char* const names[] = {"calc",      "-webkit-calc", "-moz-calc", "min",   "max",
                                        "clamp",     "env",          "attr",      "color-mix",
                                        "lab",       "lch",          "oklab",     "oklch", "color",
                                        "hwb",       "light-dark",   "round",     "mod",   "rem",
                                        "sin",       "cos",          "tan",       "abs",   "sign",
                                        "anchor",    "anchor-size"};
    for (const char* n : names) {
        if (lowerName == n)
            return true;
    }
    return false;
}

} // namespace

StyleSheetFixes::StyleSheetFixes()
    : StyleSheetFixes(Screen())
{
}

StyleSheetFixes::StyleSheetFixes(Screen screen)
    : m_screen(screen)
{
    if (m_screen.width < 0)
        m_screen.width = 0;
    if (m_screen.height < 0)
        m_screen.height = 0;
    if (!(m_screen.xHeight > 0.1 && m_screen.xHeight < 1))
        m_screen.xHeight = 0.5;
}

// ---- media queries --------------------------------------------------------------

bool StyleSheetFixes::mediaMatches(QByteArrayView mediaList) const
{
    const QByteArray list = withoutComments(mediaList);
    if (trimmed(list).isEmpty())
        return true;
    for (QByteArrayView query : splitTopLevel(list, ',')) {
        if (queryMatches(trimmed(query)))
            return true;
    }
    return false;
}

// One media query or condition: "[not|only] type [and (feature)]..." or
// "(feature) [and|or (feature)]...", with "not" before a parenthesised term.
bool StyleSheetFixes::queryMatches(QByteArrayView query) const
{
    // The query's words and parenthesised groups.
    struct Item {
        bool group;
        QByteArrayView text;
    };
    std::vector<Item> items;
    for (qsizetype i = 0; i < query.size();) {
        const char c = query[i];
        if (isSpace(c)) {
            ++i;
        } else if (c == '(') {
            const qsizetype close = matchingParen(query, i);
            if (close >= query.size())
                return false;
            items.push_back({true, query.sliced(i + 1, close - i - 1)});
            i = close + 1;
        } else if (isIdentChar(c)) {
            qsizetype e = i;
            while (e < query.size() && isIdentChar(query[e]))
                ++e;
            items.push_back({false, query.sliced(i, e - i)});
            i = e;
        } else {
            return false; // nothing else belongs in a media query
        }
    }
    if (items.empty())
        return false;
    size_t at = 0;
    bool negateAll = false;
    bool result = true;
    if (!items[0].group && (equalsLower(items[0].text, "not") || equalsLower(items[0].text, "only"))
        && items.size() > 1 && !items[1].group) {
        negateAll = equalsLower(items[0].text, "not");
        at = 1;
    }
    if (!items[at].group) {
        const QByteArray type = lowered(items[at].text);
        if (type == "not" || type == "and" || type == "or" || type == "only")
            ; // read below as an operator
        else {
            result = type == "all" || type == "screen";
            ++at;
        }
    }
    bool orMode = false;
    bool expectTerm = at > 0 ? false : true;
    bool negateNext = false;
    for (; at < items.size(); ++at) {
        const Item& item = items[at];
        if (!item.group) {
            if (equalsLower(item.text, "and")) {
                orMode = false;
                expectTerm = true;
            } else if (equalsLower(item.text, "or")) {
                orMode = true;
                expectTerm = true;
            } else if (equalsLower(item.text, "not")) {
                negateNext = !negateNext;
            } else {
                return false;
            }
            continue;
        }
        if (!expectTerm)
            return false;
        bool term = featureMatches(trimmed(item.text));
        if (negateNext)
            term = !term;
        negateNext = false;
        result = orMode ? (result || term) : (result && term);
        expectTerm = false;
    }
    return negateAll ? !result : result;
}

// One parenthesised media feature: "name: value", "name", a range ("width >= 600px",
// "400px < width < 700px") or a nested condition.
bool StyleSheetFixes::featureMatches(QByteArrayView feature) const
{
    if (feature.contains('('))
        return queryMatches(feature);
    const double width = m_screen.width;
    const double height = m_screen.height;
    // The numeric features: their value on this screen and how to read a value.
    enum class Kind { Length, Ratio, Integer, Resolution, None };
    auto numeric = [&](QByteArrayView name, double* actual) -> Kind {
        if (name == "width" || name == "device-width") {
            *actual = width;
            return Kind::Length;
        }
        if (name == "height" || name == "device-height") {
            *actual = height;
            return Kind::Length;
        }
        if (name == "aspect-ratio" || name == "device-aspect-ratio") {
            *actual = height > 0 ? width / height : 0;
            return Kind::Ratio;
        }
        if (name == "color") {
            *actual = 8;
            return Kind::Integer;
        }
        if (name == "color-index" || name == "monochrome" || name == "grid") {
            *actual = 0;
            return Kind::Integer;
        }
        if (name == "resolution") {
            *actual = 1;
            return Kind::Resolution;
        }
        if (name == "-webkit-device-pixel-ratio" || name == "device-pixel-ratio"
            || name == "-moz-device-pixel-ratio") {
            *actual = 1;
            return Kind::Integer;
        }
        return Kind::None;
    };
    auto readValue = [](Kind kind, QByteArrayView text, double* value) {
        switch (kind) {
        case Kind::Length:
            return mediaLength(text, value);
        case Kind::Resolution:
            return mediaResolution(text, value);
        case Kind::Ratio: {
            const qsizetype slash = text.indexOf('/');
            if (slash < 0) {
                const QByteArrayView t = trimmed(text);
                if (numberEnd(t, 0) != t.size() || t.isEmpty())
                    return false;
                *value = toDouble(t);
                return true;
            }
            const QByteArrayView a = trimmed(text.first(slash)), b = trimmed(text.sliced(slash + 1));
            if (a.isEmpty() || b.isEmpty() || numberEnd(a, 0) != a.size()
                || numberEnd(b, 0) != b.size())
                return false;
            const double d = toDouble(b);
            *value = d != 0 ? toDouble(a) / d : 0;
            return true;
        }
        case Kind::Integer: {
            const QByteArrayView t = trimmed(text);
            if (t.isEmpty() || numberEnd(t, 0) != t.size())
                return false;
            *value = toDouble(t);
            return true;
        }
        case Kind::None:
            break;
        }
        return false;
    };
    // Features with named values: their value on a light desktop screen without
    // scripts.
    auto named = [](QByteArrayView name) -> QByteArrayView {
        static const struct {
            const char* name;
            const char* value;
        } table[] = {
            {"orientation", nullptr}, // answered below from the size
            {"prefers-color-scheme", "light"},
            {"prefers-reduced-motion", "no-preference"},
            {"prefers-reduced-transparency", "no-preference"},
            {"prefers-reduced-data", "no-preference"},
            {"prefers-contrast", "no-preference"},
            {"forced-colors", "none"},
            {"inverted-colors", "none"},
            {"hover", "hover"},
            {"any-hover", "hover"},
            {"pointer", "fine"},
            {"any-pointer", "fine"},
            {"scripting", "none"},
            {"update", "fast"},
            {"display-mode", "browser"},
            {"color-gamut", "srgb"},
            {"dynamic-range", "standard"},
            {"video-dynamic-range", "standard"},
            {"overflow-block", "scroll"},
            {"overflow-inline", "scroll"},
        };
        for (const auto& row : table) {
            if (name == row.name)
                return row.value ? QByteArrayView(row.value) : QByteArrayView("");
        }
        return QByteArrayView();
    };
    const QByteArrayView orientation = height >= width ? "portrait" : "landscape";

    const qsizetype colon = feature.indexOf(':');
    if (colon >= 0) {
        QByteArray name = lowered(trimmed(feature.first(colon)));
        const QByteArrayView value = trimmed(feature.sliced(colon + 1));
        QByteArray op;
        for (const char* prefix : {"min-", "max-", "-webkit-min-", "-webkit-max-", "min--moz-",
                                   "max--moz-"}) {
            if (name.startsWith(prefix)) {
                op = QByteArray(prefix).contains("min") ? "min" : "max";
                name = name.mid(qsizetype(std::strlen(prefix)));
                if (name.startsWith("device-pixel-ratio"))
                    name = "-webkit-device-pixel-ratio";
                break;
            }
        }
        double actual = 0;
        const Kind kind = numeric(name, &actual);
        if (kind != Kind::None) {
            double wanted = 0;
            if (!readValue(kind, value, &wanted))
                return false;
            return compare(actual, op, wanted);
        }
        if (!op.isEmpty())
            return false;
        if (name == "orientation")
            return equalsLower(value, orientation.toByteArray());
        const QByteArrayView answer = named(name);
        return !answer.isNull() && equalsLower(value, answer.toByteArray());
    }
    // A range: up to two comparisons around the feature's name.
    if (feature.contains('<') || feature.contains('>') || feature.contains('=')) {
        std::vector<QByteArrayView> parts;
        std::vector<QByteArray> ops;
        qsizetype at = 0;
        for (qsizetype i = 0; i < feature.size(); ++i) {
            const char c = feature[i];
            if (c == '<' || c == '>' || c == '=') {
                qsizetype e = i + 1;
                if (e < feature.size() && feature[e] == '=')
                    ++e;
                parts.push_back(trimmed(feature.sliced(at, i - at)));
                ops.push_back(feature.sliced(i, e - i).toByteArray());
                at = e;
                i = e - 1;
            }
        }
        parts.push_back(trimmed(feature.sliced(at)));
        if (parts.size() < 2 || parts.size() > 3)
            return false;
        // Which part names the feature.
        size_t namePart = parts.size();
        double actual = 0;
        Kind kind = Kind::None;
        for (size_t i = 0; i < parts.size(); ++i) {
            const Kind k = numeric(lowered(parts[i]), &actual);
            if (k != Kind::None) {
                namePart = i;
                kind = k;
                break;
            }
        }
        if (namePart == parts.size())
            return false;
        auto holds = [](double a, const QByteArray& op, double b) {
            if (op == "<")
                return a < b;
            if (op == "<=")
                return a <= b + 1e-9;
            if (op == ">")
                return a > b;
            if (op == ">=")
                return a >= b - 1e-9;
            if (op == "=")
                return std::fabs(a - b) < 1e-9;
            return false;
        };
        for (size_t i = 0; i + 1 < parts.size(); ++i) {
            const bool leftIsName = i == namePart;
            const bool rightIsName = i + 1 == namePart;
            if (!leftIsName && !rightIsName)
                return false;
            double other = 0;
            if (!readValue(kind, parts[leftIsName ? i + 1 : i], &other))
                return false;
            if (!(leftIsName ? holds(actual, ops[i], other) : holds(other, ops[i], actual)))
                return false;
        }
        return true;
    }
    // A feature alone: true when its value is not zero, none or no-preference.
    const QByteArray name = lowered(trimmed(feature));
    double actual = 0;
    if (numeric(name, &actual) != Kind::None)
        return actual != 0;
    if (name == "orientation")
        return true;
    const QByteArrayView answer = named(name);
    return !answer.isNull() && answer != "none" && answer != "no-preference";
}

bool StyleSheetFixes::supportsMatches(QByteArrayView condition) const
{
    // Whatever the page asks for is taken as supported, unless the condition is a
    // negation: pages put their fallbacks there.
    return !startsWithLower(trimmed(condition), "not");
}

// ---- rules -----------------------------------------------------------------------

void StyleSheetFixes::setDocumentNames(QSet<QByteArray> tags, QSet<QByteArray> classes, QSet<QByteArray> ids)
{
    m_tags = std::move(tags);
    m_classes = std::move(classes);
    m_ids = std::move(ids);
    m_namesKnown = true;
}

bool StyleSheetFixes::mayMatch(QByteArrayView selector) const
{
    if (!m_namesKnown)
        return true;
    selector = trimmed(selector);
    // The last compound selector: what the element itself must be.
    qsizetype from = 0;
    int depth = 0;
    for (qsizetype i = 0; i < selector.size(); ++i) {
        const char c = selector[i];
        if (c == '(' || c == '[')
            ++depth;
        else if ((c == ')' || c == ']') && depth > 0)
            --depth;
        else if (c == '"' || c == '\'')
            i = stringEnd(selector, i) - 1;
        else if (depth == 0 && (isSpace(c) || c == '>' || c == '+' || c == '~'))
            from = i + 1;
    }
    const QByteArrayView compound = selector.sliced(from);
    // Its element name, classes and id, outside brackets and parentheses.
    qsizetype i = 0;
    if (i < compound.size() && isIdentChar(compound[i]) && compound[i] != '-') {
        qsizetype e = i;
        while (e < compound.size() && isIdentChar(compound[e]))
            ++e;
        if (!m_tags.contains(lowered(compound.sliced(i, e - i))))
            return false;
        i = e;
    }
    depth = 0;
    for (; i < compound.size(); ++i) {
        const char c = compound[i];
        if (c == '(' || c == '[') {
            ++depth;
        } else if ((c == ')' || c == ']') && depth > 0) {
            --depth;
        } else if (c == '"' || c == '\'') {
            i = stringEnd(compound, i) - 1;
        } else if (depth == 0 && (c == '.' || c == '#')) {
            qsizetype e = i + 1;
            while (e < compound.size() && isIdentChar(compound[e]))
                ++e;
            const QByteArray name = lowered(compound.sliced(i + 1, e - i - 1));
            if (!name.isEmpty() && !(c == '.' ? m_classes : m_ids).contains(name))
                return false;
            i = e - 1;
        }
    }
    return true;
}

void StyleSheetFixes::collectVariables(QByteArrayView css)
{
    collectRules(css, 0);
}

void StyleSheetFixes::collectRules(QByteArrayView css, int depth)
{
    qsizetype pos = 0;
    while (pos < css.size()) {
        const char c = css[pos];
        if (isSpace(c) || c == ';' || c == '}') {
            ++pos;
            continue;
        }
        if (c == '/' && pos + 1 < css.size() && css[pos + 1] == '*') {
            pos = commentEnd(css, pos);
            continue;
        }
        if (c == '@') {
            qsizetype nameEnd = pos + 1;
            while (nameEnd < css.size() && isIdentChar(css[nameEnd]))
                ++nameEnd;
            const QByteArray name = lowered(css.sliced(pos + 1, nameEnd - pos - 1));
            const qsizetype stop = findTopLevel(css, nameEnd, ";{}");
            if (stop < css.size() && css[stop] == '{') {
                const qsizetype close = matchingBrace(css, stop);
                const QByteArrayView prelude = css.sliced(nameEnd, stop - nameEnd);
                const QByteArrayView inner = css.sliced(stop + 1, qMax<qsizetype>(0, close - stop - 1));
                if (depth < kDeepestBlock
                    && ((name == "media" && mediaMatches(prelude))
                        || (name == "supports" && supportsMatches(prelude)) || name == "layer"))
                    collectRules(inner, depth + 1);
                pos = close + 1;
            } else {
                pos = stop + 1;
            }
            continue;
        }
        const qsizetype open = findTopLevel(css, pos, "{;}");
        if (open >= css.size())
            break;
        if (css[open] != '{') {
            pos = open + 1;
            continue;
        }
        const qsizetype close = matchingBrace(css, open);
        const QByteArrayView block = css.sliced(open + 1, qMax<qsizetype>(0, close - open - 1));
        // Only rules that may apply count (a theme's ".dark-mode { --x: ... }"
        // does not, on a page without such an element).
        bool applies = !m_namesKnown;
        const QByteArray selectors = withoutComments(css.sliced(pos, open - pos));
        for (QByteArrayView one : splitTopLevel(selectors, ','))
            applies = applies || mayMatch(one);
        if (applies && block.contains("--")) {
            for (QByteArrayView declaration : splitTopLevel(block, ';')) {
                declaration = trimmed(declaration);
                if (!declaration.startsWith("--"))
                    continue;
                const qsizetype colon = findTopLevel(declaration, 0, ":");
                if (colon >= declaration.size())
                    continue;
                const QByteArray name = trimmed(declaration.first(colon)).toByteArray();
                QByteArray value = trimmed(withoutComments(declaration.sliced(colon + 1))).toByteArray();
                if (value.size() >= 10 && equalsLower(QByteArrayView(value).last(10), "!important"))
                    value = trimmed(QByteArrayView(value).first(value.size() - 10)).toByteArray();
                m_variables.insert(name, value);
            }
        }
        pos = close + 1;
    }
}

QByteArray StyleSheetFixes::fixStyleSheet(QByteArrayView css) const
{
    QByteArray out;
    out.reserve(css.size());
    fixRules(css, out, 0);
    return out;
}

void StyleSheetFixes::fixRules(QByteArrayView css, QByteArray& out, int depth) const
{
    qsizetype pos = 0;
    while (pos < css.size()) {
        const char c = css[pos];
        if (isSpace(c) || c == ';' || c == '}') {
            ++pos;
            continue;
        }
        if (c == '/' && pos + 1 < css.size() && css[pos + 1] == '*') {
            pos = commentEnd(css, pos);
            continue;
        }
        if (css.sliced(pos).startsWith("<!--")) {
            pos += 4;
            continue;
        }
        if (css.sliced(pos).startsWith("-->")) {
            pos += 3;
            continue;
        }
        if (c == '@') {
            qsizetype nameEnd = pos + 1;
            while (nameEnd < css.size() && isIdentChar(css[nameEnd]))
                ++nameEnd;
            const QByteArray name = lowered(css.sliced(pos + 1, nameEnd - pos - 1));
            const qsizetype stop = findTopLevel(css, nameEnd, ";{}");
            const QByteArrayView prelude = trimmed(css.sliced(nameEnd, stop - nameEnd));
            if (stop < css.size() && css[stop] == '{') {
                const qsizetype close = matchingBrace(css, stop);
                const QByteArrayView inner = css.sliced(stop + 1, qMax<qsizetype>(0, close - stop - 1));
                pos = close + 1;
                if (depth >= kDeepestBlock)
                    continue;
                // Blocks that apply are unwrapped; the engine sees their rules alone.
                if ((name == "media" && mediaMatches(prelude))
                    || (name == "supports" && supportsMatches(prelude)) || name == "layer"
                    || name == "scope")
                    fixRules(inner, out, depth + 1);
                continue;
            }
            pos = stop < css.size() && css[stop] == '}' ? stop : stop + 1;
            if (name == "import") {
                const QByteArrayView address = importAddress(prelude);
                if (!address.isEmpty()) {
                    out += "@import ";
                    out += address;
                    out += ";\n";
                }
            }
            continue;
        }
        // A rule: selectors, then a block of declarations.
        const qsizetype open = findTopLevel(css, pos, "{;}");
        if (open >= css.size())
            break;
        if (css[open] != '{') {
            pos = open + 1;
            continue;
        }
        const qsizetype close = matchingBrace(css, open);
        const QByteArrayView selector = trimmed(css.sliced(pos, open - pos));
        const QByteArrayView block = css.sliced(open + 1, qMax<qsizetype>(0, close - open - 1));
        pos = close + 1;
        const QByteArray declarations = fixDeclarations(block);
        if (declarations.isEmpty() || selector.isEmpty())
            continue;
        // ":root" is the html element; the engine knows no such pseudo-class.
        QByteArray fixedSelector = withoutComments(selector);
        if (m_namesKnown) {
            QByteArray kept;
            for (QByteArrayView one : splitTopLevel(fixedSelector, ',')) {
                if (!mayMatch(one))
                    continue;
                if (!kept.isEmpty())
                    kept += ',';
                kept += trimmed(one);
            }
            if (kept.isEmpty())
                continue;
            fixedSelector = kept;
        }
        for (qsizetype at = 0; (at = fixedSelector.indexOf(":root", at)) >= 0;) {
            const qsizetype end = at + 5;
            if ((end < fixedSelector.size() && isIdentChar(fixedSelector[end]))
                || (at > 0 && fixedSelector[at - 1] == ':')) {
                at = end;
                continue;
            }
            // ":root" alone is the html element; "html:root" is html; on any other
            // element it matches nothing, and is left for the engine to miss.
            if (at == 0 || !isIdentChar(fixedSelector[at - 1])) {
                fixedSelector.replace(at, 5, "html");
                at += 4;
            } else if (at >= 4 && fixedSelector.mid(at - 4, 4).toLower() == "html"
                       && (at == 4 || !isIdentChar(fixedSelector[at - 5]))) {
                fixedSelector.remove(at, 5);
            } else {
                at = end;
            }
        }
        out += fixedSelector;
        out += '{';
        out += declarations;
        out += "}\n";
    }
}

QByteArrayView StyleSheetFixes::importAddress(QByteArrayView prelude) const
{
    // The address, then an optional layer, supports() and media list.
    qsizetype addressEnd = 0;
    if (!prelude.isEmpty() && (prelude[0] == '"' || prelude[0] == '\'')) {
        addressEnd = stringEnd(prelude, 0);
    } else if (startsWithLower(prelude, "url(")) {
        addressEnd = qMin(prelude.size(), matchingParen(prelude, 3) + 1);
    } else {
        return {};
    }
    const QByteArrayView address = prelude.first(addressEnd);
    QByteArrayView media = trimmed(prelude.sliced(addressEnd));
    if (startsWithLower(media, "layer")) {
        qsizetype e = 5;
        if (e < media.size() && media[e] == '(')
            e = qMin(media.size(), matchingParen(media, e) + 1);
        media = trimmed(media.sliced(e));
    }
    if (startsWithLower(media, "supports(")) {
        const qsizetype e = qMin(media.size(), matchingParen(media, 8) + 1);
        if (!supportsMatches(media.sliced(9, qMax<qsizetype>(0, e - 10))))
            return {};
        media = trimmed(media.sliced(e));
    }
    return mediaMatches(media) ? address : QByteArrayView();
}

QList<QByteArray> StyleSheetFixes::importedAddresses(QByteArrayView css) const
{
    // @import rules come first in a style sheet, before any other rule.
    QList<QByteArray> addresses;
    qsizetype pos = 0;
    while (pos < css.size()) {
        const char c = css[pos];
        if (isSpace(c) || c == ';') {
            ++pos;
            continue;
        }
        if (c == '/' && pos + 1 < css.size() && css[pos + 1] == '*') {
            pos = commentEnd(css, pos);
            continue;
        }
        if (c != '@')
            break;
        qsizetype nameEnd = pos + 1;
        while (nameEnd < css.size() && isIdentChar(css[nameEnd]))
            ++nameEnd;
        const QByteArray name = lowered(css.sliced(pos + 1, nameEnd - pos - 1));
        const qsizetype stop = findTopLevel(css, nameEnd, ";{}");
        if (stop < css.size() && css[stop] != ';')
            break;
        if (name == "import") {
            QByteArrayView address = trimmed(importAddress(trimmed(css.sliced(nameEnd, stop - nameEnd))));
            if (startsWithLower(address, "url(") && address.endsWith(')'))
                address = trimmed(address.sliced(4, address.size() - 5));
            if (address.size() >= 2 && (address[0] == '"' || address[0] == '\''))
                address = address.sliced(1, address.size() - 2);
            if (!address.isEmpty())
                addresses.append(address.toByteArray());
        } else if (name != "charset" && name != "namespace" && name != "layer") {
            break;
        }
        pos = stop + 1;
    }
    return addresses;
}

QByteArray StyleSheetFixes::fixDeclarations(QByteArrayView declarations) const
{
    QByteArray out;
    for (QByteArrayView declaration : splitTopLevel(declarations, ';')) {
        const qsizetype colon = findTopLevel(declaration, 0, ":");
        if (colon >= declaration.size())
            continue;
        const QByteArray name = lowered(trimmed(withoutComments(declaration.first(colon))));
        if (name.isEmpty())
            continue;
        bool nameValid = true;
        for (char ch : name)
            nameValid &= isIdentChar(ch);
        if (!nameValid || name.startsWith("--"))
            continue;
        QByteArray value = trimmed(withoutComments(declaration.sliced(colon + 1))).toByteArray();
        bool important = false;
        const qsizetype bang = value.lastIndexOf('!');
        if (bang >= 0 && equalsLower(trimmed(QByteArrayView(value).sliced(bang + 1)), "important")) {
            important = true;
            value = trimmed(QByteArrayView(value).first(bang)).toByteArray();
        }
        if (value.isEmpty())
            continue;
        fixDeclaration(name, value, important, out);
    }
    return out;
}

void StyleSheetFixes::fixDeclaration(QByteArrayView name, QByteArrayView value, bool important,
                                     QByteArray& out) const
{
    QByteArray substituted;
    if (value.contains("var(") || value.contains("VAR(") || value.contains("Var(")) {
        if (!substituteVariables(value, substituted, 0))
            return;
        value = substituted;
        if (trimmed(value).isEmpty())
            return;
    }
    bool valid = true;
    QByteArray fixed = fixValue(name, value, &valid);
    if (!valid || trimmed(fixed).isEmpty())
        return;
    QByteArrayView property = name;
    // A gradient is shown as its first colour.
    if (name == "background-image" && !fixed.contains("url(") && !fixed.contains("URL(")
        && !equalsLower(fixed, "none"))
        property = "background-color";
    out += property;
    out += ':';
    out += fixed;
    if (important)
        out += " !important";
    out += ';';
}

bool StyleSheetFixes::substituteVariables(QByteArrayView value, QByteArray& out, int depth) const
{
    if (depth > kDeepestVariable)
        return false;
    qsizetype at = 0;
    for (qsizetype i = 0; i < value.size(); ++i) {
        const char c = value[i];
        if (c == '"' || c == '\'') {
            i = stringEnd(value, i) - 1;
            continue;
        }
        if ((c != 'v' && c != 'V') || i + 4 > value.size() || !equalsLower(value.sliced(i, 4), "var(")
            || (i > 0 && isIdentChar(value[i - 1])))
            continue;
        const qsizetype close = matchingParen(value, i + 3);
        if (close >= value.size())
            return false;
        out += value.sliced(at, i - at);
        const QByteArrayView args = value.sliced(i + 4, close - i - 4);
        const qsizetype comma = findTopLevel(args, 0, ",");
        const QByteArray name = trimmed(args.first(comma)).toByteArray();
        const auto found = m_variables.constFind(name);
        bool resolved = false;
        if (found != m_variables.constEnd() && !found->isEmpty())
            resolved = substituteVariables(*found, out, depth + 1);
        if (!resolved) {
            if (comma >= args.size())
                return false;
            if (!substituteVariables(trimmed(args.sliced(comma + 1)), out, depth + 1))
                return false;
        }
        if (out.size() > kLargestSubstitution)
            return false;
        at = close + 1;
        i = close;
    }
    out += value.sliced(at);
    return out.size() <= kLargestSubstitution;
}

QByteArray StyleSheetFixes::fixValue(QByteArrayView property, QByteArrayView value, bool* valid) const
{
    *valid = true;
    const QByteArrayView whole = trimmed(value);
    for (const char* keyword : {"initial", "unset", "revert", "revert-layer"}) {
        if (equalsLower(whole, keyword)) {
            *valid = false;
            return {};
        }
    }
    if (property == "display")
        return fixDisplay(whole);
    if (property == "position") {
        if (equalsLower(whole, "sticky") || equalsLower(whole, "-webkit-sticky"))
            return "relative";
        return whole.toByteArray();
    }
    if (property == "white-space" && equalsLower(whole, "break-spaces"))
        return "pre-wrap";
    if ((property == "overflow" || property == "overflow-x" || property == "overflow-y")
        && equalsLower(whole, "clip"))
        return "hidden";
    if (property == "color" && equalsLower(whole, "currentcolor"))
        return "inherit";
    // The engine reads neither relative font size keyword; browsers step by 1.2.
    if (property == "font-size" && equalsLower(whole, "smaller"))
        return "0.8333em";
    if (property == "font-size" && equalsLower(whole, "larger"))
        return "1.2em";

    const bool unitlessIsLength = property != "z-index" && property != "font-weight"
        && property != "opacity" && property != "order" && !property.startsWith("flex")
        && property != "line-height" && !property.startsWith("column");
    QByteArray out;
    out.reserve(value.size());
    for (qsizetype i = 0; i < value.size();) {
        const char c = value[i];
        if (c == '"' || c == '\'') {
            const qsizetype end = stringEnd(value, i);
            out += value.sliced(i, end - i);
            i = end;
            continue;
        }
        if (isSpace(c)) {
            if (!out.isEmpty() && !out.endsWith(' '))
                out += ' ';
            ++i;
            continue;
        }
        if (c == '#') {
            qsizetype e = i + 1;
            while (e < value.size() && isIdentChar(value[e]))
                ++e;
            out += value.sliced(i, e - i);
            i = e;
            continue;
        }
        // Numbers, with their unit.
        if (isDigit(c) || ((c == '.' || c == '+' || c == '-') && i + 1 < value.size()
                           && (isDigit(value[i + 1]) || (value[i + 1] == '.' && i + 2 < value.size()
                                                         && isDigit(value[i + 2]))))) {
            qsizetype numEnd = numberEnd(value, i);
            if (numEnd == i && c == '.') {
                // ".5em": a fraction without its leading zero.
                numEnd = i + 1;
                while (numEnd < value.size() && isDigit(value[numEnd]))
                    ++numEnd;
            } else if (numEnd == i && (c == '+' || c == '-') && value[i + 1] == '.') {
                numEnd = i + 2;
                while (numEnd < value.size() && isDigit(value[numEnd]))
                    ++numEnd;
            }
            if (numEnd > i) {
                qsizetype unitEnd = numEnd;
                if (unitEnd < value.size() && value[unitEnd] == '%')
                    ++unitEnd;
                else
                    while (unitEnd < value.size() && isIdentChar(value[unitEnd]))
                        ++unitEnd;
                QByteArray numberText = value.sliced(i, numEnd - i).toByteArray();
                if (numberText.startsWith('.') || numberText.startsWith("-.") || numberText.startsWith("+."))
                    numberText.insert(numberText.indexOf('.'), '0');
                double n = toDouble(numberText);
                QByteArray unit = lowered(value.sliced(numEnd, unitEnd - numEnd));
                if (unit == "ex") {
                    n *= m_screen.xHeight;
                    unit = "em";
                } else if (unit == "ch") {
                    n *= 0.5;
                    unit = "em";
                }
                double limit = 0;
                if (const double per = pixelsPer(unit))
                    limit = kLargestPixels / per;
                else if (unit == "em" || unit == "rem")
                    limit = kLargestEm;
                else if (unit == "%" || unit == "vw" || unit == "vh" || unit == "vmin" || unit == "vmax")
                    limit = kLargestPercent;
                else if (unit.isEmpty())
                    limit = unitlessIsLength ? kLargestPixels : (property == "line-height" ? 1000 : 0);
                if (limit > 0 && std::fabs(n) > limit)
                    n = std::copysign(limit, n);
                if (!std::isfinite(n))
                    n = 0;
                out += formatNumber(n);
                out += unit;
                i = unitEnd;
                continue;
            }
        }
        if (isIdentChar(c) || c == '\\') {
            qsizetype e = i;
            while (e < value.size() && (isIdentChar(value[e]) || value[e] == '\\'))
                e += value[e] == '\\' ? 2 : 1;
            e = qMin(e, value.size());
            const QByteArrayView word = value.sliced(i, e - i);
            if (e < value.size() && value[e] == '(') {
                // A function.
                const qsizetype close = matchingParen(value, e);
                const QByteArray fname = lowered(word);
                const QByteArrayView args = value.sliced(e + 1, qMax<qsizetype>(0, qMin(close, value.size()) - e - 1));
                if (fname == "url") {
                    out += value.sliced(i, qMin(close + 1, value.size()) - i);
                } else if (fname == "rgb" || fname == "rgba" || fname == "hsl" || fname == "hsla") {
                    QByteArray colour;
                    if (!readColourFunction(fname, args, &colour)) {
                        *valid = false;
                        return {};
                    }
                    out += colour;
                } else if (fname.endsWith("gradient")) {
                    // A gradient: its first colour, where a colour can stand.
                    if (property != "background" && property != "background-image") {
                        *valid = false;
                        return {};
                    }
                    bool dummy = true;
                    const QByteArray inner = fixValue("color", args, &dummy);
                    QByteArray colour;
                    for (QByteArrayView part : splitTopLevel(inner, ',')) {
                        part = trimmed(part);
                        const QByteArrayView first = part.first(qMax<qsizetype>(0, findTopLevel(part, 0, " ")));
                        if (first.startsWith('#') || first.startsWith("rgba(")
                            || (!first.isEmpty() && !isDigit(first[0]) && !startsWithLower(first, "to")
                                && !first.contains("deg") && !startsWithLower(first, "circle")
                                && !startsWithLower(first, "ellipse") && !startsWithLower(first, "at")
                                && !startsWithLower(first, "from") && !startsWithLower(first, "in"))) {
                            colour = first.toByteArray();
                            break;
                        }
                    }
                    if (colour.isEmpty()) {
                        *valid = property == "background";
                        if (!*valid)
                            return {};
                    } else {
                        out += colour;
                    }
                } else if (fname == "calc" || fname == "-webkit-calc" || fname == "-moz-calc") {
                    QByteArray reduced;
                    if (!CalcReader(args).read(&reduced)) {
                        *valid = false;
                        return {};
                    }
                    bool inner = true;
                    out += fixValue(property, reduced, &inner);
                } else if (isUnusableFunction(fname)) {
                    *valid = false;
                    return {};
                } else {
                    out += value.sliced(i, qMin(close + 1, value.size()) - i);
                }
                i = qMin(close + 1, value.size());
                continue;
            }
            if (equalsLower(word, "currentcolor")) {
                // Borders without a colour take the element's colour in the view.
                i = e;
                continue;
            }
            out += word;
            i = e;
            continue;
        }
        out += c;
        ++i;
    }
    while (out.endsWith(' '))
        out.chop(1);
    return out;
}

} // namespace zv
