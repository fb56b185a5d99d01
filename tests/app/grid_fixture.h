#pragma once
// A main window with its grid and dialogs over temporary cache and home folders,
// message boxes answered by a script, for tests of the build and grid operations.
#include "core/prog_bar.h"
#include "app/main_window.h"
#include "app/nail_grid.h"
#include "app/program.h"
#include "dialogs/message_window.h"
#include "dialogs/options_dialog.h"
#include "dialogs/wait_window.h"
#include "platform/file_paths.h"
#include "platform/scripted_messages.h"
#include "render/hnail.h"
#include "source/form_iter.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <memory>

namespace zv::testing {

inline void writeFile(const QString& path, const QByteArray& bytes)
{
    QDir().mkpath(folderOf(path));
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly)) << path.toStdString();
    f.write(bytes);
}

inline QByteArray readFile(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

struct GridFixture : ::testing::Test {
    QTemporaryDir cache;
    QTemporaryDir home;
    QTemporaryDir docs;
    ScriptedMessages script;
    std::unique_ptr<TForm1> form;
    HNailGrid* grid = nullptr;

    void SetUp() override
    {
        RegistryStore store;
        store.setValue(RootKey::LocalMachine, "SOFTWARE\\Kesh\\zorvane", "Cache", cache.path());
        store.setValue(RootKey::LocalMachine, "SOFTWARE\\Kesh\\zorvane", "Home", home.path());
        form = std::make_unique<TForm1>(store);
        // The windows the program creates after the main window, as it creates them
        // (the start-up picture aside).
        form->attachWindows(createDialogWindows(*form, createStartupWindows(*form, {})));
        form->resize(640, 400);
        form->createReporters();
        grid = form->HNailGrid;
        grid->LoadPreferences();
    }

    QString doc(const QString& relative, const QByteArray& html)
    {
        const QString path = docs.path() + "/" + relative;
        writeFile(path, html);
        return path;
    }

    // The pre-built thumbnails in the cache folder, without the tiles' pictures.
    QStringList thumbnails() const
    {
        QStringList names = QDir(cache.path()).entryList({"*.n*"}, QDir::Files, QDir::Name);
        names.removeIf([](const QString& n) { return n.endsWith(".pic"); });
        return names;
    }
    // Lets the grid keep the pictures of the last build's tiles, as it does when idle.
    void keepPictures()
    {
        for (int i = 0; i < 10000 && grid->picturesPending() > 0; ++i)
            QCoreApplication::processEvents();
    }
    // The pictures kept of tiles beside their thumbnails.
    QStringList tilePictures() const
    {
        return QDir(cache.path()).entryList({"*.n*.pic"}, QDir::Files, QDir::Name);
    }
};

inline QByteArray page(const char* title, const char* body)
{
    return QByteArray("<html><head><title>") + title + "</title></head><body>" + body
           + "</body></html>\n";
}

} // namespace zv::testing
