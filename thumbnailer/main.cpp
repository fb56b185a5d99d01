// zorvane-thumbnailer: the desktop's thumbnailer for HTML files. File managers run
// it from its thumbnailer entry as "zorvane-thumbnailer -s SIZE INPUT OUTPUT" and
// show the PNG it writes as the file's icon: a miniature of the top of the page.
//
// Exit status: 0 the picture was written; 1 the document could not be drawn or the
// picture not written; 2 a mistake on the command line; 3 the document was not
// drawn within the time limit. Whatever goes wrong, no file is left behind at
// OUTPUT (an earlier one stays as it was).
#include "platform/atomic_file.h"
#include "thumbnailer/page_miniature.h"
#include "thumbnailer/png_encoder.h"
#include "thumbnailer/thumbnail_request.h"
#include "thumbnailer/time_limit.h"

#include <QGuiApplication>
#include <cstdio>
#include <cstdlib>

namespace {

int fail(const QString& message, int status)
{
    std::fprintf(stderr, "zorvane-thumbnailer: %s\n", qPrintable(message));
    return status;
}

} // namespace

int main(int argc, char** argv)
{
    QStringList args;
    for (int i = 1; i < argc; ++i)
        args << QString::fromLocal8Bit(argv[i]);
    zv::ThumbnailRequest request;
    QString error;
    if (!zv::parseThumbnailRequest(args, &request, &error)) {
        std::fprintf(stderr, "usage: zorvane-thumbnailer [-s SIZE] [-t SECONDS] INPUT OUTPUT\n");
        return fail(error, 2);
    }
    zv::TimeLimit limit(std::chrono::milliseconds(request.timeLimitMs), 3);

    // No window is ever shown, whatever display the file manager runs under.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);

    const zv::PageMiniature miniature(request.input);
    if (!miniature.isValid())
        return fail(miniature.error(), 1);
    const QImage picture = miniature.picture(request.size);
    const QByteArray png = zv::encodePng(picture);
    if (png.isEmpty())
        return fail(QStringLiteral("cannot encode the picture as PNG"), 1);
    if (!limit.beginFinalStep())
        return 3; // not reached: the process is ending
    if (!zv::writeFileAtomically(request.output, png, &error))
        return fail(QStringLiteral("cannot write '%1': %2").arg(request.output, error), 1);
    // The picture is written: the process ends here. Taking the laid-out page and
    // the toolkit's font database apart would cost a small page's thumbnail a tenth
    // of its time again, and a file manager runs one process per file.
    std::fflush(stderr);
    std::_Exit(0);
}
