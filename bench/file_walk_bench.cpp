// Folder walk rate: the program's walker (SWFileIter with an acceptor doing the
// extension test of the source search) beside `find DIR -type f` on the same
// generated tree, for two tree sizes, with the walker's peak resident memory.
//
// Usage: bench_file_walk            generate the trees, measure, print the table
//        bench_file_walk --walk DIR  (internal) walk DIR once, print
//                                    "<files> <accepted> <seconds> <peak KiB>"
#include "bench/bench_figures.h"
#include "platform/file_paths.h"
#include "source/file_acceptor.h"
#include "source/form_iter.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QProcess>
#include <QTemporaryDir>
#include <QTextStream>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <fcntl.h>
#include <unistd.h>

using namespace zv;

namespace {

// The source search's per-file test without its progress display: the extension of
// the file name from its last "." on, upper-cased, looked up in the document
// extensions. Only the extension is upper-cased: the same verdict as upper-casing
// the whole path, at a fraction of the cost.
class ExtensionAcceptor : public FileAcceptor {
public:
    long long visited = 0;
    long long folders = 0;
    QStringList extensions{QStringLiteral(".HTM"), QStringLiteral(".HTML")};

    bool AcceptFile(const QString& path) override
    {
        ++visited;
        const qsizetype slash = path.lastIndexOf(QLatin1Char('/'));
        const qsizetype dot = path.lastIndexOf(QLatin1Char('.'));
        if (dot <= slash)
            return false;
        const QString ext = QStringView(path).mid(dot).toString().toUpper();
        return extensions.contains(ext);
    }
    void FolderProgress(const QString&) override { ++folders; }
};

int walkOnce(const QString& dir)
{
    ExtensionAcceptor acceptor;
    TFormIter host(&acceptor);
    QElapsedTimer t;
    t.start();
    host.Iter->Iterate(dir, true);
    const double secs = t.nsecsElapsed() / 1e9;
    std::printf("%lld %lld %.6f %ld\n", acceptor.visited, (long long)host.Iter->Files().size(),
                secs, zv::bench::peakKiB());
    return 0;
}

// `folders` folders in two levels under `root`, `files` files spread evenly over
// them, one in a hundred a document.
void generate(const QString& root, int files, int folders)
{
    const int top = std::max(1, int(std::sqrt(double(folders))));
    QStringList paths;
    for (int i = 0; i < folders; ++i) {
        const QString f = QStringLiteral("%1/Dir%2/sub%3").arg(root).arg(i % top, 3, 10, QLatin1Char('0')).arg(i);
        QDir().mkpath(f);
        paths << f;
    }
    static const char* kinds[] = {".gif", ".jpg", ".txt", ".css", ".js", ".dat"};
    for (int i = 0; i < files; ++i) {
        const char* ext = (i % 100 == 0) ? ".htm" : kinds[i % 6];
        const QByteArray name = QFile::encodeName(paths[i % folders])
            + "/file" + QByteArray::number(i) + ext;
        const int fd = ::open(name.constData(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        if (fd >= 0)
            ::close(fd);
    }
}

double timeFind(const QString& dir, long long* count)
{
    double best = 1e9;
    for (int run = 0; run < 3; ++run) {
        QProcess find;
        QElapsedTimer t;
        t.start();
        find.start(QStringLiteral("find"), {dir, QStringLiteral("-type"), QStringLiteral("f")});
        find.waitForFinished(-1);
        const QByteArray out = find.readAllStandardOutput();
        best = std::min(best, t.nsecsElapsed() / 1e9);
        *count = out.count('\n');
    }
    return best;
}

struct WalkResult {
    long long files = 0, accepted = 0;
    double secs = 1e9;
    long rss = 0;
};

WalkResult timeWalker(const QString& self, const QString& dir)
{
    WalkResult best;
    for (int run = 0; run < 3; ++run) {
        QProcess p;
        p.start(self, {QStringLiteral("--walk"), dir});
        p.waitForFinished(-1);
        QTextStream in(p.readAllStandardOutput());
        WalkResult r;
        in >> r.files >> r.accepted >> r.secs >> r.rss;
        if (r.secs < best.secs)
            best = r;
    }
    return best;
}

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    if (argc == 3 && QByteArray(argv[1]) == "--walk")
        return walkOnce(QString::fromLocal8Bit(argv[2]));

    struct Size {
        int files, folders;
    };
    const Size sizes[] = {{10000, 200}, {100000, 2000}};
    std::printf("%-22s %10s %10s %14s %14s %7s %12s\n", "tree", "files", "accepted",
                "walker files/s", "find files/s", "ratio", "peak RSS KiB");
    for (const Size& s : sizes) {
        QTemporaryDir tmp;
        const QString root = tmp.path() + QStringLiteral("/tree");
        generate(root, s.files, s.folders);
        long long found = 0;
        const double findSecs = timeFind(root, &found);
        const WalkResult w = timeWalker(QCoreApplication::applicationFilePath(), root);
        const double walkRate = w.files / w.secs;
        const double findRate = found / findSecs;
        std::printf("%6d files/%4d dirs %10lld %10lld %14.0f %14.0f %7.2f %12ld\n", s.files,
                    s.folders, w.files, w.accepted, walkRate, findRate, walkRate / findRate,
                    w.rss);
        std::fflush(stdout);
    }
    std::printf("(walker: in-process time of Iterate; find: wall time of the process, best of 3)\n");
    return 0;
}
