#pragma once
// A Wine prefix: where browsers run under Wine keep their registry and drives.
#include <QString>

namespace zv {

class RegistryStore;

class WinePrefix {
public:
    // The prefix named by $WINEPREFIX, else ~/.wine; invalid when it does not exist.
    static WinePrefix fromEnvironment();
    explicit WinePrefix(QString folder = QString());

    bool isValid() const;
    const QString& folder() const { return m_folder; }

    // Loads system.reg into HKEY_LOCAL_MACHINE and user.reg into HKEY_CURRENT_USER;
    // files that are missing or unreadable are passed over.
    void loadRegistry(RegistryStore& store) const;

    // Turns a Windows path ("C:\Program Files\Netscape\Cache") into a native one
    // through the prefix's dosdevices links, matching each component without regard
    // to case when the exact name is absent. Native paths pass through unchanged; a
    // Windows path on a drive the prefix does not map comes back with "/" separators
    // under the drive letter's link, which then names no existing file.
    QString toNativePath(const QString& windowsPath) const;

private:
    QString m_folder;
};

// True for "C:\..." or "C:/..." and "C:" alone.
bool isWindowsDrivePath(const QString& path);

} // namespace zv
