#pragma once
// The message service of programs without windows (the command-line tools and the
// desktop thumbnailer): every message is printed on standard error and nothing is
// shown; questions are answered Cancel, dialogs are not run.
#include "platform/message_service.h"

namespace zv {

class StderrMessages final : public MessageService {
public:
    Answer ask(QWidget* owner, const QString& caption, const QString& text, Buttons buttons) override;
    int execDialog(QDialog* dialog) override;
};

} // namespace zv
