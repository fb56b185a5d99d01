#include "render/nesting_limit.h"

#include "render/html_tokenizer.h"
#include "render/open_elements.h"

#include <QHash>

#include <vector>

namespace zv {
namespace {

bool isNamed(QByteArrayView name, QByteArrayView lowerLiteral)
{
    return OpenElements::isNamed(name, lowerLiteral);
}

bool isAnyOf(QByteArrayView name, std::initializer_list<QByteArrayView> names)
{
    return OpenElements::isAnyOf(name, names);
}

QByteArray lowerName(QByteArrayView name)
{
    QByteArray out(name.size(), Qt::Uninitialized);
    for (qsizetype i = 0; i < name.size(); ++i) {
        const char c = name[i];
        out[i] = (c >= 'A' && c <= 'Z') ? char(c + ('a' - 'A')) : c;
    }
    return out;
}

bool isFormatting(QByteArrayView n)
{
    return isAnyOf(n, {"a", "b", "big", "code", "em", "font", "i", "nobr", "s", "small", "strike", "strong",
                       "tt", "u"});
}

} // namespace

QByteArray limitNesting(const QByteArray& markup)
{
    HtmlTokenizer tokenizer;
    tokenizer.push(markup);
    tokenizer.finish();
    std::vector<std::pair<qint64, qint64>> dropped;
    int tables = 0;
    int blocks = 0;
    OpenElements open;
    QHash<QByteArray, int> formatting; // formatting elements opened and not ended, by name
    int formattingOpen = 0;
    for (auto t = tokenizer.next(); t.type != HtmlTokenizer::TokenType::EndOfInput;
         t = tokenizer.next()) {
        const bool start = t.type == HtmlTokenizer::TokenType::StartTag;
        const bool end = t.type == HtmlTokenizer::TokenType::EndTag;
        if (!start && !end)
            continue;
        bool drop = false;
        if (isNamed(t.name, "table")) {
            if (start) {
                drop = ++tables > kMaxTableDepth;
            } else {
                drop = tables > kMaxTableDepth;
                tables = tables > 0 ? tables - 1 : 0;
            }
        } else if (isAnyOf(t.name, {"tr", "td", "th", "tbody", "thead", "tfoot", "caption", "col",
                                    "colgroup"})) {
            drop = tables > kMaxTableDepth;
        } else if (isAnyOf(t.name,
                           {"ul", "ol", "dl", "dir", "menu", "blockquote", "div", "center"})) {
            if (start) {
                drop = ++blocks > kMaxBlockDepth;
            } else {
                drop = blocks > kMaxBlockDepth;
                blocks = blocks > 0 ? blocks - 1 : 0;
            }
        }
        if (!drop && !OpenElements::isVoid(t.name)) {
            const QByteArray name = lowerName(t.name);
            if (start) {
                open.closeFor(name);
                // Formatting elements are opened again after blocks end: their
                // number bounds that depth.
                const bool formats = isFormatting(name);
                if (open.depth() >= kMaxDepth || (formats && formattingOpen >= kMaxFormatting)) {
                    drop = true;
                } else {
                    open.open(name);
                    if (formats) {
                        ++formatting[name];
                        ++formattingOpen;
                    }
                }
            } else {
                open.close(name);
                if (auto it = formatting.find(name); it != formatting.end() && *it > 0) {
                    --*it;
                    --formattingOpen;
                }
            }
        }
        if (drop)
            dropped.emplace_back(t.sourceBegin, t.sourceEnd);
    }
    if (dropped.empty())
        return markup;
    QByteArray kept;
    kept.reserve(markup.size());
    qint64 at = 0;
    for (const auto& [begin, end] : dropped) {
        kept.append(markup.constData() + at, begin - at);
        at = end;
    }
    kept.append(markup.constData() + at, markup.size() - at);
    return kept;
}

} // namespace zv
