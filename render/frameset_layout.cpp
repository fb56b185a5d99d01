#include "render/frameset_layout.h"

#include "render/html_tokenizer.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace zv {
namespace {

bool named(QByteArrayView name, QByteArrayView lowerLiteral)
{
    return name.compare(lowerLiteral, Qt::CaseInsensitive) == 0;
}

QByteArrayView attribute(const HtmlTokenizer::Token& t, QByteArrayView lowerName, bool* present = nullptr)
{
    for (const auto& a : t.attributes) {
        if (named(a.name, lowerName)) {
            if (present)
                *present = true;
            return a.value;
        }
    }
    if (present)
        *present = false;
    return {};
}

// Attribute values as written may be quoted; the tokenizer hands out the text
// between the quotes.
QByteArray unquoted(QByteArrayView v)
{
    return v.trimmed().toByteArray();
}

} // namespace

QList<FramesetLayout::Length> FramesetLayout::parseLengths(QByteArrayView text)
{
    QList<Length> lengths;
    const QList<QByteArray> parts = text.toByteArray().split(',');
    for (QByteArray part : parts) {
        part = part.trimmed();
        Length length;
        if (part.endsWith('*')) {
            part.chop(1);
            part = part.trimmed();
            length.kind = Length::Kind::Share;
            bool ok = false;
            const double v = part.toDouble(&ok);
            length.value = ok && v > 0 ? std::min(v, 1e6) : 1;
        } else {
            const bool percent = part.endsWith('%');
            if (percent)
                part.chop(1);
            // The leading number, as browsers read it.
            qsizetype end = 0;
            while (end < part.size() && (std::isdigit(static_cast<unsigned char>(part[end])) || part[end] == '.'))
                ++end;
            bool ok = false;
            const double v = part.left(end).toDouble(&ok);
            if (!ok || end == 0) {
                length.kind = Length::Kind::Share;
                length.value = 1;
            } else {
                length.kind = percent ? Length::Kind::Percent : Length::Kind::Pixels;
                length.value = std::min(v, percent ? 1e4 : 1e6);
            }
        }
        lengths.append(length);
        if (lengths.size() >= kMostFrames)
            break;
    }
    if (lengths.isEmpty())
        lengths.append(Length{});
    return lengths;
}

QList<int> FramesetLayout::distribute(const QList<Length>& lengths, int total)
{
    const qsizetype n = lengths.size();
    QList<double> sizes(n, 0.0);
    total = std::max(0, total);
    double pixels = 0, percent = 0, shares = 0;
    for (const Length& l : lengths) {
        if (l.kind == Length::Kind::Pixels)
            pixels += l.value;
        else if (l.kind == Length::Kind::Percent)
            percent += l.value * total / 100.0;
        else
            shares += l.value;
    }
    double remaining = total;
    const double pixelScale = pixels > remaining && pixels > 0 ? remaining / pixels : 1;
    for (qsizetype i = 0; i < n; ++i) {
        if (lengths[i].kind == Length::Kind::Pixels)
            sizes[i] = lengths[i].value * pixelScale;
    }
    remaining = std::max(0.0, remaining - pixels * pixelScale);
    const double percentScale = percent > remaining && percent > 0 ? remaining / percent : 1;
    for (qsizetype i = 0; i < n; ++i) {
        if (lengths[i].kind == Length::Kind::Percent)
            sizes[i] = lengths[i].value * total / 100.0 * percentScale;
    }
    remaining = std::max(0.0, remaining - percent * percentScale);
    if (shares > 0) {
        for (qsizetype i = 0; i < n; ++i) {
            if (lengths[i].kind == Length::Kind::Share)
                sizes[i] = remaining * lengths[i].value / shares;
        }
    } else if (remaining > 0) {
        // Nothing takes what is left: the percentages grow, or else the pixels.
        const Length::Kind grow = percent > 0 ? Length::Kind::Percent : Length::Kind::Pixels;
        double base = 0;
        for (qsizetype i = 0; i < n; ++i) {
            if (lengths[i].kind == grow)
                base += sizes[i];
        }
        for (qsizetype i = 0; i < n; ++i) {
            if (lengths[i].kind == grow)
                sizes[i] += base > 0 ? remaining * sizes[i] / base : remaining / n;
        }
    }
    // Whole pixels that add up to the total.
    QList<int> out(n, 0);
    double running = 0;
    int placed = 0;
    for (qsizetype i = 0; i < n; ++i) {
        running += sizes[i];
        const int end = i + 1 == n ? total : std::min(total, int(std::lround(running)));
        out[i] = std::max(0, end - placed);
        placed += out[i];
    }
    return out;
}

