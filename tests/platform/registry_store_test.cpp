#include "platform/registry_store.h"
#include "platform/wine_prefix.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace zv;

namespace {
QString valueOf(const RegistryStore& s, RootKey r, const char* key, const char* name)
{
    const RegistryKey* k = s.findKey(r, QString::fromLatin1(key));
    if (!k)
        return QStringLiteral("<no key>");
    const RegistryValue* v = k->value(QString::fromLatin1(name));
    return v ? v->text : QStringLiteral("<no value>");
}
} // namespace

TEST(RegistryStore, ReadsRegeditExportWithEscapesAndValueKinds)
{
    RegistryStore s;
    const QByteArray text = "REGEDIT4\r\n\r\n"
                            "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Kesh\\zorvane]\r\n"
                            "\"Cache\"=\"C:\\\\Zorvane\\\\Cache\"\r\n"
                            "\"Quote\"=\"say \\\"hi\\\"\"\r\n"
                            "\"Count\"=dword:0000002a\r\n"
                            "\"Expand\"=hex(2):25,53,79,73,00\r\n"
                            "@=\"default\"\r\n"
                            "; a comment\r\n"
                            "[HKEY_CLASSES_ROOT\\Ignored]\r\n"
                            "\"X\"=\"y\"\r\n";
    QString error;
    ASSERT_TRUE(s.loadRegedit(text, &error)) << error.toStdString();
    EXPECT_EQ(valueOf(s, RootKey::LocalMachine, "SOFTWARE\\Kesh\\zorvane", "Cache"),
              "C:\\Zorvane\\Cache");
    EXPECT_EQ(valueOf(s, RootKey::LocalMachine, "SOFTWARE\\Kesh\\zorvane", "Quote"), "say \"hi\"");
    EXPECT_EQ(valueOf(s, RootKey::LocalMachine, "SOFTWARE\\Kesh\\zorvane", "Count"), "42");
    EXPECT_EQ(valueOf(s, RootKey::LocalMachine, "SOFTWARE\\Kesh\\zorvane", "Expand"), "%Sys");
    EXPECT_EQ(valueOf(s, RootKey::LocalMachine, "SOFTWARE\\Kesh\\zorvane", ""), "default");
    // Names of keys and values compare without regard to case.
    EXPECT_EQ(valueOf(s, RootKey::LocalMachine, "software\\KESH\\Zorvane", "cache"),
              "C:\\Zorvane\\Cache");
    EXPECT_EQ(s.findKey(RootKey::LocalMachine, "Ignored"), nullptr);
}

TEST(RegistryStore, KeepsSubkeysInSourceOrderAndRejectsOtherFiles)
{
    RegistryStore s;
    const QByteArray text = "Windows Registry Editor Version 5.00\n"
                            "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Users\\zeta]\n"
                            "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Users\\Alpha]\n"
                            "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Users\\mid]\n"
                            "\"Bin\"=hex:01,02,\\\n  ff\n";
    ASSERT_TRUE(s.loadRegedit(text));
    EXPECT_EQ(s.findKey(RootKey::LocalMachine, "\\SOFTWARE\\Users")->childNames(),
              QStringList({"zeta", "Alpha", "mid"}));
    EXPECT_EQ(valueOf(s, RootKey::LocalMachine, "SOFTWARE\\Users\\mid", "Bin"), "0102ff");

    RegistryStore other;
    QString error;
    EXPECT_FALSE(other.loadRegedit("hello world\n", &error));
    EXPECT_FALSE(error.isEmpty());
    EXPECT_FALSE(other.loadRegedit(""));
}

TEST(RegistryStore, ReadsWineRegistryFiles)
{
    RegistryStore s;
    const QByteArray text =
        "WINE REGISTRY Version 2\n"
        ";; All keys relative to \\\\User\\\\S-1-5-21\n\n"
        "#arch=win32\n\n"
        "[Software\\\\Netscape\\\\Netscape Navigator\\\\Cache] 1600000000\n"
        "#time=1d6f0c1a2b3c4d5\n"
        "\"Cache Dir\"=\"C:\\\\Program Files\\\\Netscape\\\\Users\\\\bob\\\\cache\"\n"
        "\"Size\"=dword:00001000\n"
        "\"Path\"=str(2):\"%USERPROFILE%\\\\x\"\n"
        "\"Uni\"=\"caf\\x00e9\"\n";
    ASSERT_TRUE(s.loadWine(text, RootKey::CurrentUser));
    EXPECT_EQ(valueOf(s, RootKey::CurrentUser, "Software\\Netscape\\Netscape Navigator\\Cache",
                      "Cache Dir"),
              "C:\\Program Files\\Netscape\\Users\\bob\\cache");
    EXPECT_EQ(valueOf(s, RootKey::CurrentUser, "Software\\Netscape\\Netscape Navigator\\Cache",
                      "Size"),
              "4096");
    EXPECT_EQ(valueOf(s, RootKey::CurrentUser, "Software\\Netscape\\Netscape Navigator\\Cache",
                      "Path"),
              "%USERPROFILE%\\x");
    EXPECT_EQ(valueOf(s, RootKey::CurrentUser, "Software\\Netscape\\Netscape Navigator\\Cache",
                      "Uni"),
              QString::fromUtf8("café"));
    EXPECT_EQ(s.findKey(RootKey::LocalMachine, "Software"), nullptr);
    EXPECT_FALSE(s.loadWine("REGEDIT4\n", RootKey::CurrentUser));
}

TEST(RegistryStore, MalformedLinesAreSkipped)
{
    RegistryStore s;
    const QByteArray text = "REGEDIT4\n[HKEY_CURRENT_USER\\A\n\"unterminated=\"x\n"
                            "[HKEY_CURRENT_USER\\B]\n\"ok\"=\"1\"\n\"bad\"=dword:zz\n=\"\"\n"
                            "\"trail\"=\"ends in backslash\\\\\"\n";
    ASSERT_TRUE(s.loadRegedit(text));
    EXPECT_EQ(valueOf(s, RootKey::CurrentUser, "B", "ok"), "1");
    EXPECT_EQ(valueOf(s, RootKey::CurrentUser, "B", "bad"), "<no value>");
    EXPECT_EQ(valueOf(s, RootKey::CurrentUser, "B", "trail"), "ends in backslash\\");
}

TEST(WinePrefix, MapsWindowsPathsThroughDosdevices)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString prefix = dir.path();
    ASSERT_TRUE(QDir().mkpath(prefix + "/drive_c/Program Files/Netscape/Cache"));
    ASSERT_TRUE(QDir().mkpath(prefix + "/dosdevices"));
    ASSERT_TRUE(QFile::link("../drive_c", prefix + "/dosdevices/c:"));
    WinePrefix wine(prefix);
    ASSERT_TRUE(wine.isValid());
    const QString driveC = QDir(prefix + "/drive_c").canonicalPath();
    EXPECT_EQ(wine.toNativePath("C:\\Program Files\\Netscape\\Cache"),
              driveC + "/Program Files/Netscape/Cache");
    // Windows rules: a component is found without regard to case.
    EXPECT_EQ(wine.toNativePath("c:\\PROGRAM FILES\\netscape\\cache\\"),
              driveC + "/Program Files/Netscape/Cache/");
    // Native paths pass through unchanged.
    EXPECT_EQ(wine.toNativePath("/home/user/cache"), "/home/user/cache");
    EXPECT_TRUE(isWindowsDrivePath("D:"));
    EXPECT_FALSE(isWindowsDrivePath("/c:/x"));
}
