#pragma once
// The HTML view control. A document is requested by its file address; the
// retrieval starts from the event loop (the request is posted) and reports, in
// order: the begin event, one element event per start tag, end tag, "!" construct
// and text run of the document, then the end event. A subclass hears the events
// through the virtual handlers, outside listeners through the signals; the handler
// runs first.
//
// A new element is never delivered while an element handler runs, even when the
// handler lets window messages run; between elements the view lets them run now
// and then itself. cancel() ends a retrieval after the current
// element; the end event follows. With DeferRetrieval false the view lays out and
// paints the markup once the last element is through (pictures and style sheets
// only from local files, nothing from the network, no script); then
// layoutFinished() is true.
//
// The layout itself is a PageLayout (page_layout.h): the CSS layout engine behind
// the view, which knows nothing of widgets. A long page is laid out as far down as
// the view shows it (a view without a vertical scroll bar: its top; others a
// screen more than they show), and further as the view is scrolled. The view's fonts become the engine's
// default style sheet. A frameset page shows the documents of its frames; before
// laying such a page out the view asks its frame source for the markup of each
// frame's document (by default the file itself).
#include "render/html_element.h"
#include "render/document_files.h"
#include "render/html_tokenizer.h"

#include <QAbstractScrollArea>
#include <QByteArray>
#include <QFont>
#include <QImage>
#include <QMouseEvent>
#include <QPainter>
#include <QString>
#include <QUrl>
#include <functional>
#include <memory>
#include <utility>
#include <vector>

class QThreadPool;

namespace zv {

class PageLayout;

class THTML : public QAbstractScrollArea {
    Q_OBJECT
public:
    explicit THTML(QWidget* parent = nullptr);
    ~THTML() override;

    // Kept for the callers that set it; every retrieval runs to its end (or its
    // cancel) once it has started.
    bool Blocking() const { return m_blocking; }
    void setBlocking(bool on) { m_blocking = on; }
    // When false, the markup read is let go once the retrieval has ended (and laid
    // out), and sourceText() answers an empty text.
    bool RetainSource() const { return m_retainSource; }
    void setRetainSource(bool on) { m_retainSource = on; }
    // When false, no element events are raised (begin and end events still are).
    bool ElemNotification() const { return m_elemNotification; }
    void setElemNotification(bool on) { m_elemNotification = on; }
    // True: events only, no layout and no pictures. Read when the retrieval ends.
    bool DeferRetrieval() const { return m_deferRetrieval; }
    void setDeferRetrieval(bool on) { m_deferRetrieval = on; }

    // Fonts of the laid-out document: body text, fixed-pitch text (pre, tt, code
    // and the like) and headings h1..h6. setFont hides QWidget::setFont on purpose:
    // the view's font property is the document's body font.
    QFont Font() const { return m_fonts[0]; }
    void setFont(const QFont& font) { setDocumentFont(0, font); }
    QFont FixedFont() const { return m_fonts[1]; }
    void setFixedFont(const QFont& font) { setDocumentFont(1, font); }
    QFont Heading1Font() const { return m_fonts[2]; }
    void setHeading1Font(const QFont& font) { setDocumentFont(2, font); }
    QFont Heading2Font() const { return m_fonts[3]; }
    void setHeading2Font(const QFont& font) { setDocumentFont(3, font); }
    QFont Heading3Font() const { return m_fonts[4]; }
    void setHeading3Font(const QFont& font) { setDocumentFont(4, font); }
    QFont Heading4Font() const { return m_fonts[5]; }
    void setHeading4Font(const QFont& font) { setDocumentFont(5, font); }
    QFont Heading5Font() const { return m_fonts[6]; }
    void setHeading5Font(const QFont& font) { setDocumentFont(6, font); }
    QFont Heading6Font() const { return m_fonts[7]; }
    void setHeading6Font(const QFont& font) { setDocumentFont(7, font); }
    // The style sheet the fonts above give the document.
    QString fontStyleSheet() const;

    // A miniature of the page: with a factor n above 1 the page is laid out at n
    // times the view's width and painted shrunk n times, text, pictures, borders and
    // spacing alike, so the view shows what a view n times its size would show.
    int shrink() const { return m_shrink; }
    void setShrink(int factor);

