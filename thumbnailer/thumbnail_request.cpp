#include "thumbnailer/thumbnail_request.h"

#include <QSysInfo>
#include <QUrl>

namespace zv {

namespace {

// Sizes file managers ask for run from 128 to 1024; anything up to this is drawn.
constexpr int kLargestSize = 4096;

bool readPositive(const QString& text, int largest, int* value)
{
    bool ok = false;
    const int n = text.toInt(&ok);
    if (!ok || n < 1 || n > largest)
        return false;
    *value = n;
    return true;
}

} // namespace

QString localPathOfInput(const QString& input, QString* error)
{
    if (!input.contains(QLatin1String("://"))) {
        if (input.isEmpty())
            *error = QStringLiteral("no document given");
        return input;
    }
    // Tolerant: a hand-typed address may hold spaces and other unencoded characters.
    const QUrl url(input, QUrl::TolerantMode);
    if (!url.isValid() || url.scheme().compare(QLatin1String("file"), Qt::CaseInsensitive) != 0) {
        *error = QStringLiteral("'%1' is not a local file address").arg(input);
        return QString();
    }
    const QString host = url.host();
    if (!host.isEmpty() && host.compare(QLatin1String("localhost"), Qt::CaseInsensitive) != 0
        && host.compare(QSysInfo::machineHostName(), Qt::CaseInsensitive) != 0) {
        *error = QStringLiteral("'%1' names a file on another machine").arg(input);
        return QString();
    }
    const QString path = url.path(QUrl::FullyDecoded);
    if (path.isEmpty())
        *error = QStringLiteral("'%1' names no file").arg(input);
    return path;
}

bool parseThumbnailRequest(const QStringList& args, ThumbnailRequest* request, QString* error)
{
    QStringList positional;
    for (qsizetype i = 0; i < args.size(); ++i) {
        const QString& a = args[i];
        const bool hasValue = i + 1 < args.size();
        if ((a == QLatin1String("-s") || a == QLatin1String("--size")) && hasValue) {
            if (!readPositive(args[++i], kLargestSize, &request->size)) {
                *error = QStringLiteral("the size must be a whole number from 1 to %1").arg(kLargestSize);
                return false;
            }
        } else if ((a == QLatin1String("-t") || a == QLatin1String("--time-limit")) && hasValue) {
            bool ok = false;
            const double seconds = args[++i].toDouble(&ok);
            if (!ok || !(seconds >= 0.001 && seconds <= 3600)) {
                *error = QStringLiteral("the time limit must be a number of seconds from 0.001 to 3600");
                return false;
            }
            request->timeLimitMs = int(seconds * 1000);
        } else if (a == QLatin1String("--")) {
            positional += args.mid(i + 1);
            break;
        } else if (a.startsWith(QLatin1Char('-')) && a.size() > 1) {
            *error = QStringLiteral("unknown option '%1'").arg(a);
            return false;
        } else {
            positional << a;
        }
    }
    if (positional.size() != 2) {
        *error = QStringLiteral("give one document and one output file");
        return false;
    }
    request->input = localPathOfInput(positional[0], error);
    request->output = positional[1];
    return !request->input.isEmpty();
}

} // namespace zv
