#include "thumbnailer/page_miniature.h"

#include "app/page_renderer.h"
#include "platform/install_locations.h"

#include <QTemporaryDir>

namespace zv {

namespace {
// The top of the page as a browser window 800 pixels wide shows it.
const QSize kPage(800, 1000);
} // namespace

QImage pageMiniature(const QString& documentPath, int size, QString* error)
{
    // The translated copy goes to a scratch folder that goes with this call.
    QTemporaryDir scratch;
    if (!scratch.isValid()) {
        *error = QStringLiteral("cannot make a scratch folder: ") + scratch.errorString();
        return QImage();
    }
    RenderContext context;
    context.homeFolder = defaultHomeFolder();
    context.cacheFolder = scratch.path();
    PageRenderer renderer(context, kPage);
    const QImage page = renderer.render(documentPath, error);
    if (page.isNull())
        return page;
    return page.scaled(kPage.scaled(size, size, Qt::KeepAspectRatio), Qt::IgnoreAspectRatio,
                       Qt::SmoothTransformation);
}

} // namespace zv
