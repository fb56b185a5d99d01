#include "render/declared_charset.h"

#include "platform/text_decoding.h"
#include "render/html_tokenizer.h"

#include <QStringDecoder>

namespace zv {
namespace {

bool sameName(QByteArrayView a, QByteArrayView lowerLiteral)
{
    return a.compare(lowerLiteral, Qt::CaseInsensitive) == 0;
}

// The value after "charset=" in a content value, unquoted.
QByteArray charsetOfContent(QByteArrayView content)
{
    const QByteArray lower = content.toByteArray().toLower();
    const qsizetype at = lower.indexOf("charset");
    if (at < 0)
        return {};
    qsizetype i = at + 7;
    while (i < lower.size() && (lower[i] == ' ' || lower[i] == '\t'))
        ++i;
    if (i >= lower.size() || lower[i] != '=')
        return {};
    ++i;
    while (i < lower.size() && (lower[i] == ' ' || lower[i] == '\t' || lower[i] == '"' || lower[i] == '\''))
        ++i;
    qsizetype end = i;
    while (end < lower.size() && lower[end] != ';' && lower[end] != ' ' && lower[end] != '"' && lower[end] != '\''
           && lower[end] != '\t')
        ++end;
    return content.sliced(i, end - i).toByteArray().trimmed();
}

// The encodings the program's own rule already reads: UTF-8 and Windows-1252
// (ISO-8859-1 and ASCII are read as Windows-1252 by browsers too).
bool readByDefault(const QByteArray& lower)
{
    static const char* const names[] = {"utf-8", "utf8", "unicode-1-1-utf-8", "us-ascii", "ascii", "iso-8859-1",
                                        "iso8859-1", "latin1", "l1", "windows-1252", "cp1252", "x-cp1252",
                                        "iso_8859-1", "cp819", "ibm819"};
    for (const char* name : names) {
        if (lower == name)
            return true;
    }
    // UTF-16 cannot be declared inside the document it encodes.
    return lower.startsWith("utf-16");
}

} // namespace

QByteArray declaredCharset(QByteArrayView head)
{
    HtmlTokenizer tokenizer;
    tokenizer.push(head.first(std::min<qsizetype>(head.size(), 1024)));
    tokenizer.finish();
    for (auto t = tokenizer.next(); t.type != HtmlTokenizer::TokenType::EndOfInput; t = tokenizer.next()) {
        if (t.type == HtmlTokenizer::TokenType::NeedInput)
            break;
        if (t.type != HtmlTokenizer::TokenType::StartTag || !sameName(t.name, "meta"))
            continue;
        QByteArrayView content;
        bool contentType = false;
        for (const HtmlTokenizer::Attribute& a : t.attributes) {
            if (sameName(a.name, "charset")) {
                const QByteArray value = a.value.toByteArray().trimmed();
                if (!value.isEmpty() && value.size() <= 40)
                    return value;
            } else if (sameName(a.name, "content")) {
                content = a.value;
            } else if (sameName(a.name, "http-equiv")) {
                contentType = sameName(a.value.trimmed(), "content-type");
            }
        }
        if (contentType) {
            const QByteArray value = charsetOfContent(content);
            if (!value.isEmpty() && value.size() <= 40)
                return value;
        }
    }
    return {};
}

namespace {

// Whether the declared encoding takes over from the program's own rule.
bool declaredApplies(QByteArrayView bytes, const QByteArray& lower)
{
    if (lower.isEmpty() || readByDefault(lower))
        return false;
    const bool sevenBit = lower.startsWith("iso-2022") || lower.startsWith("csiso2022");
    return sevenBit ? bytes.contains('\x1b') : !bytes.isValidUtf8();
}

} // namespace

bool readsAsUtf8(QByteArrayView bytes, QByteArrayView charset)
{
    return bytes.isValidUtf8() && !declaredApplies(bytes, charset.toByteArray().trimmed().toLower());
}

QString decodeDeclared(QByteArrayView bytes, QByteArrayView charset)
{
    const QByteArray lower = charset.toByteArray().trimmed().toLower();
    if (!declaredApplies(bytes, lower))
        return decodeDocumentBytes(bytes);
    QStringDecoder decoder(lower.constData());
    if (!decoder.isValid())
        return decodeDocumentBytes(bytes);
    QString text = decoder.decode(bytes);
    if (decoder.hasError())
        text = decodeDocumentBytes(bytes);
    return text;
}

} // namespace zv
