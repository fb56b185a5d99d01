#pragma once
// A file list mask such as "*.HTM*" or "*.GIF;*.JPG": wildcard patterns separated by
// ";", matched against a file name without regard to letter case. "*" stands for
// any run of characters and "?" for one; "*.*" matches every name.
#include <QList>
#include <QRegularExpression>
#include <QString>

namespace zv {

class FileMask {
public:
    explicit FileMask(const QString& mask = QStringLiteral("*.*"));

    QString text() const { return m_text; }
    bool matches(const QString& fileName) const;

    // Whether `fileName` matches the one wildcard pattern `pattern`, without regard
    // to letter case: "*" any run of characters, "?" any one, every other character
    // (";", "[", "]" included) stands for itself.
    static bool matchesPattern(QStringView pattern, QStringView fileName);

private:
    QString m_text;
    QList<QRegularExpression> m_patterns;
    bool m_all = false;
};

} // namespace zv
