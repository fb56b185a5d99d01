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

void reportTopLevelError(const std::exception& e)
{
    showMessage(QString::fromUtf8(e.what()));
}

} // namespace zv
