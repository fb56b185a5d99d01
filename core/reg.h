#pragma once
// The registry wrapper: one access object with a current key, the key last opened.
// Key paths that begin with "\" are taken from the root key given; others are taken
// relative to the current key (when it lies under the same root). Read only: keys
// are opened, never created.
#include "platform/registry_store.h"

#include <QString>
#include <QStringList>

namespace zv {

class Reg {
public:
    explicit Reg(const RegistryStore& store);

    // Opens the key; on failure answers false and leaves `out` alone. Otherwise
    // reads the value as text (a missing value reads as empty) and answers true.
    bool ReadString(RootKey root, const QString& keyPath, const QString& valueName, QString& out);
    // Opens the key; on failure answers false and leaves `list` alone. Otherwise
    // replaces the list by the key's subkey names in the store's order.
    bool GetKeyNames(RootKey root, const QString& keyPath, QStringList& list);

    // Opens an existing key and makes it current.
    bool OpenKey(RootKey root, const QString& keyPath);
    // A value of the current key as text; empty when there is no current key or no
    // such value.
    QString ReadValue(const QString& valueName) const;
    bool hasCurrentKey() const { return m_current != nullptr; }
    // The current key's full path below its root, "\"-separated, without leading "\".
    QString currentPath() const { return m_currentPath; }

private:
    const RegistryStore& m_store;
    const RegistryKey* m_current = nullptr;
    RootKey m_currentRoot = RootKey::CurrentUser;
    QString m_currentPath;
};

// Reads a folder of the program's own key (HKEY_LOCAL_MACHINE\SOFTWARE\Kesh\zorvane):
// the value's text (empty when the value is absent); when the key is missing, shows
// `failureMessage` and answers "/", the root of the file system.
QString readRegistryFolder(const RegistryStore& store, const QString& valueName,
                           const QString& failureMessage);

} // namespace zv
