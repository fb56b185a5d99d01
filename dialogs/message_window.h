#pragma once
// A notice of a few lines in a read-only box with an "OK" button. The caller fills
// it with BeginMessage and AddMessageLine, then shows it modally; the text stays as
// last filled until the next BeginMessage.
#include <QDialog>
#include <QStringList>

class QPushButton;
class QTextEdit;

namespace zv {

class TfrmMessage : public QDialog {
    Q_OBJECT
public:
    explicit TfrmMessage(QWidget* parent = nullptr);

    // Caption := title; the text becomes the one line `firstLine`.
    void BeginMessage(const QString& title, const QString& firstLine);
    // Appends one line.
    void AddMessageLine(const QString& line);

    QStringList lines() const { return m_lines; }

    QWidget* Panel2;
    QTextEdit* RichEdit1; // read-only, aqua
    QWidget* Panel1;
    QPushButton* Button1; // "OK"

protected:
    // Every showing places the window in the middle of the screen.
    void showEvent(QShowEvent* event) override;

private:
    QStringList m_lines;
};

} // namespace zv