std::optional<FramesetLayout::Node> FramesetLayout::parse(const QByteArray& markup)
{
    if (!markup.contains("rameset") && !markup.contains("RAMESET"))
        return std::nullopt;
    HtmlTokenizer tokenizer;
    tokenizer.push(markup);
    tokenizer.finish();
    std::optional<Node> root;
    std::vector<Node*> open; // the framesets not yet closed
    bool inHeadText = false; // inside title, style or script
    bool inNoFrames = false;
    int frames = 0;
    for (auto t = tokenizer.next(); t.type != HtmlTokenizer::TokenType::EndOfInput; t = tokenizer.next()) {
        if (t.type == HtmlTokenizer::TokenType::NeedInput)
            break;
        const bool start = t.type == HtmlTokenizer::TokenType::StartTag;
        const bool end = t.type == HtmlTokenizer::TokenType::EndTag;
        if (!root) {
            if (t.type == HtmlTokenizer::TokenType::Text) {
                if (!inHeadText)
                    return std::nullopt; // body text before any frameset
                continue;
            }
            if (!start && !end)
                continue;
            if (named(t.name, "title") || named(t.name, "style") || named(t.name, "script")
                || named(t.name, "noscript")) {
                inHeadText = start;
                continue;
            }
            if (start && named(t.name, "frameset")) {
                root.emplace();
                open.push_back(&*root);
            } else if (start && !named(t.name, "html") && !named(t.name, "head") && !named(t.name, "meta")
                       && !named(t.name, "link") && !named(t.name, "base") && !named(t.name, "basefont")
                       && !named(t.name, "bgsound")) {
                return std::nullopt; // body content first
            } else {
                continue;
            }
        } else {
            if (open.empty())
                break;
            if (inNoFrames) {
                if (end && named(t.name, "noframes"))
                    inNoFrames = false;
                continue;
            }
            if (start && named(t.name, "noframes")) {
                inNoFrames = true;
                continue;
            }
            if (end && named(t.name, "frameset")) {
                open.pop_back();
                if (open.empty())
                    break;
                continue;
            }
            if (start && named(t.name, "frame")) {
                if (++frames > kMostFrames)
                    break;
                Node frame;
                frame.src = unquoted(attribute(t, "src"));
                open.back()->children.push_back(std::move(frame));
                continue;
            }
            if (!start || !named(t.name, "frameset"))
                continue;
            if (int(open.size()) >= kDeepestFrameset || ++frames > kMostFrames)
                break;
            open.back()->children.emplace_back();
            open.push_back(&open.back()->children.back());
        }
        // A frameset start tag: its rows, columns and border.
        Node& node = *open.back();
        node.frameset = true;
        bool hasRows = false, hasCols = false, hasBorder = false;
        const QByteArrayView rows = attribute(t, "rows", &hasRows);
        const QByteArrayView cols = attribute(t, "cols", &hasCols);
        const QByteArrayView border = attribute(t, "border", &hasBorder);
        node.rows = hasRows ? parseLengths(rows) : QList<Length>{Length{}};
        node.cols = hasCols ? parseLengths(cols) : QList<Length>{Length{}};
        if (hasBorder)
            node.border = std::clamp(std::atoi(unquoted(border).constData()), 0, 100);
    }
    return root;
}

void FramesetLayout::place(const Node& root, const QRect& area, std::vector<Frame>& frames,
                           std::vector<QRect>& gaps)
{
    placeNode(root, area, kDefaultBorder, 0, frames, gaps);
}

void FramesetLayout::placeNode(const Node& node, const QRect& area, int border, int depth,
                               std::vector<Frame>& frames, std::vector<QRect>& gaps)
{
    if (!node.frameset) {
        frames.push_back({area, node.src, depth});
        return;
    }
    if (node.border >= 0)
        border = node.border;
    const int rowCount = int(node.rows.size());
    const int colCount = int(node.cols.size());
    const int rowGaps = std::min(border * std::max(0, rowCount - 1), area.height());
    const int colGaps = std::min(border * std::max(0, colCount - 1), area.width());
    const QList<int> heights = distribute(node.rows, area.height() - rowGaps);
    const QList<int> widths = distribute(node.cols, area.width() - colGaps);
    const int rowGap = rowCount > 1 ? rowGaps / (rowCount - 1) : 0;
    const int colGap = colCount > 1 ? colGaps / (colCount - 1) : 0;
    size_t child = 0;
    int y = area.top();
    for (int r = 0; r < rowCount; ++r) {
        int x = area.left();
        for (int c = 0; c < colCount; ++c) {
            const QRect cell(x, y, widths[c], heights[r]);
            if (child < node.children.size())
                placeNode(node.children[child], cell, border, depth + 1, frames, gaps);
            ++child;
            x += widths[c];
            if (c + 1 < colCount && colGap > 0) {
                gaps.push_back(QRect(x, y, colGap, heights[r]));
                x += colGap;
            }
        }
        y += heights[r];
        if (r + 1 < rowCount && rowGap > 0) {
            gaps.push_back(QRect(area.left(), y, area.width(), rowGap));
            y += rowGap;
        }
    }
}

} // namespace zv
