// zorvane-render: draws the top of one document as the program shows it (the
// render view's translation, then the view laying out the translated copy) into a
// PNG picture of exactly the size given.
//
//   zorvane-render FILE --out PICTURE.png [--width 800] [--height 1000] [--factor 1]
//                  [--cutoff 0] [--scale-graphics] [--scale-text] [--miniature] [--home DIR]
//                  [--cache DIR] [--root DIR]... [--timing]
//
// --width, --height  the view's size in pixels (default 800 x 1000)
// --factor           the scaling factor: 1 draws the page as the zoomed view shows
//                    it, any other as a tile's view of that size shows it
// --scale-text       the tile fonts scaled by the factor ("Scale Text")
// --miniature        the page laid out at the factor times the view's width and
//                    shrunk into the view ("Miniature"; a tile's view, factor above 1)
// --timing           prints the milliseconds of the translation, the layout and the
//                    painting to standard error
// The other options are the render tools' own (tools/render_tool_setup.h).
#include "core/lenient_number.h"
#include "platform/atomic_file.h"
#include "app/page_renderer.h"
#include "tools/render_tool_setup.h"

#include <QApplication>
#include <QBuffer>
#include <QTemporaryDir>
#include <cstdio>

namespace {

int usage()
{
    std::fprintf(stderr,
                 "usage: zorvane-render FILE --out PICTURE.png [--width N] [--height N] [--factor N]"
                 " [--scale-text] [--miniature] [--timing] %s\n",
                 zv::RenderToolSetup::optionsUsage());
    return 2;
}

int fail(const QString& message)
{
    std::fprintf(stderr, "zorvane-render: %s\n", qPrintable(message));
    return 1;
}

} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    zv::RenderToolSetup setup;

    QString file;
    QString out;
    int width = 800;
    int height = 1000;
    int factor = 1;
    bool scaleText = false;
    bool miniature = false;
    bool timing = false;
    const QStringList args = app.arguments().mid(1);
    for (qsizetype i = 0; i < args.size(); ++i) {
        const QString& a = args[i];
        const bool hasValue = i + 1 < args.size();
        if (a == "--out" && hasValue)
            out = args[++i];
        else if (a == "--width" && hasValue)
            width = zv::parseLenientInt(args[++i]);
        else if (a == "--height" && hasValue)
            height = zv::parseLenientInt(args[++i]);
        else if (a == "--factor" && hasValue)
            factor = zv::parseLenientInt(args[++i]);
        else if (a == "--scale-text")
            scaleText = true;
        else if (a == "--miniature")
            miniature = true;
        else if (a == "--timing")
            timing = true;
        else if (setup.takeOption(args, &i))
            continue;
        else if (!a.startsWith("--") && file.isEmpty())
            file = a;
        else
            return usage();
    }
    if (file.isEmpty() || out.isEmpty())
        return usage();
    if (width < 1 || height < 1 || width > 20000 || height > 20000)
        return fail(QStringLiteral("the picture's size must be 1 to 20000 pixels each way"));
    if (factor < 1)
        return fail(QStringLiteral("the scaling factor must be 1 or more"));
    if (!setup.openTable())
        return 1;

    // The translated copy goes to a scratch folder, never into the given cache folder.
    QTemporaryDir scratch;
    if (!scratch.isValid())
        return fail(QStringLiteral("cannot make a scratch folder: ") + scratch.errorString());
    zv::RenderContext context = setup.context();
    context.cacheFolder = scratch.path();
    zv::PageRenderer renderer(context, QSize(width, height));
    renderer.setScalingFactor(factor);
    renderer.setCutOff(setup.cutOff());
    renderer.setScaleText(scaleText);
    renderer.setMiniature(miniature);
    QString error;
    const QImage picture = renderer.render(file, &error);
    if (picture.isNull())
        return fail(error);

    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    if (!picture.save(&buffer, "PNG"))
        return fail(QStringLiteral("cannot encode the picture as PNG"));
    if (!zv::writeFileAtomically(out, png, &error))
        return fail(QStringLiteral("cannot write '%1': %2").arg(out, error));
    if (timing) {
        const zv::PageRenderer::Timing& t = renderer.timing();
        std::fprintf(stderr, "timing: translate %.2f ms, layout %.2f ms, paint %.2f ms\n", t.translateMs,
                     t.layoutMs, t.paintMs);
    }
    return 0;
}
