#include "platform/file_paths.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QUrl>

#include <sys/stat.h>

namespace zv {

QString joinPath(const QString& folder, const QString& name)
{
    if (folder.endsWith(QLatin1Char('/')))
        return folder + name;
    return folder + QLatin1Char('/') + name;
}

QString withTrailingSlash(const QString& folder)
{
    QString f = folder;
    while (f.size() > 1 && f.endsWith(QLatin1String("//")))
        f.chop(1);
    return f.endsWith(QLatin1Char('/')) ? f : f + QLatin1Char('/');
}

bool isPlainAbsolutePath(const QString& path)
{
    if (!path.startsWith(QLatin1Char('/')))
        return false;
    for (qsizetype i = 0; i < path.size(); ++i) {
        const char16_t c = path[i].unicode();
        const bool plain = (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z')
                           || (c >= u'0' && c <= u'9') || c == u'/' || c == u'.' || c == u'-'
                           || c == u'_';
        if (!plain)
            return false;
        if (c == u'/' && i + 1 < path.size()) {
            const char16_t next = path[i + 1].unicode();
            if (next == u'/' || next == u'.')
                return false;
        }
    }
    return true;
}

QString fileUrl(const QString& path)
{
    // Documents are loaded by address one after another: plain paths spare the
    // address parser.
    if (isPlainAbsolutePath(path))
        return QStringLiteral("file://") + path;
    return QUrl::fromLocalFile(path).toString();
}

const char* nativePath(const QString& path, std::string& out)
{
    // ASCII paths are copied as they are; others go through Qt's encoding.
    out.resize(size_t(path.size()));
    const auto* in = path.utf16();
    for (qsizetype i = 0; i < path.size(); ++i) {
        if (in[i] >= 0x80) {
            const QByteArray encoded = QFile::encodeName(path);
            out.assign(encoded.constData(), size_t(encoded.size()));
            return out.c_str();
        }
        out[size_t(i)] = static_cast<char>(in[i]);
    }
    return out.c_str();
}

bool isRegularFile(const QString& path)
{
    struct stat st {};
    return !path.isEmpty() && ::stat(QFile::encodeName(path).constData(), &st) == 0
           && S_ISREG(st.st_mode);
}

QString localPathOfUrl(const QString& url)
{
    if (url.startsWith(QLatin1String("file:///"))) {
        const QString path = url.mid(7);
        if (isPlainAbsolutePath(path))
            return path;
    }
    const QUrl parsed(url);
    return parsed.isLocalFile() ? parsed.toLocalFile() : QString();
}

QString fileNameOf(const QString& path)
{
    const qsizetype slash = path.lastIndexOf(QLatin1Char('/'));
    return slash < 0 ? path : path.mid(slash + 1);
}

QString folderOf(const QString& path)
{
    const qsizetype slash = path.lastIndexOf(QLatin1Char('/'));
    if (slash < 0)
        return QString();
    if (slash == 0)
        return QStringLiteral("/");
    return path.left(slash);
}

QString findFileIgnoringCase(const QString& path)
{
    if (path.isEmpty())
        return QString();
    if (QFileInfo::exists(path))
        return path;
    const QString folder = folderOf(path);
    const QString name = fileNameOf(path);
    QDir dir(folder.isEmpty() ? QStringLiteral(".") : folder);
    const QStringList entries = dir.entryList(QDir::Files | QDir::Dirs | QDir::NoDotAndDotDot
                                              | QDir::Hidden | QDir::System);
    for (const QString& e : entries) {
        if (e.compare(name, Qt::CaseInsensitive) == 0)
            return folder.isEmpty() ? e : joinPath(folder, e);
    }
    return QString();
}

} // namespace zv
