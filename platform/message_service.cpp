#include "platform/message_service.h"

#include "platform/application.h"
#include "platform/desktop.h"

#include <QApplication>
#include <QDialog>
#include <QMessageBox>
#include <QShowEvent>

namespace zv {
namespace {

// A message box stands in the middle of the screen, like the program's own notices:
// its owner may not be shown yet (the start-up question comes before the main
// window) or may fill the screen.
class ScreenCentredBox final : public QMessageBox {
public:
    using QMessageBox::QMessageBox;

protected:
    void showEvent(QShowEvent* event) override
    {
        QMessageBox::showEvent(event);
        if (!event->spontaneous())
            centreOnScreen(this);
    }
};

class QtMessageService final : public MessageService {
public:
    Answer ask(QWidget* owner, const QString& caption, const QString& text,
               Buttons buttons) override
    {
        ScreenCentredBox box(owner);
        box.setWindowTitle(caption.isEmpty() ? applicationTitle() : caption);
        box.setText(text);
        switch (buttons) {
        case Buttons::Ok:
            box.setIcon(QMessageBox::NoIcon);
            box.setStandardButtons(QMessageBox::Ok);
            break;
        case Buttons::OkCancel:
            box.setIcon(QMessageBox::Question);
            box.setStandardButtons(QMessageBox::Ok | QMessageBox::Cancel);
            box.setEscapeButton(QMessageBox::Cancel);
            break;
        case Buttons::YesNoCancel:
            box.setIcon(QMessageBox::Question);
            box.setStandardButtons(QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
            box.setEscapeButton(QMessageBox::Cancel);
            break;
        }
        switch (box.exec()) {
        case QMessageBox::Ok: return Answer::Ok;
        case QMessageBox::Yes: return Answer::Yes;
        case QMessageBox::No: return Answer::No;
        default: return buttons == Buttons::Ok ? Answer::Ok : Answer::Cancel;
        }
    }

    int execDialog(QDialog* dialog) override { return dialog->exec(); }
};

QtMessageService g_realService;
MessageService* g_service = nullptr;

} // namespace

MessageService& messages()
{
    return g_service ? *g_service : g_realService;
}

MessageService* setMessageService(MessageService* service)
{
    MessageService* previous = g_service;
    g_service = service;
    return previous;
}

void showMessage(const QString& text, QWidget* owner)
{
    messages().ask(owner, QString(), text, Buttons::Ok);
}

Answer askQuestion(QWidget* owner, const QString& caption, const QString& text, Buttons buttons)
{
    return messages().ask(owner, caption, text, buttons);
}

int execModal(QDialog* dialog)
{
    return messages().execDialog(dialog);
}

} // namespace zv
