#pragma once
// A read-only registry in memory: two root keys, key paths with "\" separators, key
// and value names compared without regard to case, subkeys kept in the order their
// source gives them. Filled from REGEDIT4 exports ("REGEDIT4" or "Windows Registry
// Editor Version 5.00") and from Wine's registry files (system.reg, user.reg).
#include <QByteArray>
#include <QString>
#include <QStringList>
#include <memory>
#include <vector>

namespace zv {

enum class RootKey { LocalMachine, CurrentUser };

struct RegistryValue {
    QString name; // empty for the key's default value ("@")
    QString text; // the value as text: strings as stored, numbers in decimal
};

class RegistryKey {
public:
    explicit RegistryKey(QString name);
    const QString& name() const { return m_name; }
    const RegistryKey* child(const QString& name) const;
    RegistryKey* child(const QString& name);
    RegistryKey* addChild(const QString& name); // the existing one when present
    QStringList childNames() const;
    const RegistryValue* value(const QString& name) const;
    void setValue(const QString& name, const QString& text);
    void clear();

private:
    QString m_name;
    std::vector<std::unique_ptr<RegistryKey>> m_children;
    std::vector<RegistryValue> m_values;
};

class RegistryStore {
public:
    RegistryStore();

    RegistryKey& root(RootKey key);
    const RegistryKey& root(RootKey key) const;
    // The key at `path` below `root` ("SOFTWARE\Kesh", leading "\" allowed); null
    // when any part is missing. An empty path is the root itself.
    const RegistryKey* findKey(RootKey root, const QString& path) const;
    RegistryKey* createKey(RootKey root, const QString& path);
    void setValue(RootKey root, const QString& path, const QString& name, const QString& text);

    // Reads a REGEDIT4 / version 5 export. Keys name their root
    // ("[HKEY_LOCAL_MACHINE\...]"); roots other than the two kept are skipped.
    // Answers false, with a reason in `error`, when the text is not such an export;
    // malformed lines inside are skipped.
    bool loadRegedit(const QByteArray& text, QString* error = nullptr);
    // Reads a Wine registry file ("WINE REGISTRY Version 2") whose keys lie below `root`.
    bool loadWine(const QByteArray& text, RootKey root, QString* error = nullptr);

private:
    RegistryKey m_machine;
    RegistryKey m_user;
};

// Splits "A\B\\C" into its non-empty parts.
QStringList splitKeyPath(const QString& path);

} // namespace zv
