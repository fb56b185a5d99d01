#include "render/nesting_limit.h"

#include "render/html_tokenizer.h"

#include <vector>

namespace zv {
namespace {

bool isNamed(QByteArrayView name, QByteArrayView lowerLiteral)
{
    if (name.size() != lowerLiteral.size())
        return false;
    for (qsizetype i = 0; i < name.size(); ++i) {
        const char c = name[i];
        if (((c >= 'A' && c <= 'Z') ? char(c + ('a' - 'A')) : c) != lowerLiteral[i])
            return false;
    }
    return true;
}

bool isAnyOf(QByteArrayView name, std::initializer_list<QByteArrayView> names)
{
    for (QByteArrayView n : names) {
        if (isNamed(name, n))
            return true;
    }
    return false;
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
