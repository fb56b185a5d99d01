#include "platform/desktop.h"

#include "platform/file_paths.h"
#include "platform/message_service.h"

#include <QApplication>
#include <QDesktopServices>
#include <QFileInfo>
#include <QScreen>
#include <QUrl>
#include <QWidget>

namespace zv {
namespace {
bool desktopOpen(const QString& url)
{
    return QDesktopServices::openUrl(QUrl(url));
}
UrlOpener g_opener = &desktopOpen;
} // namespace

UrlOpener setUrlOpener(UrlOpener opener)
{
    UrlOpener previous = g_opener;
    g_opener = opener ? opener : &desktopOpen;
    return previous;
}

void centreOnScreen(QWidget* window)
{
    QScreen* screen = window->screen() ? window->screen() : QGuiApplication::primaryScreen();
    if (!screen)
        return;
    // A window's position is that of its frame; before its first showing the frame
    // is not known yet and the window itself is centred.
    const QSize frame = window->frameGeometry().size();
    window->move(screen->availableGeometry().center() - QPoint(frame.width() / 2, frame.height() / 2));
}

void beep()
{
    QApplication::beep();
}

bool openWithDefaultApplication(const QString& path)
{
    return g_opener(fileUrl(path));
}

QString showHelpContents(const QString& homeFolder, QWidget* owner)
{
    const QString page = joinPath(homeFolder, QStringLiteral("Zorvane.html"));
    if (!QFileInfo(page).isFile()) {
        showMessage(QStringLiteral("Cannot find the help file '%1'.").arg(page), owner);
        return page;
    }
    if (!g_opener(fileUrl(page)))
        showMessage(QStringLiteral("Cannot open the help file '%1'.").arg(page), owner);
    return page;
}

} // namespace zv
