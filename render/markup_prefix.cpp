#include "render/markup_prefix.h"

#include "render/html_tokenizer.h"
#include "render/open_elements.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace zv {
namespace {

// Blocks whose end is a place to cut (the index is what a cut records).
constexpr QByteArrayView kEndedBlocks[] = {
    "p",      "div",     "pre",    "table",  "ul",    "ol",   "dl",   "h1",      "h2",      "h3",    "h4",
    "h5",     "h6",      "blockquote", "center", "address", "form", "section", "article", "header", "footer",
    "nav",    "main",    "aside",  "figure", "dir",   "menu", "li",   "dd",      "dt",      "hr",    "listing",
    "xmp",
};

int endedBlockIndex(QByteArrayView lowerName)
{
    for (size_t i = 0; i < std::size(kEndedBlocks); ++i) {
        if (kEndedBlocks[i] == lowerName)
            return int(i);
    }
    return -1;
}

// Elements that may be open at a cut: blocks whose earlier content does not depend
// on what follows it (the laid-out part is checked for what styles make of them).
bool mayStayOpen(QByteArrayView lowerName)
{
    static constexpr QByteArrayView names[] = {"html", "body", "div", "center", "blockquote", "section",
                                               "article", "main", "header", "footer", "nav", "aside", "ul",
                                               "ol", "li", "dl", "dd", "dt", "dir", "menu", "form", "address"};
    for (QByteArrayView name : names) {
        if (name == lowerName)
            return true;
    }
    return false;
}

QByteArray lowered(QByteArrayView text)
{
    QByteArray out(text.size(), Qt::Uninitialized);
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char c = text[i];
        out[i] = (c >= 'A' && c <= 'Z') ? char(c + ('a' - 'A')) : c;
    }
    return out;
}

bool isSpace(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f';
}

bool isNameChar(char c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-' || c == '_'
        || static_cast<unsigned char>(c) >= 0x80 || c == '\\';
}

// The style sheet without comments.
QByteArray withoutComments(QByteArrayView css)
{
    QByteArray out;
    out.reserve(css.size());
    for (qsizetype i = 0; i < css.size(); ++i) {
        if (css[i] == '/' && i + 1 < css.size() && css[i + 1] == '*') {
            const qsizetype end = css.indexOf("*/", i + 2);
            if (end < 0)
                break;
            i = end + 1;
            out += ' ';
            continue;
        }
        out += css[i];
    }
    return out;
}

// The position after a quoted string starting at `i`.
qsizetype afterString(const QByteArray& text, qsizetype i, qsizetype to)
{
    const char quote = text[i];
    for (++i; i < to; ++i) {
        if (text[i] == '\\')
            ++i;
        else if (text[i] == quote)
            return i + 1;
    }
    return to;
}

// The first of `wanted` at nesting level 0 from `i` (quoted strings skipped), or `to`.
qsizetype findTopLevel(const QByteArray& text, qsizetype i, qsizetype to, const char* wanted)
{
    while (i < to) {
        const char c = text[i];
        if (c == '"' || c == '\'') {
            i = afterString(text, i, to);
            continue;
        }
        if (std::strchr(wanted, c))
            return i;
        ++i;
    }
    return to;
}

// The brace closing the one at `open`, or `to`.
qsizetype closingBrace(const QByteArray& text, qsizetype open, qsizetype to)
{
    int depth = 0;
    for (qsizetype i = open; i < to;) {
        const char c = text[i];
        if (c == '"' || c == '\'') {
            i = afterString(text, i, to);
            continue;
        }
        if (c == '{')
            ++depth;
        else if (c == '}' && --depth == 0)
            return i;
        ++i;
    }
    return to;
}

// Pieces of `text` between top-level `separator`s (not inside brackets, parentheses
// or strings).
std::vector<QByteArrayView> splitTopLevel(QByteArrayView text, char separator)
{
    std::vector<QByteArrayView> parts;
    int depth = 0;
    qsizetype from = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '"' || c == '\'') {
            const char quote = c;
            for (++i; i < text.size() && text[i] != quote; ++i) {
                if (text[i] == '\\')
                    ++i;
            }
        } else if (c == '(' || c == '[') {
            ++depth;
        } else if ((c == ')' || c == ']') && depth > 0) {
            --depth;
        } else if (c == separator && depth == 0) {
            parts.push_back(text.sliced(from, i - from));
            from = i + 1;
        }
    }
    parts.push_back(text.sliced(std::min(from, text.size())));
    return parts;
}

