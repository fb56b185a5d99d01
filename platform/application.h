#pragma once
// The program's application object. An exception that escapes an event handler
// (the table engine's open and rebuild, a folder that cannot be entered during a
// walk, a document that cannot be opened during a search) is caught here and shown
// in a plain message box; the program goes on running.
#include <QApplication>

namespace zv {

class Application : public QApplication {
    Q_OBJECT
public:
    Application(int& argc, char** argv);
    bool notify(QObject* receiver, QEvent* event) override;
};

// The application's title, the caption of plain message boxes.
void setApplicationTitle(const QString& title);
QString applicationTitle();

// Shows the message of an exception that reached the top level of a command.
void reportTopLevelError(const std::exception& e);

} // namespace zv
