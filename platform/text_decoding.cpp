#include "platform/text_decoding.h"

namespace zv {

QString decodeWindows1252(QByteArrayView bytes)
{
    QString out(bytes.size(), Qt::Uninitialized);
    char16_t* d = reinterpret_cast<char16_t*>(out.data());
    for (qsizetype i = 0; i < bytes.size(); ++i)
        d[i] = windows1252ToUnicode(static_cast<unsigned char>(bytes[i]));
    return out;
}

QString decodeDocumentBytes(QByteArrayView bytes)
{
    if (bytes.isValidUtf8())
        return QString::fromUtf8(bytes);
    return decodeWindows1252(bytes);
}

} // namespace zv
