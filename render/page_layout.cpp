#include "render/page_layout.h"

#include "render/declared_charset.h"
#include "render/frameset_layout.h"
#include "render/html_text.h"
#include "render/html_tokenizer.h"
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

} // namespace

struct PageLayout::Engine {
    std::unique_ptr<PageContainer> container;
    std::shared_ptr<litehtml::context> context;
    litehtml::document::ptr document;

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
        return;
    }
    layOutDocument();
}

PageLayout::~PageLayout() = default;

bool PageLayout::isFrameset() const
{
    return m_frameset;
}

void PageLayout::layOutDocument()
{
    m_engine = std::make_unique<Engine>();
    m_engine->container = std::make_unique<PageContainer>(m_input.baseUrl, m_input.fonts.body, m_input.width,
                                                          m_input.height);
    PageContainer& container = *m_engine->container;
    container.setMissingPicture(m_input.missingPicture);
    container.setFixedFont(m_input.fonts.fixed);
    const QByteArray head = documentHead(m_input.markup, m_input.sourceDocument);
    const QByteArray markup = guardMarkup(m_input.markup, declaredCharset(head));

    // Custom properties are known before any style sheet reaches the engine: they
    // are gathered from the STYLE elements, the linked style sheets and the ones
    // those import, first.
    // The names the document's elements have are gathered on the way, so that
    // rules that cannot match leave the engine's work.
    QList<QByteArray> sheets;
    QList<std::pair<QString, QString>> linked; // address, base
    if (markup.contains("<style") || markup.contains("<STYLE") || markup.contains("<Style")
        || markup.contains("<link") || markup.contains("<LINK") || markup.contains("<Link")) {
        QSet<QByteArray> tags{"html", "head", "body", "tbody"}, classes, ids;
        HtmlTokenizer tokenizer;
        tokenizer.push(markup);
        tokenizer.finish();
        bool inStyle = false;
        for (auto t = tokenizer.next(); t.type != HtmlTokenizer::TokenType::EndOfInput; t = tokenizer.next()) {
            if (t.type == HtmlTokenizer::TokenType::NeedInput)
                break;
            if (t.type == HtmlTokenizer::TokenType::StartTag) {
                tags.insert(t.name.toByteArray().toLower());
                for (const auto& a : t.attributes) {
                    if (named(a.name, "class")) {
                        for (const QByteArray& name : a.value.toByteArray().toLower().simplified().split(' '))
                            classes.insert(name);
                    } else if (named(a.name, "id")) {
                        ids.insert(a.value.toByteArray().toLower().trimmed());
                    }
                }
            }
            if (t.type == HtmlTokenizer::TokenType::Text) {
                if (inStyle) {
                    sheets.append(t.text.toByteArray());
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
        container.fixes().setDocumentNames(std::move(tags), std::move(classes), std::move(ids));
    }
    QStringList seen;
    for (qsizetype i = 0; i < linked.size() && i < 64; ++i) {
        const QString path = container.localFile(linked[i].first, linked[i].second);
        if (path.isEmpty() || seen.contains(path))
            continue;
        seen.append(path);
        const QByteArray text = container.styleSheetText(path);
        sheets.append(text);
        const QString base = QUrl::fromLocalFile(path).toString();
        for (const QByteArray& address : container.fixes().importedAddresses(text))
            linked.append({QString::fromUtf8(address), base});
    }
    for (const QByteArray& sheet : std::as_const(sheets)) {
        if (sheet.contains("--"))
            container.fixes().collectVariables(sheet);
    }

    const bool quirks = isQuirksMode(head);
    m_engine->context = contextFor(defaultStyleSheet(m_input.fonts, quirks));
    m_engine->document = litehtml::document::createFromUTF8(markup.constData(), &container, m_engine->context.get());
    if (!m_engine->document) {
        m_size = QSize(m_input.width, 0);
        return;
    }
    mendPageTree(m_engine->document->root(), quirks);
    m_engine->document->render(std::max(1, m_input.width));
    m_size = QSize(std::max(m_input.width, m_engine->document->width()), std::max(0, m_engine->document->height()));
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
        frame->layout = std::make_unique<PageLayout>(std::move(input));
    }
}

QSize PageLayout::size() const
{
    return m_size;
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
        m_engine->container->setPainter(&painter);
        const litehtml::position clip(area.x(), area.y(), area.width(), area.height());
        m_engine->document->draw(reinterpret_cast<litehtml::uint_ptr>(&painter), -scroll.x(), -scroll.y(), &clip);
        m_engine->container->setPainter(nullptr);
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
