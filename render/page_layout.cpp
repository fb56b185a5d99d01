#include "render/page_layout.h"

#include "render/declared_charset.h"
#include "render/frameset_layout.h"
#include "render/html_text.h"
#include "render/html_tokenizer.h"
#include "render/markup_prefix.h"
#include "render/nesting_limit.h"
#include "render/page_container.h"
#include "render/page_elements.h"

#include <litehtml.h>

#include <QFile>
#include <QFileInfo>
#include <QMutex>
#include <QPainter>
#include <QSet>

#include <algorithm>

namespace zv {
namespace {

// Parsed default style sheets, by their text: parsing one costs more than laying
// out a small page, and views share a few sets of fonts.
std::shared_ptr<litehtml::context> contextFor(const QByteArray& masterCss)
{
    static QMutex mutex;
    static std::vector<std::pair<QByteArray, std::shared_ptr<litehtml::context>>> cache;
    QMutexLocker lock(&mutex);
    for (auto it = cache.begin(); it != cache.end(); ++it) {
        if (it->first == masterCss) {
            auto found = *it;
            cache.erase(it);
            cache.push_back(found);
            return found.second;
        }
    }
    auto context = std::make_shared<litehtml::context>();
    context->load_master_stylesheet(masterCss.constData());
    cache.emplace_back(masterCss, context);
    if (cache.size() > 8)
        cache.erase(cache.begin());
    return context;
}

bool named(QByteArrayView name, QByteArrayView lowerLiteral)
{
    return name.compare(lowerLiteral, Qt::CaseInsensitive) == 0;
}

// Tabs in preformatted text as the spaces up to the next tab stop (every eighth
// column), as browsers show them; the engine draws a tab as nothing.
QByteArray expandPreTabs(const QByteArray& markup)
{
    if (!markup.contains('\t'))
        return markup;
    HtmlTokenizer tokenizer;
    tokenizer.push(markup);
    tokenizer.finish();
    QByteArray out;
    qint64 copied = 0;
    int depth = 0;
    int column = 0;
    for (auto t = tokenizer.next(); t.type != HtmlTokenizer::TokenType::EndOfInput; t = tokenizer.next()) {
        if (t.type == HtmlTokenizer::TokenType::NeedInput)
            break;
        if (t.type == HtmlTokenizer::TokenType::StartTag || t.type == HtmlTokenizer::TokenType::EndTag) {
            if (named(t.name, "pre") || named(t.name, "xmp") || named(t.name, "listing") || named(t.name, "plaintext")) {
                depth = std::max(0, depth + (t.type == HtmlTokenizer::TokenType::StartTag ? 1 : -1));
                column = 0;
            }
            continue;
        }
        if (t.type != HtmlTokenizer::TokenType::Text || depth == 0)
            continue;
        const QByteArrayView text = t.text;
        if (!text.contains('\t')) {
            for (qsizetype i = 0; i < text.size(); ++i) {
                const char c = text[i];
                if (c == '\n')
                    column = 0;
                else if ((static_cast<unsigned char>(c) & 0xC0) != 0x80)
                    ++column;
            }
            continue;
        }
        out.append(markup.constData() + copied, t.sourceBegin - copied);
        for (qsizetype i = 0; i < text.size(); ++i) {
            const char c = text[i];
            if (c == '\t') {
                const int spaces = 8 - column % 8;
                out.append(spaces, ' ');
                column += spaces;
                continue;
            }
            out.append(c);
            if (c == '\n')
                column = 0;
            else if (c == '&') {
                // An entity is one character: its remaining bytes do not count.
                qsizetype e = i + 1;
                while (e < text.size() && e - i < 12 && text[e] != ';' && text[e] != '&' && text[e] != '<')
                    ++e;
                if (e < text.size() && text[e] == ';') {
                    out.append(text.sliced(i + 1, e - i));
                    i = e;
                }
                ++column;
            } else if ((static_cast<unsigned char>(c) & 0xC0) != 0x80)
                ++column;
        }
        copied = t.sourceEnd;
    }
    if (copied == 0)
        return markup;
    out.append(markup.constData() + copied, markup.size() - copied);
    return out;
}

// The markup as the engine takes it: UTF-8 (Windows-1252 documents converted),
// without NUL bytes (the engine reads a C string), cut down where it would make
// the engine fall over (see nesting_limit.h).
QByteArray guardMarkup(const QByteArray& markup, const QByteArray& charset)
{
    QByteArray text = readsAsUtf8(markup, charset) ? markup : decodeDeclared(markup, charset).toUtf8();
    if (text.contains('\0'))
        text.replace('\0', QByteArray());
    return limitNesting(expandPreTabs(text));
}

// Whether a browser shows the page in quirks mode: without a document type, or
// with one of the old ones. A document type a translation has emptied ("<!>")
// stood for one of today's.
bool isQuirksMode(const QByteArray& markup)
{
    HtmlTokenizer tokenizer;
    tokenizer.push(QByteArrayView(markup).first(std::min<qsizetype>(markup.size(), 4096)));
    tokenizer.finish();
    for (auto t = tokenizer.next(); t.type != HtmlTokenizer::TokenType::EndOfInput; t = tokenizer.next()) {
        if (t.type == HtmlTokenizer::TokenType::NeedInput)
            break;
        // White space, a byte order mark and an XML declaration may come first.
        if (t.type == HtmlTokenizer::TokenType::Text
            && QByteArrayView(t.text).trimmed().toByteArray().replace("\xEF\xBB\xBF", "").trimmed().isEmpty())
            continue;
        if (t.type == HtmlTokenizer::TokenType::StartTag && t.name.startsWith('?'))
            continue;
        if (t.type != HtmlTokenizer::TokenType::Bang)
            return true;
        const QByteArray raw =
            QByteArray(markup.constData() + t.sourceBegin, t.sourceEnd - t.sourceBegin).toLower().simplified();
        if (raw.startsWith("<!--"))
            continue;
        if (raw == "<!>" || raw == "<! >")
            return false;
        if (!raw.startsWith("<!doctype"))
            continue;
        const qsizetype publicAt = raw.indexOf("public");
        if (!raw.startsWith("<!doctype html"))
            return true;
        if (publicAt < 0)
            return false; // <!DOCTYPE html>
        QByteArray rest = raw.mid(publicAt + 6).trimmed();
        QByteArray publicId, systemId;
        auto quoted = [](QByteArray& from, QByteArray& into) {
            if (from.isEmpty() || (from[0] != '"' && from[0] != '\''))
                return false;
            const qsizetype close = from.indexOf(from[0], 1);
            if (close < 0)
                return false;
            into = from.mid(1, close - 1);
            from = from.mid(close + 1).trimmed();
            return true;
        };
        if (!quoted(rest, publicId))
            return true;
        const bool hasSystem = quoted(rest, systemId);
        static const char* const quirky[] = {
            "+//silmaril//", "-//advasoft", "-//as//", "-//ietf//", "-//metrius//", "-//microsoft//",
            "-//netscape", "-//o'reilly", "-//softquad", "-//spyglass", "-//sq//", "-//sun microsystems",
            "-//w3c//dtd html 3", "-//w3c//dtd html 4.0 frameset//", "-//w3c//dtd html 4.0 transitional//",
            "-//w3c//dtd html experimental", "-//w3c//dtd w3 html//", "-//w3o//", "-//webtechs//",
        };
        for (const char* prefix : quirky) {
            if (publicId.startsWith(prefix))
                return true;
        }
        if (!hasSystem
            && (publicId.startsWith("-//w3c//dtd html 4.01 frameset//")
                || publicId.startsWith("-//w3c//dtd html 4.01 transitional//")))
            return true;
        return false;
    }
    return true;
}

// What the document type and the declared encoding are read from: the start of
// the source document when the markup is its translation (which keeps neither)
// and the source can be read, else the markup.
QByteArray documentHead(const QByteArray& markup, const QString& sourceDocument)
{
    if (sourceDocument.isEmpty())
        return markup;
    QFile file(sourceDocument);
    const QFileInfo info(sourceDocument);
    if (!info.isFile() || !file.open(QIODevice::ReadOnly))
        return markup;
    const QByteArray head = file.read(4096);
    return head.isEmpty() ? markup : head;
}

QString frameDocumentPath(const QByteArray& src, const QUrl& base)
{
    const QString address = QString::fromUtf8(src).trimmed();
    if (address.isEmpty())
        return QString();
    const QUrl resolved = base.resolved(QUrl(address));
    return resolved.isLocalFile() ? resolved.toLocalFile() : QString();
}

void collectText(const litehtml::element::ptr& el, std::string& out, int depth)
{
    if (!el || depth > 10000)
        return;
    const litehtml::style_display display = el->get_display();
    if (display == litehtml::display_none)
        return;
    // Line breaks (BR, and those of preformatted text) are elements of their own;
    // the engine marks those of preformatted text as skipped.
    if (el->is_break()) {
        out += '\n';
        return;
    }
    if (el->skip())
        return;
    if (display == litehtml::display_inline_text) {
        el->get_text(out);
        return;
    }
    const bool block = display != litehtml::display_inline && display != litehtml::display_inline_block;
    if (block && !out.empty() && out.back() != '\n')
        out += '\n';
    for (int i = 0, n = int(el->get_children_count()); i < n; ++i)
        collectText(el->get_child(i), out, depth + 1);
    if (block && !out.empty() && out.back() != '\n')
        out += '\n';
}

// Whether the first part of a page, laid out, shows the page as the whole does
// down to the height wanted.
struct PrefixCheck {
    enum Result {
        Shows, // down to exactTo, which reaches the height wanted
        TooShort, // the same, but not far enough down
        Unsure, // a block open at the cut may lay out otherwise with what follows
    } result;
    int exactTo = 0;
    // Unsure: how many elements besides HTML and BODY may be open at a cut that
    // ends that block (-1: none does).
    int depth = -1;
};

int borderTopOf(const litehtml::element::ptr& el)
{
    return el->get_placement().y - el->padding_top() - el->border_top();
}

int borderBottomOf(const litehtml::element::ptr& el)
{
    const litehtml::position at = el->get_placement();
    return at.y + at.height + el->padding_bottom() + el->border_bottom();
}

bool isBlockLevel(litehtml::style_display display)
{
    return display == litehtml::display_block || display == litehtml::display_list_item
        || display == litehtml::display_table;
}

// A block that lays out what it holds one after another, whatever follows: in the
// flow, not floating, not positioned, with no background placed by its height, and
// not chosen by rules for what follows it among its siblings.
bool isPlainBlock(const litehtml::element::ptr& el, const MarkupPrefix& prefix)
{
    const litehtml::style_display display = el->get_display();
    if (display != litehtml::display_block && display != litehtml::display_list_item)
        return false;
    if (el->get_float() != litehtml::float_none || el->get_element_position() != litehtml::element_position_static
        || el->margin_bottom() < 0)
        return false;
    if (const litehtml::background* bg = el->get_background(true); bg && !bg->m_image.empty()) {
        const litehtml::css_length& y = bg->m_position.y;
        if ((y.units() == litehtml::css_units_percentage && y.val() != 0) || !bg->m_position.width.is_predefined()
            || !bg->m_position.height.is_predefined())
            return false;
    }
    const char* tag = el->get_tagName();
    const char* classes = el->get_attr("class", "");
    const char* id = el->get_attr("id", "");
    return !prefix.chosenByFollowers(tag ? tag : "", classes ? classes : "", id ? id : "");
}

// The last child of an element that shows: not white space, a comment or hidden.
litehtml::element::ptr lastShownChild(const litehtml::element::ptr& el)
{
    for (int i = int(el->get_children_count()) - 1; i >= 0; --i) {
        litehtml::element::ptr child = el->get_child(i);
        if (!child || child->is_comment() || child->get_display() == litehtml::display_none
            || (child->get_display() == litehtml::display_inline_text && child->is_white_space()))
            continue;
        return child;
    }
    return nullptr;
}

// Follows the last children down from the root: the blocks open at the cut are on
// that path. What follows the cut is laid out inside them, below their last child,
// so everything above where that last child ends (or, when it starts below the
// height wanted, begins) shows as in the whole page, provided the blocks on the path
// that start above that height are plain blocks (they would lay out their earlier
// content otherwise with more of it) and the child the path ends in is whole
// (`ended`, the element the cut ends, when it holds lines or is no plain block).
PrefixCheck checkPrefix(const litehtml::element::ptr& root, const MarkupPrefix& prefix, const QByteArray& ended,
                        int wanted)
{
    litehtml::element::ptr el = root;
    auto whole = [&](const litehtml::element::ptr& block) {
        const char* tag = block->get_tagName();
        return tag && ended == QByteArrayView(tag);
    };
    auto reaching = [&](int exactTo) {
        return PrefixCheck{exactTo >= wanted ? PrefixCheck::Shows : PrefixCheck::TooShort, exactTo};
    };
    // The element at `depth` on the path (0 HTML, 1 BODY) ends where fewer than
    // depth - 1 elements besides those two are open.
    auto unsure = [](int depth) { return PrefixCheck{PrefixCheck::Unsure, 0, depth - 2}; };
    for (int depth = 0; el && depth < 2 * kMaxDepth; ++depth) {
        if (!isPlainBlock(el, prefix))
            return unsure(depth);
        const litehtml::element::ptr last = lastShownChild(el);
        if (!last) // an empty block: it ends the page so far
            return reaching(borderBottomOf(el) + std::min(0, el->margin_bottom()));
        if (!isBlockLevel(last->get_display())) {
            // Lines: they end where the block does, when the cut ended it.
            if (!whole(el))
                return unsure(depth);
            return reaching(borderBottomOf(el) + std::min(0, el->margin_bottom()));
        }
        // What follows it in the flow comes below where it begins (not so for a
        // float or a positioned block, which may lie anywhere below the flow).
        const bool inFlow = last->get_float() == litehtml::float_none
            && last->get_element_position() == litehtml::element_position_static;
        if (inFlow && borderTopOf(last) >= wanted)
            return {PrefixCheck::Shows, borderTopOf(last)};
        if (!isPlainBlock(last, prefix)) {
            // A table, a float or a positioned block: whole, it ends where it ends
            // (a float or a positioned block leaves the flow beside or under it).
            if (!whole(last) || last->get_display() != litehtml::display_table
                || last->get_float() != litehtml::float_none || last->is_positioned())
                return unsure(depth + 1);
            return reaching(borderBottomOf(last) + std::min(0, last->margin_bottom()));
        }
        el = last;
    }
    return {PrefixCheck::Unsure};
}

} // namespace

// A block and all it holds, painted between two heights of the page.
struct PaintedBlock {
    litehtml::element* element;
    int top;
    int bottom;
};

struct Extent {
    int top;
    int bottom;
    bool positioned; // the element or one it holds is positioned
};

bool isTablePart(litehtml::style_display display)
{
    switch (display) {
    case litehtml::display_table_caption:
    case litehtml::display_table_cell:
    case litehtml::display_table_column:
    case litehtml::display_table_column_group:
    case litehtml::display_table_footer_group:
    case litehtml::display_table_header_group:
    case litehtml::display_table_row:
    case litehtml::display_table_row_group:
        return true;
    default:
        return false;
    }
}

// The heights between which an element and all it holds are painted, reckoned as
// the engine paints: an element's box from the content box of the element holding
// it (the parts of a table from the table's: rows and row groups lie at its top,
// cells where they are in it), children within it unless it clips them. Notes the
// blocks that hold no positioned element: painting may pass over those that lie
// outside what it shows. `y` is the content top of the element holding `el`,
// `tableY` that of the table it is part of.
Extent notePaintedBlocks(const litehtml::element::ptr& el, int y, int tableY, std::vector<PaintedBlock>& blocks,
                         int depth)
{
    const litehtml::style_display display = el->get_display();
    const int origin = isTablePart(display) ? tableY : y;
    const litehtml::position& at = el->get_position();
    Extent extent{origin + at.top() - el->padding_top() - el->border_top(),
                  origin + at.bottom() + el->padding_bottom() + el->border_bottom(), el->is_positioned()};
    if (depth > 2 * kMaxDepth)
        return {extent.top, extent.bottom, true};
    const bool table = display == litehtml::display_table || display == litehtml::display_inline_table;
    const int contentTop = origin + at.y;
    const bool clips = el->get_overflow() != litehtml::overflow_visible;
    const int children = int(el->get_children_count());
    for (int i = 0; i < children; ++i) {
        const litehtml::element::ptr child = el->get_child(i);
        if (!child)
            continue;
        if (child->get_element_position() == litehtml::element_position_fixed) {
            extent.positioned = true;
            continue;
        }
        const Extent inner = notePaintedBlocks(child, contentTop, table ? contentTop : tableY, blocks, depth + 1);
        extent.positioned = extent.positioned || inner.positioned;
        if (!clips) {
            extent.top = std::min(extent.top, inner.top);
            extent.bottom = std::max(extent.bottom, inner.bottom);
        }
    }
    if (children > 0 && !extent.positioned && depth >= 2 && display != litehtml::display_inline
        && display != litehtml::display_inline_text)
        blocks.push_back({el.get(), extent.top, extent.bottom});
    return extent;
}

struct PageLayout::Engine {
    std::unique_ptr<PageContainer> container;
    std::shared_ptr<litehtml::context> context;
    litehtml::document::ptr document;
    // Blocks painting may pass over where they lie outside what it shows: the engine
    // goes through every element of the page four times for every paint, and a page
    // of megabytes holds millions.
    std::vector<PaintedBlock> blocks;