// The compound selectors of a selector, split at its combinators.
std::vector<QByteArrayView> compoundsOf(QByteArrayView selector)
{
    std::vector<QByteArrayView> compounds;
    int depth = 0;
    qsizetype from = -1;
    for (qsizetype i = 0; i <= selector.size(); ++i) {
        const char c = i < selector.size() ? selector[i] : ' ';
        const bool combinator = depth == 0 && (isSpace(c) || c == '>' || c == '+' || c == '~');
        if (combinator) {
            if (from >= 0)
                compounds.push_back(selector.sliced(from, i - from));
            from = -1;
            continue;
        }
        if (from < 0)
            from = i;
        if (c == '(' || c == '[')
            ++depth;
        else if ((c == ')' || c == ']') && depth > 0)
            --depth;
    }
    return compounds;
}

bool hasNegativeNumber(QByteArrayView value)
{
    for (qsizetype i = 0; i + 1 < value.size(); ++i) {
        if (value[i] != '-')
            continue;
        const char next = value[i + 1];
        const bool number = (next >= '0' && next <= '9') || next == '.';
        const bool starts = i == 0 || isSpace(value[i - 1]) || value[i - 1] == '(' || value[i - 1] == ',';
        if (number && starts)
            return true;
    }
    return false;
}

} // namespace

MarkupPrefix::MarkupPrefix(const QByteArray& markup)
    : m_size(markup.size())
{
    HtmlTokenizer tokenizer;
    tokenizer.push(markup);
    tokenizer.finish();
    OpenElements open;
    // Notes a cut when every open element may stay open there.
    auto noteCut = [&](qsizetype at, QByteArrayView block) {
        int depth = 0;
        for (const QByteArray& name : open.names()) {
            if (!mayStayOpen(name))
                return;
            depth += name == "html" || name == "body" ? 0 : 1;
        }
        m_cuts.push_back({at, std::uint8_t(endedBlockIndex(block)), std::uint8_t(std::min(depth, kAnyDepth))});
    };
    for (auto t = tokenizer.next(); t.type != HtmlTokenizer::TokenType::EndOfInput; t = tokenizer.next()) {
        if (t.type == HtmlTokenizer::TokenType::NeedInput)
            break;
        const bool start = t.type == HtmlTokenizer::TokenType::StartTag;
        if (!start && t.type != HtmlTokenizer::TokenType::EndTag)
            continue;
        const QByteArray name = lowered(t.name);
        if (start) {
            m_lastTag[name] = t.sourceEnd;
            bool styleSheet = name == "style";
            for (const HtmlTokenizer::Attribute& a : t.attributes) {
                if (OpenElements::isNamed(a.name, "class")) {
                    for (const QByteArray& c : lowered(a.value).simplified().split(' ')) {
                        if (!c.isEmpty())
                            m_lastClass[c] = t.sourceEnd;
                    }
                } else if (OpenElements::isNamed(a.name, "id")) {
                    m_lastId[lowered(a.value).trimmed()] = t.sourceEnd;
                } else if (OpenElements::isNamed(a.name, "style")) {
                    if (const int move = upwardMove(a.value); move == kUnbounded)
                        m_movingEnd = t.sourceEnd;
                    else
                        m_lift = std::max(m_lift, move);
                } else if (OpenElements::isNamed(a.name, "rel") && name == "link") {
                    styleSheet = lowered(a.value).contains("stylesheet");
                }
            }
            // A style sheet applies to the whole page; a later BODY or HTML tag adds
            // its attributes to the page's own.
            if (styleSheet || name == "body" || name == "html")
                m_movingEnd = t.sourceEnd;
            if (OpenElements::isVoid(name)) {
                if (name == "hr")
                    noteCut(t.sourceEnd, name);
                continue;
            }
            open.closeFor(name);
            open.open(name);
            continue;
        }
        open.close(name);
        if (endedBlockIndex(name) >= 0)
            noteCut(t.sourceEnd, name);
    }
}

qsizetype MarkupPrefix::cutAt(qsizetype bytes, int depth) const
{
    const qsizetype from = std::max(bytes, m_movingEnd);
    auto it = std::lower_bound(m_cuts.begin(), m_cuts.end(), from,
                               [](const Cut& cut, qsizetype at) { return cut.at < at; });
    while (it != m_cuts.end() && it->depth > depth)
        ++it;
    if (it == m_cuts.end() || it->at >= m_size)
        return -1;
    return it->at;
}

QByteArray MarkupPrefix::endedAt(qsizetype cut) const
{
    const auto it = std::lower_bound(m_cuts.begin(), m_cuts.end(), cut,
                                     [](const Cut& c, qsizetype at) { return c.at < at; });
    if (it == m_cuts.end() || it->at != cut)
        return QByteArray();
    return kEndedBlocks[it->block].toByteArray();
}

