// Arbitrary bytes read as a registry export and as a Wine registry file, then every
// key walked and every value read back.
#include "platform/registry_store.h"

#include <cstddef>
#include <cstdint>
#include <functional>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    zv::RegistryStore store;
    store.loadRegedit(bytes);
    store.loadWine(bytes, zv::RootKey::LocalMachine);
    QByteArray withHeader = "REGEDIT4\n" + bytes;
    store.loadRegedit(withHeader);
    QByteArray wine = "WINE REGISTRY Version 2\n" + bytes;
    store.loadWine(wine, zv::RootKey::CurrentUser);
    std::function<void(const zv::RegistryKey&, int)> walk = [&](const zv::RegistryKey& key, int depth) {
        if (depth > 64)
            return;
        for (const QString& name : key.childNames()) {
            const zv::RegistryKey* child = key.child(name);
            if (child)
                walk(*child, depth + 1);
        }
        key.value(QString());
    };
    walk(store.root(zv::RootKey::LocalMachine), 0);
    walk(store.root(zv::RootKey::CurrentUser), 0);
    return 0;
}
