#include "dialogs/quick_start_window.h"

#include "platform/desktop.h"

#include <QShowEvent>
#include <QTextEdit>
#include <QVBoxLayout>

namespace zv {

QStringList TfrmQuickStart::instructionLines()
{
    return {
        QStringLiteral("Quick Start Instructions:"),
        QStringLiteral("=================="),
        QString(),
        QStringLiteral("Use the [<<] button to select a folder to scan"),
        QStringLiteral("or just click the [Create Thumbs] button to begin scanning from "),
        QStringLiteral("the folder shown in the Location box."),
        QString(),
        QStringLiteral("(Hint: The Location box contains a drop-down list of the"),
        QStringLiteral(" cache-folders found on the current drive)."),
        QString(),
        QStringLiteral("When the thumbnails appear, right-click on any thumbnail"),
        QStringLiteral("for a popup menu."),
    };
}

TfrmQuickStart::TfrmQuickStart(QWidget* parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("frmQuickStart"));
    setWindowTitle(tr("Quick Start"));
    RichEdit1 = new QTextEdit(this);
    RichEdit1->setObjectName(QStringLiteral("RichEdit1"));
    RichEdit1->setReadOnly(true);
    RichEdit1->setAcceptRichText(false);
    RichEdit1->setStyleSheet(QStringLiteral("QTextEdit { background-color: aqua; color: black; }"));
    RichEdit1->setPlainText(instructionLines().join(QLatin1Char('\n')));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(RichEdit1);
    resize(460, 280);
}

void TfrmQuickStart::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    if (!event->spontaneous())
        centreOnScreen(this);
}

} // namespace zv
