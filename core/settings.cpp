#include "core/settings.h"

namespace zv {

QStringList documentExtensionsFromMask(const QString& mask)
{
    QString text;
    text.reserve(mask.size());
    for (const QChar c : mask) {
        if (c == QLatin1Char('*'))
            continue;
        text += c == QLatin1Char(';') ? QLatin1Char(',') : c.toUpper();
    }
    QStringList list = text.split(QLatin1Char(','));
    if (list.contains(QStringLiteral(".HTM"), Qt::CaseInsensitive))
        list << QStringLiteral(".HTML");
    return list;
}

} // namespace zv
