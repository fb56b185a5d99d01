#pragma once
// The command line of the desktop thumbnailer, as file managers run it from a
// thumbnailer entry ("Exec=zorvane-thumbnailer -s %s %u %o"):
//
//   zorvane-thumbnailer [-s SIZE] [-t SECONDS] INPUT OUTPUT
//
// SECONDS may have decimals (0.5); the default is 10.
//
// INPUT is a local path or a file:// address (percent-encoded, with an empty host,
// "localhost" or this machine's host name); OUTPUT is the PNG file to write.
#include <QString>
#include <QStringList>

namespace zv {

struct ThumbnailRequest {
    int size = 256;          // the longer side of the picture, in pixels
    int timeLimitMs = 10000; // a document not drawn by then gives no picture
    QString input;           // the document's local path
    QString output;          // where the PNG goes
};

// Reads the arguments (without the program's name). On a mistake answers false and
// says why in `*error`.
bool parseThumbnailRequest(const QStringList& args, ThumbnailRequest* request, QString* error);

// The local path an INPUT names: a plain path as given, a file:// address decoded.
// Empty for addresses of other schemes or of other hosts (`*error` says why).
QString localPathOfInput(const QString& input, QString* error);

} // namespace zv
