#include "render/translator.h"

#include "platform/file_paths.h"
#include "platform/message_pump.h"
#include "platform/message_service.h"

#include <QFileInfo>
#include <QSaveFile>

#include <climits>
#include <cstring>
#include <string_view>
#include <unordered_map>

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

struct TagLookup {
    QList<QByteArray> list;
    std::unordered_map<std::string_view, int> index;

    TagLookup()
    {
        list = QByteArray(kTagList).split(',');
        for (int i = 0; i < list.size(); ++i)
            index.emplace(std::string_view(list[i].constData(), size_t(list[i].size())), i);
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

const QList<QByteArray>& Translator::tagTable()
{
    return tagLookup().list;
}

int Translator::tagIndexOf(QByteArrayView name)
{
    if (name.isEmpty() || name.size() > kLongestTag)
        return 0;
    char lower[kLongestTag];
    for (qsizetype i = 0; i < name.size(); ++i) {
        const char c = name[i];
        lower[i] = (c >= 'A' && c <= 'Z') ? char(c + ('a' - 'A')) : c;
    }
    const auto& index = tagLookup().index;
    const auto it = index.find(std::string_view(lower, size_t(name.size())));
    return it == index.end() ? 0 : it->second;
}

const Translator::Tags& Translator::tags()
{
    static const Tags t{tagIndexOf("!"),     tagIndexOf("body"), tagIndexOf("frame"),
                        tagIndexOf("frameset"), tagIndexOf("img"), tagIndexOf("meta"),
                        tagIndexOf("pre"),   tagIndexOf("title")};
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
    if (!QFileInfo(path).isFile()) {
        showMessage(QStringLiteral("File doesn't exist: '") + path + QLatin1Char('\''), window());
        Busy = false;
        return false;
    }
    TranslateOnly = translateOnly;
    Stopped = false;
    Retrieving = true;
    InPre = false;
    BytesSoFar = 0;

    setElemNotification(true);
    if (QWidget* parent = parentWidget()) {
        parent->setVisible(true);
        setVisible(true);
    }
    setDeferRetrieval(translateOnly);
    requestDocument(fileUrl(path));

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
    Pending.resize(0);
    Output.resize(0);
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
        Output.append(Pending);
        Pending.resize(0);
    } else {
        Output.append(s);
    }
}

void Translator::clearOverrides()
{
    Prefix.resize(0);
    Suffix.resize(0);
    Replacement.resize(0);
    AttrReplacement.resize(0);
    AttrNameOverride.resize(0);
    AttrValueOverride.resize(0);
}

void Translator::DoNewElement(HtmlElement& element)
{
    element.EnableDefault = !TranslateOnly;
    pumpMessages();
    if (Stopped)
        return;
    BytesSoFar = int(qMin<qsizetype>(Output.size() + Pending.size(), INT_MAX));
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
            Pending.append("\r\n");
        }
        break;
    case 3:
        Pending.resize(0);
        Pending.append(Text);
        Pending.append("\r\n");
        break;
    case 0:
        if (!Pending.isEmpty())
            step(&Translator::TextHook, &Translator::flushPending);
        step(&Translator::StartTagHook, &Translator::writeStartTag);
        break;
    case 2:
        if (!Pending.isEmpty())
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
        Pending.resize(0);
        write(Replacement);
    } else {
        (this->*byDefault)();
    }
    if (!Suffix.isEmpty())
        write(Suffix);
}

void Translator::writeEndTag()
{
    Output.append("</");
    Output.append(ElemType);
    Output.append('>');
}

void Translator::writeStartTag()
{
    Output.append('<');
    Output.append(ElemType);
    if (AttrCount > 0)
        Output += ' ';
    for (int i = 1; i <= AttrCount; ++i) {
        const HtmlTokenizer::Attribute& item = Attrs.Item(i);
        AttrName.resize(item.name.size());
        char* name = AttrName.data();
        for (qsizetype k = 0; k < item.name.size(); ++k)
            name[k] = upper(item.name[k]);
        AttrValue = item.value;
        AttrNumber = leadingInteger(AttrValue);
        clearOverrides();
        AttributeHook();
        if (!AttrReplacement.isEmpty()) {
            if (AttrReplacement == kDropMarker)
                AttrReplacement.resize(0);
            Pending.resize(0);
            write(AttrReplacement);
        } else {
            writeAttribute();
        }
    }
    Output += '>';
}

void Translator::writeAttribute()
{
    Output.append(AttrNameOverride.isEmpty() ? AttrName : AttrNameOverride);
    Output.append("=\"");
    Output.append(Prefix);
    const QByteArrayView value = AttrValueOverride.isEmpty() ? AttrValue : AttrValueOverride;
    // A double quote inside the value would end the quoted value early.
    if (value.indexOf('"') < 0) {
        Output.append(value);
    } else {
        for (char c : value) {
            if (c == '"')
                Output += "&quot;";
            else
                Output += c;
        }
    }
    Output += Suffix;
    Output += "\" ";
}

QByteArray Translator::crlfLines(const QByteArray& text)
{
    QByteArray out;
    out.reserve(text.size() + text.size() / 32 + 2);
    const char* p = text.constData();
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
        const QByteArray lines = crlfLines(Output);
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
