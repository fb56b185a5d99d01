#include "platform/application.h"

#include "platform/message_service.h"

#include <exception>

namespace zv {

Application::Application(int& argc, char** argv)
    : QApplication(argc, argv)
{
}

bool Application::notify(QObject* receiver, QEvent* event)
{
    try {
        return QApplication::notify(receiver, event);
    } catch (const std::exception& e) {
        reportTopLevelError(e);
    } catch (...) {
        showMessage(QStringLiteral("Unknown error."));
    }
    return false;
}

namespace {
QString& titleStore()
{
    static QString title;
    return title;
}
} // namespace

void setApplicationTitle(const QString& title)
{
    titleStore() = title;
}

QString applicationTitle()
{
    return titleStore().isEmpty() ? QCoreApplication::applicationName() : titleStore();
}

void reportTopLevelError(const std::exception& e)
{
    showMessage(QString::fromUtf8(e.what()));
}

} // namespace zv
