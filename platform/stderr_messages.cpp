#include "platform/stderr_messages.h"

#include <QDialog>
#include <cstdio>

namespace zv {

Answer StderrMessages::ask(QWidget*, const QString&, const QString& text, Buttons buttons)
{
    std::fprintf(stderr, "%s\n", qPrintable(text));
    return buttons == Buttons::Ok ? Answer::Ok : Answer::Cancel;
}

int StderrMessages::execDialog(QDialog*)
{
    return QDialog::Rejected;
}

} // namespace zv
