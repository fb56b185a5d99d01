#include "render/view_document.h"

#include "render/picture_file.h"

#include <QImage>

namespace zv {

ViewDocument::ViewDocument(const QString& standInPicture, QObject* parent)
    : QTextDocument(parent)
    , m_standIn(standInPicture)
{
}

void ViewDocument::setMarkup(const QString& html)
{
    m_takingMarkup = true;
    setHtml(html);
    m_takingMarkup = false;
}

QString ViewDocument::localFileOf(const QUrl& base, const QUrl& address)
{
    const QUrl resolved = base.isEmpty() ? address : base.resolved(address);
    if (!resolved.isLocalFile())
        return QString();
    return resolved.toLocalFile();
}

QVariant ViewDocument::loadResource(int type, const QUrl& name)
{
    // Translated pages keep their style sheets' addresses for a layout engine that
    // understands CSS; this one understands too little of it, and a page given its
    // sheets looks less like itself than one without: they are not read here.
    if (type == QTextDocument::StyleSheetResource)
        return QVariant();
    const QString path = localFileOf(baseUrl(), name);
    if (path.isEmpty())
        return QVariant();
    if (!m_filesRead.contains(path))
        m_filesRead.append(path);
    QVariant result;
    if (type == QTextDocument::ImageResource) {
        // The toolkit reads backgrounds while it takes the markup in and pictures
        // when it lays them out: only a picture gets the stand-in.
        const QImage image = m_takingMarkup ? decodePicture(path) : readPicture(path, m_standIn);
        if (!image.isNull())
            result = image;
    }
    // Kept so that layout and painting do not read the file again.
    if (result.isValid())
        addResource(type, name, result);
    return result;
}

} // namespace zv
