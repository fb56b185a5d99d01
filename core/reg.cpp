#include "core/reg.h"

#include "platform/install_locations.h"
#include "platform/message_service.h"

namespace zv {

Reg::Reg(const RegistryStore& store)
    : m_store(store)
{
}

bool Reg::OpenKey(RootKey root, const QString& keyPath)
{
    QString full;
    if (keyPath.startsWith(QLatin1Char('\\')) || !m_current || m_currentRoot != root)
        full = splitKeyPath(keyPath).join(QLatin1Char('\\'));
    else
        full = (splitKeyPath(m_currentPath) + splitKeyPath(keyPath)).join(QLatin1Char('\\'));
    const RegistryKey* key = m_store.findKey(root, full);
    if (!key)
        return false;
    m_current = key;
    m_currentRoot = root;
    m_currentPath = full;
    return true;
}

QString Reg::ReadValue(const QString& valueName) const
{
    if (!m_current)
        return QString();
    const RegistryValue* v = m_current->value(valueName);
    return v ? v->text : QString();
}

bool Reg::ReadString(RootKey root, const QString& keyPath, const QString& valueName, QString& out)
{
    if (!OpenKey(root, keyPath))
        return false;
    out = ReadValue(valueName);
    return true;
}

bool Reg::GetKeyNames(RootKey root, const QString& keyPath, QStringList& list)
{
    if (!OpenKey(root, keyPath))
        return false;
    list = m_current->childNames();
    return true;
}

QString readRegistryFolder(const RegistryStore& store, const QString& valueName,
                           const QString& failureMessage)
{
    Reg reg(store);
    QString folder;
    if (!reg.ReadString(RootKey::LocalMachine, QStringLiteral("\\") + QString::fromLatin1(kProgramKey),
                        valueName, folder)) {
        showMessage(failureMessage);
        return QStringLiteral("/");
    }
    return folder;
}

} // namespace zv
