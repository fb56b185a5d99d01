#include "dialogs/message_window.h"

#include "platform/desktop.h"

#include <QHBoxLayout>
#include <QPushButton>
#include <QShowEvent>
#include <QTextEdit>
#include <QVBoxLayout>

namespace zv {

TfrmMessage::TfrmMessage(QWidget* parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("frmMessage"));
    setWindowTitle(QStringLiteral(" ")); // no caption of its own until filled

    Panel2 = new QWidget(this);
    Panel2->setObjectName(QStringLiteral("Panel2"));
    RichEdit1 = new QTextEdit(Panel2);
    RichEdit1->setObjectName(QStringLiteral("RichEdit1"));
    RichEdit1->setReadOnly(true);
    RichEdit1->setAcceptRichText(false);
    RichEdit1->setStyleSheet(QStringLiteral("QTextEdit { background-color: aqua; color: black; }"));
    auto* top = new QVBoxLayout(Panel2);
    top->setContentsMargins(0, 0, 0, 0);
    top->addWidget(RichEdit1);

    Panel1 = new QWidget(this);
    Panel1->setObjectName(QStringLiteral("Panel1"));
    Button1 = new QPushButton(tr("OK"), Panel1);
    Button1->setObjectName(QStringLiteral("Button1"));
    Button1->setDefault(true);
    auto* bottom = new QHBoxLayout(Panel1);
    bottom->addStretch(1);
    bottom->addWidget(Button1);
    bottom->addStretch(1);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(Panel2, 1);
    layout->addWidget(Panel1);
    connect(Button1, &QPushButton::clicked, this, &QDialog::accept);
    resize(480, 220);
}

void TfrmMessage::BeginMessage(const QString& title, const QString& firstLine)
{
    setWindowTitle(title);
    m_lines = QStringList{firstLine};
    RichEdit1->setPlainText(firstLine);
}

void TfrmMessage::AddMessageLine(const QString& line)
{
    m_lines << line;
    RichEdit1->setPlainText(m_lines.join(QLatin1Char('\n')));
}

void TfrmMessage::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    if (!event->spontaneous())
        centreOnScreen(this);
}

} // namespace zv