    ~Engine()
    {
        // The document gives its fonts back to the container as it goes.
        document.reset();
    }
};

struct PageLayout::FrameView {
    QRect rect;
    QString path;
    std::unique_ptr<PageLayout> layout; // null: nothing to show
    bool unavailable = false; // no local document to show: painted as a browser paints it
};

PageLayout::PageLayout(Input input)
    : m_input(std::move(input))
{
    m_input.width = std::max(0, m_input.width);
    m_input.height = std::max(0, m_input.height);
    if (std::optional<FramesetLayout::Node> frameset = FramesetLayout::parse(m_input.markup)) {
        m_frameset = true;
        std::vector<FramesetLayout::Frame> frames;
        FramesetLayout::place(*frameset, QRect(0, 0, m_input.width, m_input.height), frames, m_gaps);
        for (const FramesetLayout::Frame& frame : frames) {
            auto view = std::make_unique<FrameView>();
            view->rect = frame.rect;
            view->path = frameDocumentPath(frame.src, m_input.baseUrl);
            // No local document that is there: its address was taken out of the
            // translation, or names a missing file or the network.
            view->unavailable = view->path.isEmpty() || !QFileInfo(view->path).isFile();
            m_frames.push_back(std::move(view));
        }
        layOutFrames();
        m_size = QSize(m_input.width, m_input.height);
        m_exactHeight = m_size.height();
        return;
    }
    layOutDocument();
}

PageLayout::~PageLayout() = default;

bool PageLayout::isFrameset() const
{
    return m_frameset;
}

std::unique_ptr<PageLayout::Engine> PageLayout::newEngine(const PageStyles* styles) const
{
    auto engine = std::make_unique<Engine>();
    engine->container = std::make_unique<PageContainer>(m_input.baseUrl, m_input.fonts.body, m_input.width,
                                                        m_input.height);
    engine->container->setMissingPicture(m_input.missingPicture);
    engine->container->setFixedFont(m_input.fonts.fixed);
    if (styles) {
        for (const QString& path : styles->files)
            engine->container->noteFileRead(path);
        applyStyles(*engine->container, *styles);
    }
    return engine;
}

void PageLayout::applyStyles(PageContainer& container, const PageStyles& styles)
{
    if (styles.named)
        container.fixes().setDocumentNames(styles.tags, styles.classes, styles.ids);
    for (const QByteArray& sheet : styles.sheets) {
        if (sheet.contains("--"))
            container.fixes().collectVariables(sheet);
    }
}

PageLayout::PageStyles PageLayout::gatherStyles(const QByteArray& markup, PageContainer& container)
{
    // Custom properties are known before any style sheet reaches the engine: they
    // are gathered from the STYLE elements, the linked style sheets and the ones
    // those import, first.
    // The names the document's elements have are gathered on the way, so that
    // rules that cannot match leave the engine's work.
    PageStyles styles;
    QList<std::pair<QString, QString>> linked; // address, base
    if (markup.contains("<style") || markup.contains("<STYLE") || markup.contains("<Style")
        || markup.contains("<link") || markup.contains("<LINK") || markup.contains("<Link")) {
        styles.named = true;
        styles.tags = {"html", "head", "body", "tbody"};
        HtmlTokenizer tokenizer;
        tokenizer.push(markup);
        tokenizer.finish();
        bool inStyle = false;
        for (auto t = tokenizer.next(); t.type != HtmlTokenizer::TokenType::EndOfInput; t = tokenizer.next()) {
            if (t.type == HtmlTokenizer::TokenType::NeedInput)
                break;
            if (t.type == HtmlTokenizer::TokenType::StartTag) {
                styles.tags.insert(t.name.toByteArray().toLower());
                for (const auto& a : t.attributes) {
                    if (named(a.name, "class")) {
                        for (const QByteArray& name : a.value.toByteArray().toLower().simplified().split(' '))
                            styles.classes.insert(name);
                    } else if (named(a.name, "id")) {
                        styles.ids.insert(a.value.toByteArray().toLower().trimmed());
                    }
                }
            }
            if (t.type == HtmlTokenizer::TokenType::Text) {
                if (inStyle) {
                    styles.sheets.append(t.text.toByteArray());
                    for (const QByteArray& address : container.fixes().importedAddresses(t.text))
                        linked.append({QString::fromUtf8(address), QString()});
                }
                continue;
            }
            if (t.type != HtmlTokenizer::TokenType::StartTag && t.type != HtmlTokenizer::TokenType::EndTag)
                continue;
            const bool start = t.type == HtmlTokenizer::TokenType::StartTag;
            if (named(t.name, "style")) {
                inStyle = start;
            } else if (start && named(t.name, "link")) {
                QByteArrayView rel, href;
                for (const auto& a : t.attributes) {
                    if (named(a.name, "rel"))
                        rel = a.value;
                    else if (named(a.name, "href"))
                        href = a.value;
                }
                if (rel.toByteArray().toLower().contains("stylesheet") && !href.isEmpty())
                    linked.append({QString::fromUtf8(href), QString()});
            }
        }
    }
    for (qsizetype i = 0; i < linked.size() && i < 64; ++i) {
        const QString path = container.localFile(linked[i].first, linked[i].second);
        if (path.isEmpty() || styles.files.contains(path))
            continue;
        styles.files.append(path);
        const QByteArray text = container.styleSheetText(path);
        styles.sheets.append(text);
        const QString base = QUrl::fromLocalFile(path).toString();
        for (const QByteArray& address : container.fixes().importedAddresses(text))
            linked.append({QString::fromUtf8(address), base});
    }
    return styles;
}

void PageLayout::render(Engine& engine, const QByteArray& markup, bool quirks) const
{
    engine.context = contextFor(defaultStyleSheet(m_input.fonts, quirks));
    engine.document = litehtml::document::createFromUTF8(markup.constData(), engine.container.get(),
                                                         engine.context.get());
    if (!engine.document)
        return;
    mendPageTree(engine.document->root(), quirks);
    engine.document->render(std::max(1, m_input.width));
    engine.blocks.clear();
    if (const litehtml::element::ptr root = engine.document->root())
        notePaintedBlocks(root, 0, 0, engine.blocks, 0);
}

void PageLayout::layOutDocument()
{
    const QByteArray head = documentHead(m_input.markup, m_input.sourceDocument);
    const QByteArray markup = guardMarkup(m_input.markup, declaredCharset(head));
    std::unique_ptr<Engine> engine = newEngine();
    const PageStyles styles = gatherStyles(markup, *engine->container);
    applyStyles(*engine->container, styles);
    const bool quirks = isQuirksMode(head);
    m_markupBytes = markup.size();
    m_laidOutBytes = markup.size();
    const qsizetype firstCut = m_input.firstCut > 0 ? m_input.firstCut : kFirstPrefixBytes;
    if (m_input.shownHeight > 0 && markup.size() >= 2 * firstCut
        && layOutPrefix(markup, styles, quirks, engine))
        return;
    if (!engine)
        engine = newEngine(&styles);
    m_engine = std::move(engine);
    // A page whose top could not be laid out alone, past the most markup a caller
    // lays out: from its first part, cut after a tag.
    qsizetype end = markup.size();
    if (m_input.mostMarkup > 0 && end > m_input.mostMarkup) {
        end = markup.lastIndexOf('>', m_input.mostMarkup - 1) + 1;
        if (end <= 0)
            end = m_input.mostMarkup;
        m_complete = false;
        m_laidOutBytes = end;
    }
    render(*m_engine, end == markup.size() ? markup : markup.left(end), quirks);
    if (!m_engine->document) {
        m_size = QSize(m_input.width, 0);
        return;
    }
    m_size = QSize(std::max(m_input.width, m_engine->document->width()), std::max(0, m_engine->document->height()));
    m_exactHeight = m_size.height();
}

bool PageLayout::layOutPrefix(const QByteArray& markup, const PageStyles& styles, bool quirks,
                              std::unique_ptr<Engine>& engine)
{
    MarkupPrefix prefix(markup);
    for (const QByteArray& sheet : styles.sheets)
        prefix.addStyleSheet(sheet);
    // What the view shows, and a little more: a line cut through at the bottom edge
    // is shown whole.
    const int wanted = m_input.shownHeight + 32 + prefix.lift();
    // The body's markup counts, not a head holding a long style sheet of its own.
    qsizetype bodyStart = markup.size();
    for (const char* tag : {"<body", "<BODY", "<Body"}) {
        const qsizetype at = markup.indexOf(tag);
        if (at >= 0)
            bodyStart = std::min(bodyStart, at);
    }
    if (bodyStart == markup.size())
        bodyStart = 0;
    qsizetype bytes = std::max<qsizetype>(bodyStart + (m_input.firstCut > 0 ? m_input.firstCut : kFirstPrefixBytes),
                                          m_input.prefixHint);
    int depth = MarkupPrefix::kAnyDepth;
    // Tries on parts shorter than the views' first cut cost little and do not count,
    // up to a few.
    for (int attempt = 0, tries = 0; attempt < kPrefixAttempts && tries < 2 * kPrefixAttempts; ++tries) {
        const qsizetype cut = prefix.cutAt(bytes, depth);
        if (cut >= kFirstPrefixBytes)
            ++attempt;
        // Cutting off little of the page gains little.
        if (cut < 0 || cut > markup.size() / 4 * 3)
            return false;
        if (!engine)
            engine = newEngine(&styles);
        render(*engine, markup.left(cut), quirks);
        if (!engine->document)
            return false;
        const PrefixCheck check = checkPrefix(engine->document->root(), prefix, prefix.endedAt(cut), wanted);
        if (check.result == PrefixCheck::Shows) {
            m_engine = std::move(engine);
            m_complete = false;
            m_laidOutBytes = cut;
            m_exactHeight = check.exactTo;
            m_size = QSize(std::max(m_input.width, m_engine->document->width()),
                           std::max(0, m_engine->document->height()));
            return true;
        }
        if (check.result == PrefixCheck::Unsure) {
            // Next, the first cut where the block that may lay out otherwise has
            // ended.
            if (check.depth < 0)
                return false;
            depth = check.depth;
            bytes = cut + 1;
        } else {
            // Further on: as far again, or as far as the page so far suggests the
            // view needs, whichever is more; counted from where the body begins, so
            // that a long head (a style sheet of its own) does not count as content.
            const int laidOut = std::max(1, engine->document->height());
            const qsizetype from = bodyStart < cut ? bodyStart : 0;
            const qsizetype content = std::max<qsizetype>(cut - from, 1);
            qsizetype next = from + content * 2;
            if (laidOut < wanted)
                next = std::max(next, from + qsizetype(double(content) * wanted / laidOut * 1.25));
            bytes = std::min(next, from + std::max<qsizetype>(content, 1024) * 16);
            depth = MarkupPrefix::kAnyDepth;
        }
        // A fresh engine for the next try (the container's state is the document's).
        engine.reset();
    }
    engine.reset();
    return false;
}

void PageLayout::layOutFrames()
{
    if (m_input.frameDepth >= kDeepestFrameDocument || !m_input.frames)
        return;
    // A frame showing this document or one around it stays empty.
    QStringList around = m_input.enclosing;
    if (m_input.baseUrl.isLocalFile())
        around.append(m_input.baseUrl.toLocalFile());
    for (auto& frame : m_frames) {
        if (frame->path.isEmpty() || frame->rect.isEmpty() || around.contains(frame->path))
            continue;
        const auto found = m_input.frames->constFind(frame->path);
        if (found == m_input.frames->constEnd())
            continue;
        Input input;
        input.markup = *found;
        input.baseUrl = QUrl::fromLocalFile(frame->path);
        input.fonts = m_input.fonts;
        input.width = frame->rect.width();
        input.height = frame->rect.height();
        input.frames = m_input.frames;
        input.frameDepth = m_input.frameDepth + 1;
        input.enclosing = around;
        input.missingPicture = m_input.missingPicture;
        input.sourceDocument = frame->path; // the frame shows that document (translated)
        input.shownHeight = m_input.shownHeight > 0 ? frame->rect.height() : 0;
        input.firstCut = m_input.firstCut;
        input.mostMarkup = m_input.mostMarkup;
        frame->layout = std::make_unique<PageLayout>(std::move(input));
    }
}

QSize PageLayout::size() const
{
    return m_size;
}

int PageLayout::estimatedHeight() const
{
    if (m_complete || m_laidOutBytes <= 0)
        return m_size.height();
    const double whole = double(m_size.height()) * double(m_markupBytes) / double(m_laidOutBytes);
    return int(std::min(whole, 1e9));
}

void PageLayout::paint(QPainter& painter, const QRect& area, const QPoint& scroll) const
{
    if (area.isEmpty())
        return;
    painter.save();
    painter.setClipRect(area, Qt::IntersectClip);
    painter.fillRect(area, Qt::white);
    if (m_frameset) {
        // The borders between frames as browsers draw them: grey, lit on the
        // side before and shaded black on the side after.
        for (const QRect& gap : m_gaps) {
            const QRect at = gap.translated(-scroll);
            painter.fillRect(at, QColor(0xd0, 0xd0, 0xd0));
            if (std::min(at.width(), at.height()) < 3)
                continue;
            if (at.height() < at.width()) {
                painter.fillRect(QRect(at.left(), at.top(), at.width(), 1), QColor(0xaa, 0xaa, 0xaa));
                painter.fillRect(QRect(at.left(), at.bottom(), at.width(), 1), Qt::black);
            } else {
                painter.fillRect(QRect(at.left(), at.top(), 1, at.height()), QColor(0xaa, 0xaa, 0xaa));
                painter.fillRect(QRect(at.right(), at.top(), 1, at.height()), Qt::black);
            }
        }
        for (const auto& frame : m_frames) {
            const QRect shown = frame->rect.translated(-scroll) & area;
            // A frame a browser could not load shows its error page, light grey.
            if (frame->unavailable && !shown.isEmpty())
                painter.fillRect(shown, QColor(0xdd, 0xdd, 0xdd));
            if (!frame->layout || shown.isEmpty())
                continue;
            frame->layout->paint(painter, shown, scroll - frame->rect.topLeft());
        }
    } else if (m_engine && m_engine->document) {
        // Blocks wholly above or below what is painted are passed over (marked as
        // skipped, as the engine marks what it does not show, for this paint only).
        const int top = scroll.y() + area.top() - kPaintSlack;
        const int bottom = scroll.y() + area.bottom() + kPaintSlack;
        std::vector<std::pair<litehtml::element*, bool>> passedOver;
        for (const PaintedBlock& block : m_engine->blocks) {
            if (block.bottom < top || block.top > bottom) {
                passedOver.emplace_back(block.element, block.element->skip());
                block.element->skip(true);
            }
        }
        m_engine->container->setPainter(&painter);
        const litehtml::position clip(area.x(), area.y(), area.width(), area.height());
        m_engine->document->draw(reinterpret_cast<litehtml::uint_ptr>(&painter), -scroll.x(), -scroll.y(), &clip);
        m_engine->container->setPainter(nullptr);
        for (const auto& [element, skipped] : passedOver)
            element->skip(skipped);
    }
    painter.restore();
}

QStringList PageLayout::filesRead() const
{
    QStringList files;
    if (m_engine && m_engine->container)
        files = m_engine->container->filesRead();
    for (const auto& frame : m_frames) {
        if (frame->path.isEmpty())
            continue;
        if (!files.contains(frame->path))
            files.append(frame->path);
        if (frame->layout) {
            for (const QString& file : frame->layout->filesRead()) {
                if (!files.contains(file))
                    files.append(file);
            }
        }
    }
    return files;
}

QString PageLayout::plainText() const
{
    if (m_frameset) {
        QStringList texts;
        for (const auto& frame : m_frames) {
            if (frame->layout)
                texts << frame->layout->plainText();
        }
        return texts.join(QLatin1Char('\n'));
    }
    if (!m_engine || !m_engine->document)
        return QString();
    std::string text;
    collectText(m_engine->document->root(), text, 0);
    return QString::fromUtf8(text);
}

QStringList PageLayout::framesOf(const QByteArray& markup, const QUrl& baseUrl)
{
    QStringList paths;
    const std::optional<FramesetLayout::Node> frameset = FramesetLayout::parse(markup);
    if (!frameset)
        return paths;
    std::vector<FramesetLayout::Frame> frames;
    std::vector<QRect> gaps;
    // Placing the frames in any area lists them all.
    FramesetLayout::place(*frameset, QRect(0, 0, 1000, 1000), frames, gaps);
    for (const FramesetLayout::Frame& frame : frames) {
        const QString path = frameDocumentPath(frame.src, baseUrl);
        if (!path.isEmpty() && !paths.contains(path))
            paths.append(path);
    }
    return paths;
}

} // namespace zv
