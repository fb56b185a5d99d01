#pragma once
// A MessageService for tests: answers message boxes and modal dialogs from queues
// the test fills beforehand, and records every box and dialog shown, in order.
// Installed for its lifetime (RAII); the previous service comes back afterwards.
#include "platform/message_service.h"

#include <QString>
#include <deque>
#include <functional>
#include <vector>

namespace zv {

struct ShownMessage {
    QString caption;
    QString text;
    Buttons buttons;
    QWidget* owner;
};

class ScriptedMessages final : public MessageService {
public:
    // Given the dialog, sets its controls as the test wants and answers the result
    // code the modal showing is to end with (QDialog::Accepted or Rejected).
    using DialogScript = std::function<int(QDialog*)>;

    ScriptedMessages();
    ~ScriptedMessages() override;
    ScriptedMessages(const ScriptedMessages&) = delete;
    ScriptedMessages& operator=(const ScriptedMessages&) = delete;

    void queueAnswer(Answer a) { m_answers.push_back(a); }
    void queueDialog(DialogScript script) { m_dialogs.push_back(std::move(script)); }
    // Answers used when the queues are empty: OK boxes answer Ok, questions
    // `defaultQuestionAnswer` (Cancel unless set), dialogs Rejected.
    void setDefaultQuestionAnswer(Answer a) { m_defaultQuestion = a; }

    const std::vector<ShownMessage>& shown() const { return m_shown; }
    const std::vector<QDialog*>& dialogsShown() const { return m_dialogsShown; }
    QStringList texts() const;
    void clear();

    Answer ask(QWidget* owner, const QString& caption, const QString& text,
               Buttons buttons) override;
    int execDialog(QDialog* dialog) override;

private:
    std::deque<Answer> m_answers;
    std::deque<DialogScript> m_dialogs;
    std::vector<ShownMessage> m_shown;
    std::vector<QDialog*> m_dialogsShown;
    Answer m_defaultQuestion = Answer::Cancel;
    MessageService* m_previous = nullptr;
};

} // namespace zv
