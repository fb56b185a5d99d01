// Arbitrary bytes as an HTML document. The tokenizer must give the same tokens
// whether the bytes arrive whole or in pieces, with source ranges that stay inside
// the input and follow each other; the thumbnail translator must read the document
// to its end (or its cut-off) and write a translation; a small document is also
// laid out by a view with some elements disabled. The layout engine (gumbo and
// litehtml behind PageLayout) lays the bytes out as a page at a width the input
// chooses (now and then as the translation of the file the bytes are in), as the
// document of two frames of a frameset page, and the style sheet mending reads
// them as a style sheet, a style attribute and a media list; the encoding they
// declare is found and applied. The places where a long page may be cut are looked
// for in the bytes (read as markup and as a style sheet), and now and then the
// bytes followed by 64 KB of paragraphs are laid out as far as a view of 200 pixels
// shows them, beside the whole page.
#include "platform/message_service.h"
#include "render/declared_charset.h"
#include "render/markup_prefix.h"
#include "render/page_layout.h"
#include "render/style_sheet_fixes.h"
#include "render/thtml.h"
#include "render/tr_nail.h"

#include <QApplication>
#include <QFile>
#include <QImage>
#include <QPainter>
#include <QTemporaryDir>

#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

using namespace zv;

namespace {

void check(bool condition)
{
    if (!condition)
        std::abort();
}

class QuietMessages final : public MessageService {
public:
    Answer ask(QWidget*, const QString&, const QString&, Buttons) override { return Answer::Ok; }
    int execDialog(QDialog*) override { return 0; }
};

struct Harness {
    int argc = 1;
    char name[8] = "fuzz";
    char* argv[2] = {name, nullptr};
    QApplication* app;
    QuietMessages messages;
    QTemporaryDir dir;
    TRNail* nail;
    THTML* view;

