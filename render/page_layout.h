#pragma once
// One page laid out by the layout engine, ready to paint: the seam between the
// HTML view (a widget: scrolling, input, when to lay out) and the engine (litehtml,
// driven through PageContainer, which knows nothing of widgets).
//
// A PageLayout is made from everything a layout needs, given at once: the markup
// as read (UTF-8 when valid, Windows-1252 otherwise), the document's address (the
// base of relative addresses), the view's fonts, the width to lay out at and the
// height of the view, and the documents of the frames a frameset page shows. The
// constructor does the whole work (parsing, style sheets, layout) and touches no
// widget and no shared state but a cache of parsed default style sheets, so pages
// can be laid out on worker threads; afterwards the object is read-only apart
// from what painting caches, and is painted, asked and destroyed on one thread at
// a time (which may be another thread than the one that made it).
//
// Nothing is fetched from the network and no script runs. Markup the engine cannot
// take is cut down first (see guardMarkup in page_layout.cpp and docs/platform.md).
//
// A long page whose view shows only its top (Input::shownHeight) is laid out only
// as far as needed to show that part exactly as the whole page shows it, where its
// markup allows (markup_prefix.h); complete() tells whether all of it was.
//
// A frameset page shows its frames side by side as a browser lays them out; each
// frame is a PageLayout of its own, made from the markup `frames` holds for the
// frame's document (by local path; a frame whose document is not a local file
// shows nothing, light grey, as a browser shows a frame it could not load).
// framesOf() tells a caller which documents a page's frames need.
#include "render/default_style_sheet.h"

#include <QByteArray>
#include <QHash>
#include <QRect>
#include <QSet>
#include <QSize>
#include <QString>
#include <QStringList>
#include <QUrl>

#include <memory>

class QPainter;

namespace zv {

class PageContainer;

// Markup for the documents of frames, by local path.
using FrameDocuments = QHash<QString, QByteArray>;

class PageLayout {
public:
    struct Input {
        QByteArray markup;
        QUrl baseUrl;
        ViewFonts fonts;
        int width = 0;
        int height = 0;
        std::shared_ptr<const FrameDocuments> frames;
        int frameDepth = 0; // documents of frames around this one
        QStringList enclosing; // their local paths: a frame showing one stays empty
        QString missingPicture; // shown for an IMG whose picture cannot be decoded
        // The document the markup is the translation of; empty when the markup is
        // the document. A translation keeps no document type ("<!>"): the mode a
        // browser lays the page out in (quirks or not) is read from the source.
        QString sourceDocument;
        // How far down from the top the page is shown: a long page is laid out
        // only as far as needed to show that much exactly as the whole page shows
        // it (see markup_prefix.h). 0 lays out the whole page.
        int shownHeight = 0;
        // Bytes of markup a layout of the page reached that height with before.
        qsizetype prefixHint = 0;
        // Where the first cut of a long page is tried (0: kFirstPrefixBytes); markup
        // shorter than twice this is laid out whole. A view that shows a little of
        // many pages once (the desktop thumbnailer) cuts sooner than a view a user
        // scrolls.
        qsizetype firstCut = 0;
        // At most this much markup is laid out (0: no limit) of a page whose top
        // cannot be laid out alone: one of several megabytes held in one table,
        // say, is laid out from its first rows, which costs a fraction of the
        // time and memory, and shows the top as the whole page does but for
        // details (a table's columns are sized by all its rows). For a picture
        // of a page's top made once (the desktop thumbnailer), never for a view.
        qsizetype mostMarkup = 0;
    };

    explicit PageLayout(Input input);
    ~PageLayout();
    PageLayout(const PageLayout&) = delete;
    PageLayout& operator=(const PageLayout&) = delete;

    // The laid-out page's size: at least the width it was laid out at, and as
    // high as its content (a frameset page: the view's size).
    QSize size() const;
    // Whether the whole markup was laid out, not only its first part.
    bool complete() const { return m_complete; }
    // How far down the layout is that of the whole page: the laid-out height when
    // complete, otherwise at least the shown height asked for.
    int exactHeight() const { return m_exactHeight; }
    // The height the whole page would have, as far as can be told from the part
    // laid out (its height in proportion to the markup it took).
    int estimatedHeight() const;
    // The bytes of the markup (as the engine takes it) the layout took.
    qsizetype laidOutBytes() const { return m_laidOutBytes; }
    int width() const { return m_input.width; }
    int height() const { return m_input.height; }
    bool isFrameset() const;

    // Paints the part of the page at `scroll` + `area` into `area` of the painter;
    // the page's own background is under the content, white where it has none.
    void paint(QPainter& painter, const QRect& area, const QPoint& scroll = QPoint()) const;

    // The local files the page read or looked for (pictures, style sheets, the
    // documents of frames and what they read), without repeats.
    QStringList filesRead() const;
    // The page's text as shown: blocks on lines of their own, hidden elements left
    // out; frames one after another.
    QString plainText() const;

    // The local paths of the documents the frames of a frameset page show (its
    // own frames, not those of the documents they show); empty for other pages.
    static QStringList framesOf(const QByteArray& markup, const QUrl& baseUrl);
    // How deep documents of frames are followed.
    static constexpr int kDeepestFrameDocument = 8;
    // Pages whose markup is shorter are laid out whole (twice the first cut).
    static constexpr qsizetype kLeastCutMarkup = 64 * 1024;

private:
    struct Engine;
    struct FrameView;
    // What the style sheets of the page give every layout of it.
    struct PageStyles {
        bool named = false; // the names below were gathered
        QSet<QByteArray> tags, classes, ids;
        QList<QByteArray> sheets; // texts of the STYLE elements and linked style sheets
        QStringList files; // the linked style sheets read
    };
    static constexpr qsizetype kFirstPrefixBytes = 32 * 1024;
    // Blocks this far outside what is painted are still painted (list markers and
    // the like reach a little past their box).
    static constexpr int kPaintSlack = 16;
    static constexpr int kPrefixAttempts = 3;

    void layOutDocument();
    // Lays out the first part of the markup that shows the page down to the shown
    // height as the whole would; false when none does (`engine` may be taken for it).
    bool layOutPrefix(const QByteArray& markup, const PageStyles& styles, bool quirks,
                      std::unique_ptr<Engine>& engine);
    std::unique_ptr<Engine> newEngine(const PageStyles* styles = nullptr) const;
    static PageStyles gatherStyles(const QByteArray& markup, PageContainer& container);
    static void applyStyles(PageContainer& container, const PageStyles& styles);
    void render(Engine& engine, const QByteArray& markup, bool quirks) const;
    void layOutFrames();

    Input m_input;
    std::unique_ptr<Engine> m_engine;
    std::vector<std::unique_ptr<FrameView>> m_frames;
    std::vector<QRect> m_gaps;
    bool m_frameset = false;
    QSize m_size;
    bool m_complete = true;
    int m_exactHeight = 0;
    qsizetype m_laidOutBytes = 0;
    qsizetype m_markupBytes = 0;
};

} // namespace zv
