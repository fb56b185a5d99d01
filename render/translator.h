#pragma once
// An HTML view that rewrites the markup of a local file while it reads it. Every
// element and text run arrives through the element event and is written into
// Output, changed where the four hooks say so; a subclass supplies the rules. The
// owner sets ScaleDivisor and CutOffBytes, calls LoadDocument and then
// SaveTranslation, which writes the rewritten copy a visible view then shows.
//
// Texts are the document's bytes. Text runs wait in Pending and reach Output only
// when a tag arrives; what is still pending at the end of the document is dropped.
// A run outside pre is written with CR LF after it; inside pre it is written as it
// is, since its line breaks are its own.
#include "render/byte_buffer.h"
#include "render/render_context.h"
#include "render/thtml.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QList>
#include <QString>
#include <string>

namespace zv {

class Translator : public THTML {
    Q_OBJECT
public:
    explicit Translator(QWidget* parent = nullptr, RenderContext context = {});

    // The stand-in for pictures that cannot be decoded: "_NoImage.gif" in the home
    // folder of the render context.
    QString missingPicture() const override;

    RenderContext& renderContext() { return m_context; }
    const RenderContext& renderContext() const { return m_context; }
    void setRenderContext(RenderContext context) { m_context = std::move(context); }

    // Stores n; below 1 stores 1.
    void SetScaleDivisor(int n);
    int scaleDivisor() const { return ScaleDivisor; }

    // Reads and translates one local file, letting window messages run until the
    // retrieval has ended. True when the retrieval ran (also when it was cut off);
    // false for a path holding ";", a missing file ("File doesn't exist: '...'" is
    // shown), or a request while this translator is already loading.
    bool LoadDocument(const QString& path, bool translateOnly);
    // Writes Output as text lines with CR LF ends to the cache folder under
    // `fileName`, replacing a file of that name; a failed write leaves any earlier
    // file whole, shows a message naming the file and the reason and answers false.
    virtual bool SaveTranslation(const QString& fileName);

    // The translated markup of the last load.
    QByteArray translation() const { return Output.toByteArray(); }
    bool busy() const { return Busy; }

    // Element names the rules know, in their fixed order; position 0 ("bad") also
    // stands for every name not in the list.
    static const QList<QByteArray>& tagTable();
    // Position of `name` in the tag table, ignoring letter case; 0 when absent.
    static int tagIndexOf(QByteArrayView name);

    // Output as text lines with CR LF ends (what SaveTranslation writes).
    static QByteArray crlfLines(QByteArrayView text);

    // Written directly by the owner before a load; 0 means no limit.
    int CutOffBytes = 0;

protected:
    void BeginRetrieval() override;
    void DoNewElement(HtmlElement& element) override;
    void EndRetrieval() override;

    // The four hooks; they do nothing here. They read the current element and
    // attribute and append to the six override texts, which are emptied before
    // every call.
    virtual void TextHook() {}
    virtual void StartTagHook() {}
    virtual void EndTagHook() {}
    virtual void AttributeHook() {}

    // Positions of the element names the rules test.
    struct Tags {
        int bang, body, frame, frameset, img, link, meta, pre, title;
    };
    static const Tags& tags();

    // The current element.
    QByteArrayView ElemType;
    bool EndTag = false;
    HtmlAttributes Attrs;
    QByteArrayView Text;
    int TagIndex = 0;
    int AttrCount = 0;
    // The current attribute: its name in upper case, its value as written and the
    // value's leading integer read the way atoi reads it.
    ByteBuffer AttrName;
    QByteArrayView AttrValue;
    int AttrNumber = 0;

    ByteBuffer Pending;
    ByteBuffer Output;

    QByteArray Prefix;
    QByteArray Suffix;
    QByteArray Replacement;
    QByteArray AttrReplacement;
    QByteArray AttrNameOverride;
    QByteArray AttrValueOverride;

    // 0 start tag, 1 text run, 2 end tag, 3 text run inside pre.
    int M_Mode = 0;
    bool InPre = false;
    int BytesSoFar = 0;
    int ScaleDivisor = 1;

    QString DocumentPath;
    bool TranslateOnly = false;
    bool Busy = false;
    bool Retrieving = false;
    bool Stopped = false;

private:
    unsigned m_elementTick = 0;
    void write(QByteArrayView s);
    void clearOverrides();
    void step(void (Translator::*hook)(), void (Translator::*byDefault)());
    void flushPending() { write({}); }
    void writeStartTag();
    void writeEndTag();
    void writeAttribute();

    RenderContext m_context;
};

} // namespace zv
