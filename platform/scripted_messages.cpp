#include "platform/scripted_messages.h"

#include <QDialog>
#include <QStringList>

namespace zv {

ScriptedMessages::ScriptedMessages()
    : m_previous(setMessageService(this))
{
}

ScriptedMessages::~ScriptedMessages()
{
    setMessageService(m_previous);
}

QStringList ScriptedMessages::texts() const
{
    QStringList out;
    for (const ShownMessage& m : m_shown)
        out << m.text;
    return out;
}

void ScriptedMessages::clear()
{
    m_shown.clear();
    m_dialogsShown.clear();
}

Answer ScriptedMessages::ask(QWidget* owner, const QString& caption, const QString& text,
                             Buttons buttons)
{
    m_shown.push_back({caption, text, buttons, owner});
    if (buttons == Buttons::Ok)
        return Answer::Ok;
    if (m_answers.empty())
        return m_defaultQuestion;
    Answer a = m_answers.front();
    m_answers.pop_front();
    return a;
}

int ScriptedMessages::execDialog(QDialog* dialog)
{
    m_dialogsShown.push_back(dialog);
    int result = QDialog::Rejected;
    // A dialog's show handling (refreshing its controls) runs as it would on screen.
    dialog->setAttribute(Qt::WA_DontShowOnScreen, true);
    dialog->show();
    if (!m_dialogs.empty()) {
        DialogScript script = std::move(m_dialogs.front());
        m_dialogs.pop_front();
        result = script(dialog);
    }
    dialog->hide();
    dialog->setResult(result);
    return result;
}

} // namespace zv
