#include "core/lenient_number.h"
#include "core/reg.h"
#include "core/settings.h"
#include "platform/scripted_messages.h"

#include <gtest/gtest.h>

using namespace zv;

TEST(LenientNumber, ReadsLikeAtoi)
{
    EXPECT_EQ(parseLenientInt(" 7x"), 7);
    EXPECT_EQ(parseLenientInt("abc"), 0);
    EXPECT_EQ(parseLenientInt(""), 0);
    EXPECT_EQ(parseLenientInt("  -2"), -2);
    EXPECT_EQ(parseLenientInt("+15"), 15);
    EXPECT_EQ(parseLenientInt(" 3 words"), 3);
    EXPECT_EQ(parseLenientInt("50%"), 50);
    EXPECT_EQ(parseLenientInt("- 2"), 0);
    EXPECT_EQ(parseLenientInt("\t\n 12"), 12);
    EXPECT_EQ(parseLenientInt("99999999999999"), 2147483647);
    EXPECT_EQ(parseLenientInt("-99999999999999"), -2147483647 - 1);
}

TEST(DocumentExtensions, FromMasks)
{
    EXPECT_EQ(documentExtensionsFromMask("*.HTM*"), QStringList({".HTM", ".HTML"}));
    EXPECT_EQ(documentExtensionsFromMask("*.htm;*.html"), QStringList({".HTM", ".HTML", ".HTML"}));
    EXPECT_EQ(documentExtensionsFromMask("*.GIF;*.JPG"), QStringList({".GIF", ".JPG"}));
    EXPECT_EQ(documentExtensionsFromMask("*.gif"), QStringList({".GIF"}));
    EXPECT_EQ(Settings().documentExtensions, QStringList({".HTM", ".HTML"}));
}

namespace {
RegistryStore storeFrom(const char* text)
{
    RegistryStore s;
    EXPECT_TRUE(s.loadRegedit(QByteArray(text)));
    return s;
}
} // namespace

TEST(Reg, ReadStringAndGetKeyNames)
{
    RegistryStore s = storeFrom("REGEDIT4\n"
                                "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Netscape\\Netscape Navigator\\Users\\b]\n"
                                "\"DirRoot\"=\"/b\"\n"
                                "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Netscape\\Netscape Navigator\\Users\\a]\n"
                                "\"DirRoot\"=\"/a\"\n");
    Reg reg(s);
    QString out = "untouched";
    EXPECT_FALSE(reg.ReadString(RootKey::LocalMachine, "\\SOFTWARE\\Missing", "X", out));
    EXPECT_EQ(out, "untouched");
    QStringList names{"old"};
    EXPECT_FALSE(reg.GetKeyNames(RootKey::CurrentUser, "\\SOFTWARE\\Netscape", names));
    EXPECT_EQ(names, QStringList({"old"}));
    ASSERT_TRUE(reg.GetKeyNames(RootKey::LocalMachine,
                                "\\SOFTWARE\\Netscape\\Netscape Navigator\\Users", names));
    EXPECT_EQ(names, QStringList({"b", "a"}));
    // A relative path is taken from the current key.
    ASSERT_TRUE(reg.OpenKey(RootKey::LocalMachine, "a"));
    EXPECT_EQ(reg.ReadValue("dirroot"), "/a");
    EXPECT_EQ(reg.currentPath(), "SOFTWARE\\Netscape\\Netscape Navigator\\Users\\a");
    // A missing value reads as empty but the key opened.
    out = "x";
    EXPECT_TRUE(reg.ReadString(RootKey::LocalMachine,
                               "\\SOFTWARE\\Netscape\\Netscape Navigator\\Users\\b", "Nope", out));
    EXPECT_EQ(out, "");
    // A failed open keeps the current key.
    EXPECT_FALSE(reg.OpenKey(RootKey::LocalMachine, "\\Nowhere"));
    EXPECT_EQ(reg.ReadValue("DirRoot"), "/b");
}

TEST(Reg, ProgramFoldersAndTheirFallbacks)
{
    RegistryStore withKey = storeFrom("REGEDIT4\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\Kesh\\zorvane]\n"
                                      "\"Cache\"=\"/var/cache/zv\"\n");
    RegistryStore without = storeFrom("REGEDIT4\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\Other]\n");
    ScriptedMessages script;
    EXPECT_EQ(readRegistryFolder(withKey, "Cache", "Could not find 'cache' reference in registry!"),
              "/var/cache/zv");
    // Key present, value missing: empty text and no message.
    EXPECT_EQ(readRegistryFolder(withKey, "Home", "Could not find 'Home' reference in registry!"), "");
    EXPECT_TRUE(script.shown().empty());
    EXPECT_EQ(readRegistryFolder(without, "Cache", "Could not find 'cache' reference in registry!"),
              "/");
    EXPECT_EQ(readRegistryFolder(without, "Home", "Could not find 'Home' reference in registry!"), "/");
    EXPECT_EQ(script.texts(), QStringList({"Could not find 'cache' reference in registry!",
                                           "Could not find 'Home' reference in registry!"}));
}