    // The markup a frame of a frameset page shows for the local document at
    // `path`: by default the file's own markup. Owners that translate documents
    // supply their translation. Called from the event loop before a layout, for
    // every frame document of the page (and of the frame documents, to a depth of
    // PageLayout::kDeepestFrameDocument); it may let window messages run. An empty
    // answer leaves the frame empty.
    using FrameSource = std::function<QByteArray(const QString& path)>;
    void setFrameSource(FrameSource source) { m_frameSource = std::move(source); }
    // The document the view's markup was translated from (empty: the markup is the
    // document itself). A translation writes the document type as "<!>"; the page
    // is laid out in the mode the source's own document type calls for.
    void setSourceDocument(const QString& path) { m_sourceDocument = path; }

    // Requests the document at a "file://" address. The retrieval starts from the
    // event loop. A request while a retrieval runs cancels it and starts afterwards.
    void requestDocument(const QString& url);
    // The same for a document whose bytes the caller has read already: the
    // retrieval takes `source` as the document's contents.
    void requestDocument(const QString& url, const QByteArray& source);
    // Ends the running (or the requested, not yet started) retrieval after the
    // current element. The message text ("Abort", "Abort2") is not shown.
    void cancel(const QString& message);

    // Bytes the requested file holds; 0 for an empty or unreadable file.
    qint64 bytesToRead() const { return m_bytesToRead; }
    // True once the last document requested has been read through (and, unless
    // DeferRetrieval, laid out). Pages are laid out on a worker thread after the
    // end event, so that the window stays responsive while a large one is; the
    // laid-out page is taken over from the event loop.
    bool layoutFinished() const { return m_layoutFinished; }
    // Whether a page is being laid out for the view (also one that only shows more
    // of the page the view has).
    bool layoutUnderWay() const { return m_job != nullptr; }
    // The markup the view holds, as text.
    QString sourceText();
    // Bytes of the document being read (a text run, a value), as text decoded the
    // way the whole document is: UTF-8 when the document is valid UTF-8,
    // Windows-1252 otherwise. Decided once per document, so pieces of one text
    // never read in two encodings. Without a document the bytes decide alone.
    QString documentText(QByteArrayView bytes) const;
    QByteArray sourceBytes();

    bool retrieving() const { return m_running; }
    bool requestPending() const { return m_hasPending; }
    // The threads pages are laid out on (and large laid-out pages taken apart on).
    static QThreadPool* layoutThreads();

    // The laid-out page (null until a document is laid out); waits for a layout
    // under way.
    const PageLayout* document();
    // The laid-out page the view shows now, without waiting (null when none).
    const PageLayout* shownDocument() const { return m_document.get(); }
    QUrl documentUrl() const;

    // Shows `picture`, the view as it was painted earlier for the document at `url`
    // with the same pictureKey(), instead of reading and laying out that document
    // now. The document is read and laid out once something needs it: its text or
    // source, a scroll, another size or other fonts. layoutFinished() is true at once.
    // `source` is the document's markup as read now; the document is laid out from
    // it, so a file replaced meanwhile does not change what the view shows.
    void showPicture(const QImage& picture, const QString& url, const QByteArray& source);
    bool showsPicture() const { return !m_picture.isNull(); }
    // The view as it paints its laid-out document now, in device pixels (a view
    // showing a picture: that picture); null without either.
    QImage paintedPicture() const;
    // What the painted view depends on besides its document and the files that
    // document read: the size it is laid out at, the screen's pixel ratio, the
    // toolkit's version, fonts.
    QString pictureKey() const;
    // The local files (pictures, style sheets, documents of frames) the laid-out
    // document read.
    QStringList filesRead() const;

