#include "core/lenient_number.h"

#include <limits>

namespace zv {

int parseLenientInt(const QString& text)
{
    qsizetype i = 0;
    const qsizetype n = text.size();
    while (i < n && (text.at(i) == QLatin1Char(' ') || text.at(i) == QLatin1Char('\t')
                     || text.at(i) == QLatin1Char('\n') || text.at(i) == QLatin1Char('\r')
                     || text.at(i) == QLatin1Char('\v') || text.at(i) == QLatin1Char('\f')))
        ++i;
    bool negative = false;
    if (i < n && (text.at(i) == QLatin1Char('+') || text.at(i) == QLatin1Char('-'))) {
        negative = text.at(i) == QLatin1Char('-');
        ++i;
    }
    long long value = 0;
    const long long limit = static_cast<long long>(std::numeric_limits<int>::max()) + 1;
    while (i < n && text.at(i) >= QLatin1Char('0') && text.at(i) <= QLatin1Char('9')) {
        value = value * 10 + (text.at(i).unicode() - '0');
        if (value > limit)
            value = limit;
        ++i;
    }
    if (negative)
        value = -value;
    if (value > std::numeric_limits<int>::max())
        value = std::numeric_limits<int>::max();
    return static_cast<int>(value);
}

} // namespace zv
