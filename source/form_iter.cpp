#include "source/form_iter.h"

#include "platform/message_pump.h"
#include "source/file_acceptor.h"

namespace zv {

SWFileIter::SWFileIter(QObject* owner, FileAcceptor* acceptor)
    : TFileIter(owner)
    , m_acceptor(acceptor)
{
}

bool SWFileIter::ProcessFile(const QString& path)
{
    pumpMessages();
    return m_acceptor ? m_acceptor->AcceptFile(path) : true;
}

bool SWFileIter::ProcessFolder(const QString& path)
{
    if (m_acceptor)
        m_acceptor->FolderProgress(path);
    return true;
}

TFormIter::TFormIter(FileAcceptor* acceptor, QWidget* parent)
    // A window of its own: as a plain child it would be shown with its parent and
    // lie over the parent's top left corner (the main window's menu bar).
    : QWidget(parent, Qt::Window)
    , Iter(new SWFileIter(this, acceptor))
{
    setObjectName(QStringLiteral("TFormIter"));
    Iter->setObjectName(QStringLiteral("Iter"));
}

} // namespace zv
