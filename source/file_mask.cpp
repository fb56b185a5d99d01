#include "source/file_mask.h"

namespace zv {
namespace {

// "*" any run of characters (a "/" included: names are matched, not paths), "?"
// any one character, everything else literal.
QRegularExpression wildcardPattern(const QString& wildcard)
{
    QString re;
    for (const QChar c : wildcard) {
        if (c == QLatin1Char('*'))
            re += QLatin1String(".*");
        else if (c == QLatin1Char('?'))
            re += QLatin1Char('.');
        else
            re += QRegularExpression::escape(QString(c));
    }
    return QRegularExpression(QRegularExpression::anchoredPattern(re),
                              QRegularExpression::CaseInsensitiveOption
                                  | QRegularExpression::DotMatchesEverythingOption);
}

} // namespace

FileMask::FileMask(const QString& mask)
    : m_text(mask)
{
    const QStringList parts = mask.split(QLatin1Char(';'), Qt::SkipEmptyParts);
    for (QString part : parts) {
        part = part.trimmed();
        if (part.isEmpty())
            continue;
        if (part == QLatin1String("*.*") || part == QLatin1String("*")) {
            m_all = true;
            continue;
        }
        m_patterns << wildcardPattern(part);
    }
}

bool FileMask::matchesPattern(QStringView pattern, QStringView fileName)
{
    auto same = [](QChar a, QChar b) { return a == b || a.toCaseFolded() == b.toCaseFolded(); };
    // Greedy matching that backs up to the last "*" on a mismatch: linear in the
    // common cases, never exponential.
    qsizetype p = 0;
    qsizetype n = 0;
    qsizetype starAt = -1; // position after the last "*" seen
    qsizetype starName = 0; // where the name stood when that "*" was met
    while (n < fileName.size()) {
        if (p < pattern.size() && pattern[p] == QLatin1Char('*')) {
            starAt = ++p;
            starName = n;
        } else if (p < pattern.size() && (pattern[p] == QLatin1Char('?') || same(pattern[p], fileName[n]))) {
            ++p;
            ++n;
        } else if (starAt >= 0) {
            p = starAt;
            n = ++starName;
        } else {
            return false;
        }
    }
    while (p < pattern.size() && pattern[p] == QLatin1Char('*'))
        ++p;
    return p == pattern.size();
}

bool FileMask::matches(const QString& fileName) const
{
    if (m_all)
        return true;
    for (const QRegularExpression& re : m_patterns) {
        if (re.match(fileName).hasMatch())
            return true;
    }
    return false;
}

} // namespace zv
