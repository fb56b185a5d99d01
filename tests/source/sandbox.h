#pragma once
// A throw-away folder tree for tests, built from relative paths: a path ending in
// "/" is a folder, anything else a file (its folders are made as needed).
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStringList>
#include <QTemporaryDir>

namespace zv::test {

class Sandbox {
public:
    explicit Sandbox(const QStringList& entries = {}) { fill(entries); }

    void fill(const QStringList& entries)
    {
        for (const QString& e : entries) {
            const QString full = path(e);
            if (e.endsWith(QLatin1Char('/'))) {
                QDir().mkpath(full);
                continue;
            }
            QDir().mkpath(QFileInfo(full).path());
            QFile f(full);
            if (f.open(QIODevice::WriteOnly))
                f.write("<html><body>" + e.toUtf8() + "</body></html>\n");
        }
    }

    bool isValid() const { return m_dir.isValid(); }
    // The sandbox's root, without trailing "/".
    QString root() const { return m_dir.path(); }
    QString path(const QString& relative) const
    {
        return relative.isEmpty() ? root() : root() + QLatin1Char('/') + relative;
    }
    // Paths under the root, relative to it.
    QStringList relative(const QStringList& paths) const
    {
        QStringList out;
        for (const QString& p : paths)
            out << (p.startsWith(root() + QLatin1Char('/')) ? p.mid(root().size() + 1) : p);
        return out;
    }

private:
    QTemporaryDir m_dir;
};

} // namespace zv::test