    Harness()
    {
        qputenv("QT_QPA_PLATFORM", "offscreen");
        app = new QApplication(argc, argv);
        setMessageService(&messages);
        RenderContext context;
        context.homeFolder = dir.path();
        context.cacheFolder = dir.path();
        context.scaleGraphics = [] { return true; };
        nail = new TRNail(nullptr, context);
        nail->SetScaleDivisor(3);
        view = new THTML;
        view->resize(200, 200);
        view->setDeferRetrieval(false);
        QObject::connect(view, &THTML::OnDoNewElement, view, [](HtmlElement& e) {
            if (e.ElemType.size() % 3 == 1)
                e.EnableDefault = false;
        });
    }
};

Harness& harness()
{
    static Harness* h = new Harness;
    return *h;
}

std::vector<std::string> tokens(QByteArrayView input, size_t piece)
{
    HtmlTokenizer tok;
    std::vector<std::string> out;
    qint64 lastEnd = 0;
    auto drain = [&] {
        for (;;) {
            const auto t = tok.next();
            if (t.type == HtmlTokenizer::TokenType::NeedInput)
                return;
            check(t.sourceBegin >= lastEnd && t.sourceEnd >= t.sourceBegin
                  && t.sourceEnd <= input.size());
            lastEnd = t.sourceEnd;
            std::string s(1, char('0' + int(t.type)));
            s.append(t.name.data(), size_t(t.name.size()));
            s += '|';
            s.append(t.text.data(), size_t(t.text.size()));
            for (const auto& a : t.attributes) {
                s += '|';
                s.append(a.name.data(), size_t(a.name.size()));
                s += '=';
                s.append(a.value.data(), size_t(a.value.size()));
            }
            out.push_back(std::move(s));
            if (t.type == HtmlTokenizer::TokenType::EndOfInput)
                return;
        }
    };
    if (piece == 0) {
        tok.push(input);
    } else {
        for (qsizetype at = 0; at < input.size(); at += qsizetype(piece)) {
            tok.push(input.sliced(at, qMin<qsizetype>(qsizetype(piece), input.size() - at)));
            drain();
        }
    }
    tok.finish();
    drain();
    check(!out.empty() && out.back()[0] == char('0' + int(HtmlTokenizer::TokenType::EndOfInput)));
    return out;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    Harness& h = harness();
    const QByteArrayView input(reinterpret_cast<const char*>(data), qsizetype(size));
    const auto whole = tokens(input, 0);
    const size_t piece = size ? 1 + data[0] % 7 : 1;
    check(tokens(input, piece) == whole);

    const QString path = h.dir.filePath(QStringLiteral("page.htm"));
    {
        QFile out(path);
        if (!out.open(QIODevice::WriteOnly | QIODevice::Truncate))
            return 0;
        out.write(input.data(), input.size());
    }
    h.nail->CutOffBytes = size > 1 && data[1] % 4 == 0 ? int(size / 2) : 0;
    check(h.nail->LoadDocument(path, true));
    check(!h.nail->busy());

    if (size < 4096) {
        h.view->requestDocument(QUrl::fromLocalFile(path).toString());
        while (!h.view->layoutFinished())
            QCoreApplication::processEvents();
    }

    if (size < 65536) {
        // The page, laid out and painted in part at a scroll position.
        const QByteArray markup(input.data(), input.size());
        PageLayout::Input page;
        page.markup = markup;
        page.baseUrl = QUrl::fromLocalFile(path);
        page.fonts.body = h.view->Font();
        page.fonts.fixed = h.view->FixedFont();
        page.fonts.headings[0] = h.view->Heading1Font();
        page.width = size > 2 ? 1 + data[2] * 4 : 300;
        page.height = 200;
        // Now and then as the translation of itself: the document type and the
        // declared encoding are then read from the file.
        if (size > 4 && data[4] % 2 == 0)
            page.sourceDocument = path;
        auto frames = std::make_shared<FrameDocuments>();
        frames->insert(h.dir.filePath(QStringLiteral("f.htm")), markup);
        page.frames = frames;
        PageLayout layout(page);
        check(layout.size().width() >= 0 && layout.size().height() >= 0);
        QImage image(120, 90, QImage::Format_RGB32);
        {
            QPainter painter(&image);
            layout.paint(painter, image.rect(), QPoint(0, size > 3 ? data[3] * 8 : 0));
        }
        (void)layout.plainText();
        (void)layout.filesRead();
        page.markup = "<frameset rows=\"40%,*\" border=3><frame src=f.htm><frameset cols=\"*,2*\">"
                      "<frame src=f.htm><frame src=missing.htm></frameset></frameset>";
        PageLayout frameset(page);
        {
            QPainter painter(&image);
            frameset.paint(painter, image.rect());
        }

        // The encoding the bytes declare, and the bytes read in it.
        const QByteArray charset = declaredCharset(input);
        (void)decodeDeclared(input, charset);
        (void)readsAsUtf8(input, charset);
        (void)decodeDeclared(input, size > 5 && data[5] % 2 ? "shift_jis" : "iso-2022-jp");
        // Where the bytes may be cut, read as markup with the bytes as its style sheet.
        MarkupPrefix prefix(markup);
        prefix.addStyleSheet(input);
        qsizetype at = 0;
        for (int n = 0; n < 64; ++n) {
            const qsizetype cut = prefix.cutAt(at, n % 3 ? MarkupPrefix::kAnyDepth : n % 5);
            if (cut < 0)
                break;
            check(cut >= at && cut <= markup.size());
            (void)prefix.endedAt(cut);
            at = cut + 1;
        }
        check(prefix.lift() >= 0);
        (void)prefix.chosenByFollowers(input.first(std::min<qsizetype>(size, 8)), input, input);
        (void)MarkupPrefix::upwardMove(input);
        if (size < 4096 && size > 0 && data[0] % 8 == 0) {
            // A long page: the bytes, then paragraphs; laid out as far as shown and
            // whole, both painted.
            PageLayout::Input longPage = page;
            longPage.frames.reset();
            longPage.markup = markup;
            for (int i = 0; longPage.markup.size() < PageLayout::kLeastCutMarkup + 4096; ++i)
                longPage.markup += "<p>paragraph " + QByteArray::number(i) + " of words</p>\n";
            longPage.shownHeight = 200;
            // Now and then as the thumbnailer lays pages out: cut sooner, and from
            // no more than a part of the markup where the top cannot be cut alone.
            if (size > 2 && data[2] % 2) {
                longPage.firstCut = 2048;
                longPage.mostMarkup = 16 * 1024 + data[2] * 64;
            }
            PageLayout part(longPage);
            check(part.exactHeight() >= 0 && part.laidOutBytes() >= 0);
            check(part.complete() || part.exactHeight() >= 200 || longPage.mostMarkup > 0);
            (void)part.estimatedHeight();
            QPainter painter(&image);
            part.paint(painter, image.rect(), QPoint(0, size > 3 ? data[3] : 0));
        }

        // The same bytes as style sheet text.
        StyleSheetFixes::Screen screen;
        screen.width = page.width;
        StyleSheetFixes fixes(screen);
        fixes.collectVariables(input);
        (void)fixes.fixStyleSheet(input);
        (void)fixes.fixDeclarations(input);
        (void)fixes.mediaMatches(input);
        (void)fixes.importedAddresses(input);
    }
    return 0;
}
