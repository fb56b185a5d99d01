#include "cache/address_utils.h"

#include "platform/message_service.h"

namespace zv {

QString SiteOf(const QString& address)
{
    const qsizetype length = address.size();
    if (length < 9) {
        showMessage(QStringLiteral("Error chopping URL: (") + address + QStringLiteral(")"));
        return address;
    }
    // 0-based indexes 8 .. length - 2 are positions 9 .. length - 1.
    for (qsizetype i = 8; i <= length - 2; ++i) {
        if (address.at(i) == QLatin1Char('/'))
            return address.left(i + 1);
    }
    return address;
}

QString LastSegmentOf(const QString& address)
{
    if (address.isEmpty())
        return QString();
    QString text = address;
    if (text.endsWith(QLatin1Char('/')))
        text.chop(1);
    // Scan from the end down to position 2 (index 1); position 1 is not examined.
    for (qsizetype i = text.size() - 1; i >= 1; --i) {
        if (text.at(i) == QLatin1Char('/'))
            return text.mid(i + 1);
    }
    return text;
}

bool SplitAddress(const QString& address, QStringList& list)
{
    const QString site = SiteOf(address);
    const QString last = LastSegmentOf(address);
    const qsizetype count = address.size() - site.size() - last.size();
    QString middle;
    if (count > 0) {
        // Position length(site), 1-based, is index length(site) - 1.
        const qsizetype start = site.isEmpty() ? 0 : site.size() - 1;
        middle = address.mid(start, count);
    }
    list.append(site);
    list.append(middle);
    list.append(last);
    return true;
}

QString RightString(const QString& text, int n)
{
    if (n <= 0)
        return QString();
    return text.right(n);
}

} // namespace zv
