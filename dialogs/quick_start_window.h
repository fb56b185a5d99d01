#pragma once
// "Quick Start": the short instructions shown once at every start-up. No buttons;
// the user closes it with the window's close box.
#include <QDialog>
#include <QStringList>

class QTextEdit;

namespace zv {

class TfrmQuickStart : public QDialog {
    Q_OBJECT
public:
    explicit TfrmQuickStart(QWidget* parent = nullptr);

    QTextEdit* RichEdit1; // read-only, aqua

    // The instructions, one entry per line.
    static QStringList instructionLines();

protected:
    // Every showing places the window in the middle of the screen.
    void showEvent(QShowEvent* event) override;
};

} // namespace zv
