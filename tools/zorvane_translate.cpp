// zorvane-translate: runs the thumbnail translator on one document and prints the
// translated markup (as the pre-built thumbnail file would hold it) to standard
// output.
//
//   zorvane-translate FILE [--scale N] [--cutoff N] [--scale-graphics]
//                          [--home DIR] [--cache DIR] [--root DIR]...
//
// --scale     scaling factor pictures are divided by (default 4)
// --cutoff    output bytes after which the document is cut off (default 0: none)
// --home      folder of the substitute pictures (default: the installation's)
// --cache     folder whose "CacheDB.dbf" resolves pictures missing on disk
// --root      a browser cache folder, in the order the table's rows number them
#include "core/lenient_number.h"
#include "cache/cache_db.h"
#include "platform/file_paths.h"
#include "platform/install_locations.h"
#include "platform/message_service.h"
#include "render/tr_nail.h"

#include <QApplication>
#include <QFileInfo>
#include <cstdio>
#include <memory>
#include <stdexcept>

namespace {

// Messages go to standard error; questions are answered Cancel.
class StderrMessages final : public zv::MessageService {
public:
    zv::Answer ask(QWidget*, const QString&, const QString& text, zv::Buttons buttons) override
    {
        std::fprintf(stderr, "%s\n", qPrintable(text));
        return buttons == zv::Buttons::Ok ? zv::Answer::Ok : zv::Answer::Cancel;
    }
    int execDialog(QDialog*) override { return 0; }
};

int usage()
{
    std::fprintf(stderr, "usage: zorvane-translate FILE [--scale N] [--cutoff N] [--scale-graphics]"
                         " [--home DIR] [--cache DIR] [--root DIR]...\n");
    return 2;
}

} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    StderrMessages messages;
    zv::setMessageService(&messages);

    QString file;
    QString cacheFolder;
    QStringList roots;
    int scale = 4;
    int cutoff = 0;
    bool scaleGraphics = false;
    zv::RenderContext context;
    context.homeFolder = zv::defaultHomeFolder();
    const QStringList args = app.arguments().mid(1);
    for (qsizetype i = 0; i < args.size(); ++i) {
        const QString& a = args[i];
        const bool hasValue = i + 1 < args.size();
        if (a == "--scale-graphics")
            scaleGraphics = true;
        else if (a == "--scale" && hasValue)
            scale = zv::parseLenientInt(args[++i]);
        else if (a == "--cutoff" && hasValue)
            cutoff = zv::parseLenientInt(args[++i]);
        else if (a == "--home" && hasValue)
            context.homeFolder = QFileInfo(args[++i]).absoluteFilePath();
        else if (a == "--cache" && hasValue)
            cacheFolder = QFileInfo(args[++i]).absoluteFilePath();
        else if (a == "--root" && hasValue)
            roots << zv::withTrailingSlash(QFileInfo(args[++i]).absoluteFilePath());
        else if (!a.startsWith("--") && file.isEmpty())
            file = a;
        else
            return usage();
    }
    if (file.isEmpty())
        return usage();

    std::unique_ptr<zv::CacheDB> table;
    if (!cacheFolder.isEmpty()) {
        context.cacheFolder = cacheFolder;
        table = std::make_unique<zv::CacheDB>(zv::joinPath(cacheFolder, "CacheDB.dbf"),
                                              context.homeFolder);
        for (const QString& root : roots)
            table->AddRoot(root);
        try {
            table->Open();
            context.cacheDB = table.get();
        } catch (const std::runtime_error& e) {
            std::fprintf(stderr, "%s\n", e.what());
            return 1;
        }
    }
    context.scaleGraphics = [scaleGraphics] { return scaleGraphics; };

    zv::TRNail nail(nullptr, context);
    nail.SetScaleDivisor(scale);
    nail.CutOffBytes = cutoff;
    if (!nail.LoadDocument(QFileInfo(file).absoluteFilePath(), true))
        return 1;
    const QByteArray lines = zv::Translator::crlfLines(nail.translation());
    std::fwrite(lines.constData(), 1, size_t(lines.size()), stdout);
    return std::fflush(stdout) == 0 ? 0 : 1;
}
