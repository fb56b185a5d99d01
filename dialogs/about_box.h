#pragma once
// "About": the program's picture, name, version, maker and credits, with a default
// "OK" button.
#include <QDialog>
#include <QPixmap>

class QLabel;
class QPlainTextEdit;
class QPushButton;
class QFrame;

namespace zv {

class TAboutBox : public QDialog {
    Q_OBJECT
public:
    explicit TAboutBox(QWidget* parent = nullptr);

    QFrame* Panel1;            // the picture
    QLabel* ProgramIcon;
    QFrame* Panel2;            // lowered panel with the texts
    QLabel* ProductName;
    QLabel* Version;
    QLabel* Copyright;
    QLabel* Comments;
    QLabel* Label1;
    QPlainTextEdit* Memo1;     // credits, disabled
    QPushButton* OKButton;

    // The program's picture: a small grid of page thumbnails.
    static QPixmap picture(const QSize& size);
};

} // namespace zv
