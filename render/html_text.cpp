#include "render/html_text.h"

#include "platform/text_decoding.h"

namespace zv {

QString decodeHtmlBytes(QByteArrayView bytes)
{
    return decodeDocumentBytes(bytes);
}

} // namespace zv
