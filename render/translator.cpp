#include "render/translator.h"

#include "platform/file_paths.h"
#include "platform/message_pump.h"
#include "platform/message_service.h"
#include "render/picture_file.h"

#include <QCoreApplication>
#include <QSaveFile>

#include <array>
#include <climits>
#include <cstring>

namespace zv {
namespace {

// The known element names. Some neighbours run together ("basefontbdo",
// "citecode", "nextidnobr", "tbodytd"); the rules never name those, so the list
// keeps its 105 entries as they are.
constexpr char kTagList[] =
    "bad,!,a,abbrev,acronym,address,app,applet,area,au,b,banner,base,basefontbdo,bgsound,big,"
    "blink,blockquote,body,bq,br,caption,center,citecode,col,colgroup,credit,dd,del,dfn,dir,div,"
    "dl,dt,em,embed,fn,figfont,form,frame,frameset,h1,h2,h3,h4,h5,h6,head,hp,hr,href,html,i,img,"
    "input,ins,isindex,kbd,lang,lh,li,link,listing,map,marquee,menu,meta,nextidnobr,noembed,"
    "noframes,note,ol,option,overlay,p,param,person,plaintext,pre,q,s,samp,script,select,small,"
    "span,strike,strong,sub,sup,tab,table,tbodytd,textarea,tfoot,th,thead,title,tr,tt,u,ul,var,"
    "wbr,xmp";

constexpr qsizetype kLongestTag = 16;

// The tag table with an open-addressing index over the lower-case names; the
// first of two equal names keeps its position.
struct TagLookup {
    static constexpr unsigned kSlots = 512;
    struct Slot {
        char name[kLongestTag]; // lower case, padded with zero bytes
        short position = -1; // -1 marks a free slot
    };
    QList<QByteArray> list;
    std::array<Slot, kSlots> slots_{};

    static unsigned hashOf(const char* lower, qsizetype n)
    {
        unsigned h = unsigned(n);
        for (qsizetype i = 0; i < n; ++i)
            h = h * 31 + static_cast<unsigned char>(lower[i]);
        return h;
    }

    TagLookup()
    {
        list = QByteArray(kTagList).split(',');
        for (int i = 0; i < list.size(); ++i) {
            char padded[kLongestTag] = {};
            std::memcpy(padded, list[i].constData(), size_t(list[i].size()));
            const unsigned hash = hashOf(padded, list[i].size());
            if (find(padded, hash) >= 0)
                continue;
            unsigned slot = hash & (kSlots - 1);
            while (slots_[slot].position >= 0)
                slot = (slot + 1) & (kSlots - 1);
            std::memcpy(slots_[slot].name, padded, kLongestTag);
            slots_[slot].position = short(i);
        }
    }