void MarkupPrefix::addStyleSheet(QByteArrayView css)
{
    const QByteArray text = withoutComments(css);
    readRules(text, 0, text.size(), 0);
}

void MarkupPrefix::readRules(const QByteArray& css, qsizetype from, qsizetype to, int depth)
{
    qsizetype i = from;
    while (i < to) {
        while (i < to && (isSpace(css[i]) || css[i] == ';' || css[i] == '}'))
            ++i;
        if (i >= to)
            break;
        if (css[i] == '@') {
            const qsizetype stop = findTopLevel(css, i, to, "{;");
            if (stop >= to || css[stop] == ';') {
                i = stop + 1;
                continue;
            }
            const qsizetype close = closingBrace(css, stop, to);
            const QByteArray rule = lowered(QByteArrayView(css).sliced(i, stop - i));
            // Rules inside conditions may apply; other blocks hold no rules for elements.
            if (depth < 8
                && (rule.startsWith("@media") || rule.startsWith("@supports") || rule.startsWith("@document")
                    || rule.startsWith("@-moz-document") || rule.startsWith("@layer")
                    || rule.startsWith("@container")))
                readRules(css, stop + 1, close, depth + 1);
            i = close + 1;
            continue;
        }
        const qsizetype open = findTopLevel(css, i, to, "{");
        if (open >= to)
            break;
        const qsizetype close = closingBrace(css, open, to);
        readRule(QByteArrayView(css).sliced(i, open - i), QByteArrayView(css).sliced(open + 1, close - open - 1));
        i = close + 1;
    }
}

int MarkupPrefix::upwardMove(QByteArrayView declarations)
{
    int move = 0;
    auto atLeast = [&](int pixels) { move = pixels < 0 || move < 0 ? kUnbounded : std::max(move, pixels); };
    for (QByteArrayView declaration : splitTopLevel(declarations, ';')) {
        const qsizetype colon = declaration.indexOf(':');
        if (colon < 0)
            continue;
        const QByteArray property = lowered(declaration.first(colon).trimmed());
        QByteArray value = lowered(declaration.sliced(colon + 1).trimmed());
        if (const qsizetype important = value.indexOf("!important"); important >= 0)
            value = value.first(important).trimmed();
        if (property == "position") {
            if (value.contains("absolute") || value.contains("fixed"))
                atLeast(kUnbounded);
        } else if (property == "top" || property == "bottom" || property.startsWith("inset")) {
            // An offset moves an element that is positioned relatively by as much.
            for (const QByteArray& v : value.simplified().split(' '))
                atLeast(lengthBound(v, true));
        } else if (property.startsWith("margin")) {
            // Upwards: a negative margin above or below, by as much. Sideways only a
            // side bar pulled back beside a full-width float moves up (to its
            // container's top: see mendPageTree).
            const QList<QByteArray> values = value.simplified().split(' ');
            const auto sideways = [&](const QByteArray& v) {
                if (v.endsWith('%') && hasNegativeNumber(v) && v.left(v.size() - 1).toDouble() <= -50)
                    atLeast(kUnbounded);
            };
            if (property == "margin") {
                const qsizetype n = values.size();
                for (qsizetype k = 0; k < n && k < 4; ++k) {
                    if (k == 0 || k == 2 || n == 1)
                        atLeast(lengthBound(values[k], false));
                    else
                        sideways(values[k]);
                }
            } else if (property == "margin-top" || property == "margin-bottom" || property.startsWith("margin-block")) {
                for (const QByteArray& v : values)
                    atLeast(lengthBound(v, false));
            } else {
                for (const QByteArray& v : values)
                    sideways(v);
            }
        }
    }
    return move;
}

int MarkupPrefix::lengthBound(QByteArrayView value, bool anySign)
{
    if (value.isEmpty() || value == "auto" || value == "0" || value == "inherit" || value == "initial"
        || value == "unset" || value == "normal")
        return 0;
    if (!anySign && !hasNegativeNumber(value))
        return 0;
    QByteArrayView number = value;
    if (number.startsWith('-') || number.startsWith('+'))
        number = number.sliced(1);
    qsizetype end = 0;
    while (end < number.size() && ((number[end] >= '0' && number[end] <= '9') || number[end] == '.'))
        ++end;
    bool ok = false;
    const double amount = number.first(end).toDouble(&ok);
    if (!ok)
        return kUnbounded; // calc(), var() and the like
    const QByteArrayView unit = number.sliced(end);
    // Font-relative units at the largest font a page plausibly uses.
    static const std::pair<QByteArrayView, double> units[] = {
        {"", 1}, {"px", 1}, {"pt", 4.0 / 3}, {"pc", 16}, {"in", 96}, {"cm", 96 / 2.54}, {"mm", 96 / 25.4},
        {"q", 96 / 101.6}, {"em", 64}, {"rem", 64}, {"ex", 32}, {"ch", 32}};
    for (const auto& [name, pixels] : units) {
        if (unit == name) {
            const double bound = std::ceil(amount * pixels);
            return bound > kLargestBoundedMove ? kUnbounded : int(bound);
        }
    }
    return kUnbounded; // percentages (of sizes not known here), viewport units
}

