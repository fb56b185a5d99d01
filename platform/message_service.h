#pragma once
// The one seam through which every message box and every modal dialog of the
// program is shown. In the program the default service shows real QMessageBoxes and
// runs QDialog::exec(); tests install a ScriptedMessages that answers from a queue
// and records what was shown, so no test ever waits on a modal loop.
#include <QString>

class QDialog;
class QWidget;

namespace zv {

enum class Buttons { Ok, OkCancel, YesNoCancel };
enum class Answer { Ok, Cancel, Yes, No };

class MessageService {
public:
    virtual ~MessageService() = default;
    // A message box owned by `owner` (may be null). An empty caption means the
    // application's title, as a plain message box shows.
    virtual Answer ask(QWidget* owner, const QString& caption, const QString& text,
                       Buttons buttons) = 0;
    // Runs a dialog modally; answers QDialog::Accepted or QDialog::Rejected (or the
    // dialog's own result code).
    virtual int execDialog(QDialog* dialog) = 0;
};

// The service in force. Never null: without an installed one, the real one.
MessageService& messages();
// Installs `service` (not owned); null restores the real one. Answers the previous one.
MessageService* setMessageService(MessageService* service);

// A plain message box with an OK button and the application's title.
void showMessage(const QString& text, QWidget* owner = nullptr);
// A question; answers which button was pressed (closing the box counts as Cancel).
Answer askQuestion(QWidget* owner, const QString& caption, const QString& text, Buttons buttons);
// Runs a dialog modally through the seam.
int execModal(QDialog* dialog);

} // namespace zv
