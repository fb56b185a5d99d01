#include "source/document_text.h"

#include "platform/text_decoding.h"

namespace zv {

QString decodeDocumentText(const QByteArray& bytes)
{
    return decodeDocumentBytes(bytes);
}

QString decodeDocumentLines(const QByteArray& bytes)
{
    QString text = decodeDocumentText(bytes);
    text.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    text.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    return text;
}

} // namespace zv