MarkupPrefix::Key MarkupPrefix::keyOf(QByteArrayView compound)
{
    Key key{'*', QByteArray()};
    QByteArray tag, firstClass, id;
    qsizetype i = 0;
    while (i < compound.size() && isNameChar(compound[i]))
        ++i;
    tag = lowered(compound.first(i));
    while (i < compound.size()) {
        const char c = compound[i];
        if (c == '.' || c == '#') {
            qsizetype end = i + 1;
            while (end < compound.size() && isNameChar(compound[end]))
                ++end;
            const QByteArray name = lowered(compound.sliced(i + 1, end - i - 1));
            if (c == '#' && id.isEmpty())
                id = name;
            else if (c == '.' && firstClass.isEmpty())
                firstClass = name;
            i = end;
        } else if (c == '[' || c == '(') {
            const char closing = c == '[' ? ']' : ')';
            int depth = 0;
            for (; i < compound.size(); ++i) {
                if (compound[i] == c)
                    ++depth;
                else if (compound[i] == closing && --depth == 0)
                    break;
            }
            ++i;
        } else {
            ++i; // ':' and the pseudo-class or pseudo-element names after it
            while (i < compound.size() && isNameChar(compound[i]))
                ++i;
        }
    }
    if (!id.isEmpty())
        return {'#', id};
    if (!firstClass.isEmpty())
        return {'.', firstClass};
    if (!tag.isEmpty() && tag != "*")
        return {'t', tag};
    return key;
}

void MarkupPrefix::readRule(QByteArrayView selectors, QByteArrayView declarations)
{
    const int move = upwardMove(declarations);
    const bool moves = move != 0;
    const QByteArray lowerSelectors = lowered(selectors);
    static const char* const followerClasses[] = {":last-child", ":last-of-type", ":only-child", ":only-of-type",
                                                  ":nth-last-"};
    bool followers = false;
    for (const char* pseudo : followerClasses)
        followers = followers || lowerSelectors.contains(pseudo);
    if (!moves && !followers)
        return;
    for (QByteArrayView selector : splitTopLevel(selectors, ',')) {
        const std::vector<QByteArrayView> compounds = compoundsOf(selector.trimmed());
        if (compounds.empty())
            continue;
        if (moves)
            noteMovingKey(keyOf(compounds.back()), move);
        if (!followers)
            continue;
        for (QByteArrayView compound : compounds) {
            const QByteArray lower = lowered(compound);
            for (const char* pseudo : followerClasses) {
                if (lower.contains(pseudo)) {
                    const Key key = keyOf(compound);
                    if (key.kind == '*')
                        m_anyChosenByFollowers = true;
                    else
                        m_followerKeys.push_back(key);
                    break;
                }
            }
        }
    }
}

void MarkupPrefix::noteMovingKey(const Key& key, int move)
{
    if (key.kind == '*') {
        if (move == kUnbounded)
            m_movingEnd = m_size;
        else
            m_lift = std::max(m_lift, move);
        return;
    }
    const QHash<QByteArray, qsizetype>& last = key.kind == '#' ? m_lastId : key.kind == '.' ? m_lastClass : m_lastTag;
    const auto it = last.constFind(key.name);
    if (it == last.constEnd())
        return; // no element of the page has that name
    if (move == kUnbounded)
        m_movingEnd = std::max(m_movingEnd, *it);
    else
        m_lift = std::max(m_lift, move);
}

bool MarkupPrefix::matches(const Key& key, QByteArrayView tag, QByteArrayView classes, QByteArrayView id) const
{
    switch (key.kind) {
    case 't':
        return lowered(tag) == key.name;
    case '#':
        return lowered(id).trimmed() == key.name;
    case '.':
        for (const QByteArray& c : lowered(classes).simplified().split(' ')) {
            if (c == key.name)
                return true;
        }
        return false;
    default:
        return true;
    }
}

bool MarkupPrefix::chosenByFollowers(QByteArrayView tag, QByteArrayView classes, QByteArrayView id) const
{
    if (m_anyChosenByFollowers)
        return true;
    for (const Key& key : m_followerKeys) {
        if (matches(key, tag, classes, id))
            return true;
    }
    return false;
}

} // namespace zv