    // The picture shown in place of one that cannot be decoded ("_NoImage.gif" in
    // the home folder); read at the next layout.
    virtual QString missingPicture() const { return m_missingPicture; }
    void setMissingPicture(const QString& path) { m_missingPicture = path; }

signals:
    void OnBeginRetrieval();
    void OnDoNewElement(zv::HtmlElement& element);
    void OnEndRetrieval();
    // The view was clicked or double-clicked (viewport coordinates).
    void OnMouseDown(QMouseEvent* event);
    void OnDblClick(QMouseEvent* event);

protected:
    // Handlers a subclass extends; they do nothing here.
    virtual void BeginRetrieval() {}
    virtual void DoNewElement(HtmlElement& element) { Q_UNUSED(element); }
    virtual void EndRetrieval() {}

    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void scrollContentsBy(int dx, int dy) override;

private:
    void setDocumentFont(int which, const QFont& font);
    void postStart();
    void runRetrieval();
    void layOut(const QByteArray& markup);
    // Lays out the markup laid out last again, at the view's size now, on a worker
    // thread; `further`: only to show more of it (the page shown stays the view's).
    void layOutAgain(bool further = false);
    // How far down the view needs its page laid out as the whole page would be
    // (a long page is laid out only as far as that: see PageLayout).
    int shownHeight() const;
    // Lays the page out further when the view was scrolled near the end of what
    // was laid out.
    void layOutFurtherIfNeeded();
    struct LayoutJob;
    // Takes over the page a worker has laid out (when it is still wanted).
    void takeLayout(const std::shared_ptr<LayoutJob>& job);
    // Waits for the layout under way, if any, and takes it over.
    void finishLayout();
    // The markup of the frame documents a page shows, as the frame source gives it.
    std::shared_ptr<const QHash<QString, QByteArray>> frameDocuments(const QByteArray& markup);
    // The width and height a document is shown at, and laid out at (the view's
    // size times the shrink factor).
    int layoutWidth() const;
    int layoutHeight() const;
    int pageWidth() const { return layoutWidth() * m_shrink; }
    int pageHeight() const { return layoutHeight() * m_shrink; }
    void paintPage(QPainter& painter, const QRect& area) const;
    // The part of the page the view shows, painted at full size and shrunk into
    // the view's size (in device pixels); kept until the page, the scroll position
    // or the size change.
    const QImage& shrunkPage(const QPoint& offset) const;
    // Reads and lays out the document a shown picture stands for, now.
    void realize();
    // The size of the page the view shows (of a page laid out in part, with the
    // height the whole would have).
    QSize pageSize() const;
    void updateScrollBars();

    bool m_blocking = false;
    bool m_retainSource = true;
    bool m_elemNotification = true;
    bool m_deferRetrieval = false;
    QFont m_fonts[8];

    QString m_pendingUrl;
    bool m_hasPending = false;
    bool m_startPosted = false;
    bool m_cancelPending = false;
    bool m_cancelCurrent = false;
    bool m_running = false;

    QString m_urlText;
    mutable QUrl m_url; // m_urlText parsed, once asked for
    mutable bool m_urlParsed = false;
    QByteArray m_source;
    // Whether m_source is valid UTF-8: -1 not yet known, 0 no, 1 yes.
    mutable int m_sourceIsUtf8 = -1;
    qint64 m_bytesToRead = 0;
    bool m_layoutFinished = false;
    // Byte ranges of the elements whose EnableDefault a handler cleared.
    std::vector<std::pair<qint64, qint64>> m_hidden;
    HtmlTokenizer m_tokenizer;
    std::unique_ptr<PageLayout> m_document;
    std::shared_ptr<LayoutJob> m_job; // the layout under way
    bool m_layoutOwed = false; // m_laidOut waits for the view to have a width
    // While a long page is laid out further: the screen as it was shown, at what
    // scroll position, and the page's size then.
    QImage m_standIn;
    QPoint m_standInScroll;
    QSize m_standInSize;
    QByteArray m_laidOut; // the markup m_document was laid out from
    std::shared_ptr<const QHash<QString, QByteArray>> m_frames; // and its frames' markup
    QString m_sourceDocument;
    FrameSource m_frameSource;
    QImage m_picture;
    QString m_pictureUrl;
    QByteArray m_pictureSource;
    QByteArray m_givenSource;
    bool m_sourceGiven = false; // the next retrieval reads m_givenSource
    QString m_missingPicture;
    int m_shrink = 1;
    mutable QImage m_shrunk;
    mutable QString m_shrunkFor; // what m_shrunk shows: page, scroll position, size
};

} // namespace zv
