#pragma once
// The base of the program's modal dialogs: a bottom panel with "OK", "Cancel" and
// "&Help", a body above it for the subclass's controls, and two hooks:
//
//  - ConnectDependent binds the dialog to the object it works on. A virtual call
//    from this constructor would only reach the base version, so every concrete
//    subclass calls ConnectDependent() itself as the last step of its own
//    constructor, once its controls exist.
//  - LoadFromDependent runs on every showing (before the dialog is seen), then
//    SetFocus. Both run from showEvent; subclasses do not override showEvent.
//
// Every showing places the dialog in the middle of the screen.
//
// The dialog lives for the whole run and is only shown and hidden, so every control
// keeps its state between showings. Show it with zv::execModal.
#include <QDialog>

class QHBoxLayout;
class QPushButton;
class QShowEvent;
class QVBoxLayout;
class QWidget;

namespace zv {

class TfrmDDialog : public QDialog {
    Q_OBJECT
public:
    explicit TfrmDDialog(QWidget* parent = nullptr);

    // Binds the dialog to its dependent; called once, from the concrete subclass's
    // constructor.
    virtual void ConnectDependent() = 0;
    // Refreshes controls from the dependent; called on every showing.
    virtual void LoadFromDependent() = 0;
    // Makes the dialog's preferred control active after LoadFromDependent. The base
    // version makes none active.
    virtual void SetFocus() { }

    QWidget* Panel2;       // bottom button panel
    QPushButton* OKBtn;    // "OK", default button
    QPushButton* CancelBtn; // "Cancel", also Esc
    QPushButton* HelpBtn;  // "&Help", no action in the base

protected:
    // Where subclasses put their controls: the area above Panel2.
    QWidget* body() const { return m_body; }
    // The row of Panel2; subclasses may add controls to it (before the buttons).
    QHBoxLayout* buttonRow() const { return m_buttonRow; }

    void showEvent(QShowEvent* event) override;

private:
    QWidget* m_body;
    QHBoxLayout* m_buttonRow;
};

} // namespace zv
