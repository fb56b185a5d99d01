#include "render/prebuilt_thumbnail.h"

#include "platform/file_paths.h"
#include "render/translator.h"

#include <QFile>
#include <QFileInfo>
#include <QUrl>

namespace zv {

namespace {
QString baseNameForThumbnail(const QString& documentPath)
{
    const QString name = fileNameOf(documentPath);
    const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
    return dot < 0 ? name : name.left(dot);
}
} // namespace

QString prebuiltThumbnailName(const QString& documentPath, int scalingFactor)
{
    return baseNameForThumbnail(documentPath) + QStringLiteral(".n") + QString::number(scalingFactor);
}

QString prebuiltThumbnailMask(const QString& documentPath)
{
    return baseNameForThumbnail(documentPath) + QStringLiteral(".n*");
}

QString provenanceLine(const QString& documentPath, bool miniature)
{
    const QFileInfo info(documentPath);
    if (!info.exists())
        return QString();
    // The path is percent-encoded so that no "--" or ">" of a file name can end the
    // comment early.
    // A plain tile's line is as it always was, so thumbnails made before miniatures
    // existed stay current.
    return QStringLiteral("<!-- zorvane-source path=%1 size=%2 mtime=%3%4 -->")
        .arg(QString::fromLatin1(QUrl::toPercentEncoding(info.absoluteFilePath(), "/")),
             QString::number(info.size()),
             QString::number(info.lastModified().toMSecsSinceEpoch()),
             miniature ? QStringLiteral(" miniature") : QString());
}

QByteArray prebuiltThumbnailBytes(const QString& documentPath, QByteArrayView translation,
                                  bool miniature)
{
    return provenanceLine(documentPath, miniature).toUtf8() + "\r\n" + Translator::crlfLines(translation);
}

bool prebuiltThumbnailIsCurrent(const QString& thumbnailPath, const QString& documentPath,
                                bool miniature)
{
    QFile file(thumbnailPath);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    const QByteArray first = file.readLine(4096).trimmed();
    const QString expected = provenanceLine(documentPath, miniature);
    return !expected.isEmpty() && QString::fromLatin1(first) == expected;
}

} // namespace zv
