#include "dialogs/source_viewer.h"

#include "platform/message_service.h"
#include "source/document_text.h"

#include <QFile>
#include <QFileInfo>
#include <QPlainTextEdit>
#include <QTextCursor>
#include <QVBoxLayout>

namespace zv {

TFormHTSrc::TFormHTSrc(QWidget* parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("FormHTSrc"));
    setWindowTitle(tr("Document Source"));
    setSizeGripEnabled(true);
    Memo1 = new QPlainTextEdit(this);
    Memo1->setObjectName(QStringLiteral("Memo1"));
    Memo1->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    Memo1->setLineWrapMode(QPlainTextEdit::NoWrap);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(Memo1);
    resize(800, 600);
}

void TFormHTSrc::setVisible(bool visible)
{
    // Every showing opens maximized, also after the user restored the window.
    if (visible)
        setWindowState(windowState() | Qt::WindowMaximized);
    QDialog::setVisible(visible);
}

bool TFormHTSrc::loadFile(const QString& path, QString* error)
{
    QFile file(path);
    QString reason;
    if (QFileInfo(path).isDir())
        reason = tr("Is a directory");
    else if (!file.open(QIODevice::ReadOnly))
        reason = file.errorString();
    QByteArray bytes;
    if (reason.isEmpty()) {
        bytes = file.readAll();
        if (file.error() != QFileDevice::NoError)
            reason = file.errorString();
    }
    if (!reason.isEmpty()) {
        if (error)
            *error = tr("Cannot open file '%1': %2").arg(path, reason);
        return false;
    }
    setSource(path, decodeDocumentLines(bytes));
    return true;
}

void TFormHTSrc::setSource(const QString& caption, const QString& text)
{
    setWindowTitle(caption);
    Memo1->setPlainText(text);
    Memo1->moveCursor(QTextCursor::Start);
    Memo1->ensureCursorVisible();
}

bool TFormHTSrc::ShowDocumentSource(const QString& path)
{
    QString error;
    if (!loadFile(path, &error)) {
        showMessage(error, parentWidget());
        return false;
    }
    execModal(this);
    return true;
}

void TFormHTSrc::ShowSourceText(const QString& caption, const QString& text)
{
    setSource(caption, text);
    execModal(this);
}

} // namespace zv