    // Position of a lower-case name padded with zero bytes to the longest length,
    // -1 when absent. Names hold no zero byte, so the padding marks the length.
    int find(const char (&padded)[kLongestTag], unsigned hash) const
    {
        for (unsigned slot = hash & (kSlots - 1);; slot = (slot + 1) & (kSlots - 1)) {
            const Slot& s = slots_[slot];
            if (s.position < 0)
                return -1;
            if (std::memcmp(s.name, padded, kLongestTag) == 0)
                return s.position;
        }
    }
};

const TagLookup& tagLookup()
{
    static const TagLookup lookup;
    return lookup;
}

char upper(char c)
{
    return (c >= 'a' && c <= 'z') ? char(c - ('a' - 'A')) : c;
}

// The leading integer of a value as atoi reads it; saturates instead of overflowing.
int leadingInteger(QByteArrayView v)
{
    qsizetype i = 0;
    const qsizetype n = v.size();
    while (i < n && (v[i] == ' ' || (v[i] >= '\t' && v[i] <= '\r')))
        ++i;
    bool negative = false;
    if (i < n && (v[i] == '+' || v[i] == '-')) {
        negative = v[i] == '-';
        ++i;
    }
    long long value = 0;
    for (; i < n && v[i] >= '0' && v[i] <= '9'; ++i) {
        value = value * 10 + (v[i] - '0');
        if (value > INT_MAX)
            return negative ? INT_MIN : INT_MAX;
    }
    return int(negative ? -value : value);
}

const QByteArrayView kDropMarker("!!");

// Whether a value holds a double quote. Values are mostly short: for those a loop
// costs less than the call of a library search.
inline bool containsQuote(QByteArrayView value)
{
    if (value.size() > 32)
        return std::memchr(value.data(), '"', size_t(value.size())) != nullptr;
    for (char c : value) {
        if (c == '"')
            return true;
    }
    return false;
}

} // namespace

Translator::Translator(QWidget* parent, RenderContext context)
    : THTML(parent)
    , m_context(std::move(context))
{
    setBlocking(true);
    setRetainSource(false);
    setElemNotification(true);
    ScaleDivisor = 1;
    tagLookup();
}

QString Translator::missingPicture() const
{
    return missingPicturePath(m_context.homeFolder);
}

const QList<QByteArray>& Translator::tagTable()
{
    return tagLookup().list;
}

int Translator::tagIndexOf(QByteArrayView name)
{
    const qsizetype n = name.size();
    if (n == 0 || n >= kLongestTag)
        return 0;
    char lower[kLongestTag] = {};
    unsigned hash = unsigned(n);
    for (qsizetype i = 0; i < n; ++i) {
        char c = name[i];
        if (c == 0)
            return 0; // no known name holds a zero byte
        c = (c >= 'A' && c <= 'Z') ? char(c + ('a' - 'A')) : c;
        lower[i] = c;
        hash = hash * 31 + static_cast<unsigned char>(c);
    }
    const int position = tagLookup().find(lower, hash);
    return position < 0 ? 0 : position;
}

const Translator::Tags& Translator::tags()
{
    static const Tags t{tagIndexOf("!"),        tagIndexOf("body"), tagIndexOf("frame"),
                        tagIndexOf("frameset"), tagIndexOf("img"),  tagIndexOf("link"),
                        tagIndexOf("meta"),     tagIndexOf("pre"),  tagIndexOf("title")};
    return t;
}

void Translator::SetScaleDivisor(int n)
{
    ScaleDivisor = n < 1 ? 1 : n;
}

bool Translator::LoadDocument(const QString& path, bool translateOnly)
{
    // One load at a time: a request from inside this load's own message pumping
    // could never wait for it to end.
    if (Busy)
        return false;
    Busy = true;
    DocumentPath = path;
    if (path.contains(QLatin1Char(';'))) {
        Busy = false;
        return false;
    }
    // Read here, with the check that it is a file: the open tells both, and a
    // build loads documents one after another.
    QByteArray bytes;
    bool regular = false;
    readDocumentFile(path, bytes, &regular);
    if (!regular && !isRegularFile(path)) { // a file that cannot be opened still exists
        showMessage(QStringLiteral("File doesn't exist: '") + path + QLatin1Char('\''), window());
        Busy = false;
        return false;
    }
    TranslateOnly = translateOnly;
    Stopped = false;
    Retrieving = true;
    InPre = false;
    BytesSoFar = 0;

    // The view reads a document whether it is shown or not: the load leaves the
    // visibility of the view and of its window to their owners.
    setElemNotification(true);
    setDeferRetrieval(translateOnly);
    requestDocument(fileUrl(path), bytes);
    bytes = QByteArray();
    // The retrieval is posted to this view: it runs now, and other messages get
    // their chance at the pump's own spacing rather than once per document.
    QCoreApplication::sendPostedEvents(this, QEvent::MetaCall);
    pumpMessages();

    while (Retrieving) {
        pumpMessagesNow();
        if (Stopped) {
            setDeferRetrieval(true);
            pumpMessagesNow();
            cancel(QStringLiteral("Abort"));
            pumpMessagesNow();
            for (int i = 0; i < 10001 && Retrieving; ++i) {
                pumpMessagesNow();
                cancel(QStringLiteral("Abort2"));
            }
            break;
        }
        // Nothing left that could end the retrieval (the view was made to read
        // something else from outside): stop waiting rather than hang.
        if (Retrieving && !retrieving() && !requestPending())
            break;
    }
    setDeferRetrieval(true);
    Stopped = false;
    Busy = false;
    return true;
}

void Translator::BeginRetrieval()
{
    Retrieving = true;
    Pending.clear();
    Output.clear();
    // The translation is about as long as the document: grow once, not by steps.
    Output.reserve(size_t(qBound<qint64>(0, bytesToRead() + 1024, qint64(64) << 20)));
    BytesSoFar = 0;
    if (bytesToRead() == 0)
        Stopped = true;
}

void Translator::EndRetrieval()
{
    Retrieving = false;
}

void Translator::write(QByteArrayView s)
{
    if (s.isEmpty()) {
        Output += Pending;
        Pending.clear();
    } else {
        Output.append(s);
    }
}

void Translator::clearOverrides()
{
    // Runs for every element and attribute, and hooks seldom write the texts:
    // look at each before calling out to empty it.
    auto empty = [](QByteArray& text) {
        if (!text.isEmpty())
            text.resize(0);
    };
    empty(Prefix);
    empty(Suffix);
    empty(Replacement);
    empty(AttrReplacement);
    empty(AttrNameOverride);
    empty(AttrValueOverride);
}

void Translator::DoNewElement(HtmlElement& element)
{
    element.EnableDefault = !TranslateOnly;
    // Messages get their chance every 16th element: elements take well under a
    // microsecond each, so a click still waits no longer than the pump's own
    // spacing, and the clock is not read for every element.
    if ((++m_elementTick & 15) == 0)
        pumpMessages();
    if (Stopped)
        return;
    BytesSoFar = int(qMin<size_t>(Output.size() + Pending.size(), INT_MAX));
    if (CutOffBytes > 0 && BytesSoFar >= CutOffBytes) {
        BytesSoFar = CutOffBytes;
        Stopped = true;
        Output += Pending;
        write(QByteArray("<HR><H2>*** Cut off by Preferences at: (") + QByteArray::number(CutOffBytes)
              + " bytes.) ***</H2>");
        // The rest of the document is not wanted: end the retrieval after this
        // element instead of reading on to the end.
        setDeferRetrieval(true);
        cancel(QStringLiteral("Abort"));
        return;
    }

    ElemType = element.ElemType;
    EndTag = element.EndTag;
    Attrs = element.Attrs;
    Text = element.text;
    TagIndex = tagIndexOf(ElemType);
    AttrCount = Attrs.Count();

    if (!ElemType.isEmpty()) {
        M_Mode = EndTag ? 2 : 0;
        if (TagIndex == tags().pre)
            InPre = !EndTag;
    } else {
        M_Mode = InPre ? 3 : 1;
    }

    switch (M_Mode) {
    case 1:
        if (!Text.isEmpty()) {
            Pending.append(Text);
            Pending += "\r\n";
        }
        break;
    case 3:
        // Inside pre the text carries its own line breaks: a CR LF after each run
        // would put every token of a code block that a tag interrupts on a line of
        // its own. Pieces of one text that arrive with no tag between them all stay.
        Pending.append(Text);
        break;
    case 0:
        if (!Pending.empty())
            step(&Translator::TextHook, &Translator::flushPending);
        step(&Translator::StartTagHook, &Translator::writeStartTag);
        break;
    case 2:
        if (!Pending.empty())
            step(&Translator::TextHook, &Translator::flushPending);
        step(&Translator::EndTagHook, &Translator::writeEndTag);
        break;
    default:
        write("[ERROR]");
        showMessage(QStringLiteral("ERROR: Bad M_Mode switch"), window());
        break;
    }
}

void Translator::step(void (Translator::*hook)(), void (Translator::*byDefault)())
{
    clearOverrides();
    (this->*hook)();
    if (!Prefix.isEmpty())
        write(Prefix);
    if (!Replacement.isEmpty()) {
        if (Replacement == kDropMarker)
            Replacement.resize(0);
        Pending.clear();
        write(Replacement);
    } else {
        (this->*byDefault)();
    }
    if (!Suffix.isEmpty())
        write(Suffix);
}

void Translator::writeEndTag()
{
    Output += "</";
    Output.append(ElemType);
    Output += '>';
}

void Translator::writeStartTag()
{
    Output += '<';
    Output.append(ElemType);
    if (AttrCount > 0)
        Output += ' ';
    for (int i = 1; i <= AttrCount; ++i) {
        const HtmlTokenizer::Attribute& item = Attrs.Item(i);
        AttrName.clear();
        char* name = AttrName.extend(size_t(item.name.size()));
        for (qsizetype k = 0; k < item.name.size(); ++k)
            name[k] = upper(item.name[k]);
        AttrValue = item.value;
        AttrNumber = leadingInteger(AttrValue);
        clearOverrides();
        AttributeHook();
        if (!AttrReplacement.isEmpty()) {
            if (AttrReplacement == kDropMarker)
                AttrReplacement.resize(0);
            Pending.clear();
            write(AttrReplacement);
        } else {
            writeAttribute();
        }
    }
    Output += '>';
}

void Translator::writeAttribute()
{
    if (AttrNameOverride.isEmpty())
        Output += AttrName;
    else
        Output.append(AttrNameOverride);
    Output += "=\"";
    Output.append(Prefix);
    const QByteArrayView value = AttrValueOverride.isEmpty() ? AttrValue : AttrValueOverride;
    // A double quote inside the value would end the quoted value early.
    if (!containsQuote(value)) {
        Output.append(value);
    } else {
        for (char c : value) {
            if (c == '"')
                Output += "&quot;";
            else
                Output += c;
        }
    }
    Output.append(Suffix);
    Output += "\" ";
}

QByteArray Translator::crlfLines(QByteArrayView text)
{
    QByteArray out;
    out.reserve(text.size() + text.size() / 32 + 2);
    const char* p = text.data();
    const qsizetype n = text.size();
    qsizetype from = 0;
    for (qsizetype i = 0; i < n; ++i) {
        if (p[i] != '\r' && p[i] != '\n')
            continue;
        out.append(p + from, i - from);
        out += "\r\n";
        if (p[i] == '\r' && i + 1 < n && p[i + 1] == '\n')
            ++i;
        from = i + 1;
    }
    if (from < n) {
        out.append(p + from, n - from);
        out += "\r\n";
    }
    return out;
}

bool Translator::SaveTranslation(const QString& fileName)
{
    const QString path = joinPath(m_context.cacheFolder, fileName);
    // Written beside the target and renamed into place, so a failed write never
    // leaves a partial translation under the real name.
    QSaveFile file(path);
    QString reason;
    if (!file.open(QIODevice::WriteOnly)) {
        reason = file.errorString();
    } else {
        const QByteArray lines = crlfLines(QByteArrayView(Output.data(), qsizetype(Output.size())));
        if (file.write(lines) != lines.size() || !file.commit())
            reason = file.errorString();
    }
    if (reason.isEmpty())
        return true;
    showMessage(QStringLiteral("Could not save the translation '") + path + QStringLiteral("': ")
                    + reason,
                window());
    return false;
}

} // namespace zv
