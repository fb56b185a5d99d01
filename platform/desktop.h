#pragma once
// The desktop's services as the program uses them: the beep, opening a document
// with its default application, the help contents, and placing windows.
#include <QString>

class QWidget;

namespace zv {

void beep();
// Opens a local file with the desktop's default application. Answers false when no
// application could be started.
bool openWithDefaultApplication(const QString& path);
// The help is the HTML page "Zorvane.html" in the home folder; it opens in the
// default browser. A missing page gives a plain message naming the file.
// Answers the help page's path, whether or not it was opened.
QString showHelpContents(const QString& homeFolder, QWidget* owner = nullptr);

// Moves a window so that it stands in the middle of the screen it is on (the
// desktop's usual place for a dialog is the middle of its parent instead).
void centreOnScreen(QWidget* window);

// Replaced in tests so that nothing is launched; records the address instead.
using UrlOpener = bool (*)(const QString& url);
UrlOpener setUrlOpener(UrlOpener opener);

} // namespace zv
