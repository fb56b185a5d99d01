// zorvane-translate: runs the thumbnail translator on one document and prints the
// translated markup (as the pre-built thumbnail file would hold it) to standard
// output.
//
//   zorvane-translate FILE [--scale N] [--cutoff N] [--scale-graphics]
//                          [--home DIR] [--cache DIR] [--root DIR]...
//
// --scale     scaling factor pictures are divided by (default 4)
// The other options are the render tools' own (tools/render_tool_setup.h).
#include "core/lenient_number.h"
#include "render/tr_nail.h"
#include "tools/render_tool_setup.h"

#include <QApplication>
#include <QFileInfo>
#include <cstdio>

namespace {

int usage()
{
    std::fprintf(stderr, "usage: zorvane-translate FILE [--scale N] %s\n", zv::RenderToolSetup::optionsUsage());
    return 2;
}

} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    zv::RenderToolSetup setup;

    QString file;
    int scale = 4;
    const QStringList args = app.arguments().mid(1);
    for (qsizetype i = 0; i < args.size(); ++i) {
        const QString& a = args[i];
        if (a == "--scale" && i + 1 < args.size())
            scale = zv::parseLenientInt(args[++i]);
        else if (setup.takeOption(args, &i))
            continue;
        else if (!a.startsWith("--") && file.isEmpty())
            file = a;
        else
            return usage();
    }
    if (file.isEmpty())
        return usage();
    if (!setup.openTable())
        return 1;

    zv::TRNail nail(nullptr, setup.context());
    nail.SetScaleDivisor(scale);
    nail.CutOffBytes = setup.cutOff();
    if (!nail.LoadDocument(QFileInfo(file).absoluteFilePath(), true))
        return 1;
    const QByteArray lines = zv::Translator::crlfLines(nail.translation());
    std::fwrite(lines.constData(), 1, size_t(lines.size()), stdout);
    return std::fflush(stdout) == 0 ? 0 : 1;
}
