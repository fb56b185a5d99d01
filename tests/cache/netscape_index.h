#pragma once
// Netscape cache indexes for tests: written by the real Berkeley DB 1.85 library
// through the make-netscape-index tool, cross-read with db_dump185, or laid out by
// hand page by page when a test needs a layout the library never makes.
#include <QByteArray>
#include <QProcess>
#include <QString>
#include <QStringList>

#include <utility>
#include <vector>

namespace nstest {

inline QString generatorPath()
{
    return QStringLiteral(ZV_TOOLS_DIR "/make-netscape-index");
}

// Runs the generator; `lines` are "address\tfile\tmime[\tL1\tL2\tL3]". Answers the
// tool's error output, empty on success.
inline QString generate(const QString& out, const QStringList& lines, const QStringList& extraArgs = {})
{
    QProcess p;
    p.start(generatorPath(), QStringList{out} + extraArgs);
    if (!p.waitForStarted(10000))
        return QStringLiteral("cannot start ") + generatorPath();
    p.write(lines.join(QLatin1Char('\n')).toUtf8() + '\n');
    p.closeWriteChannel();
    if (!p.waitForFinished(120000))
        return QStringLiteral("generator did not finish");
    if (p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0)
        return QString::fromLocal8Bit(p.readAllStandardError()) + QStringLiteral(" (exit ")
               + QString::number(p.exitCode()) + QLatin1Char(')');
    return QString();
}

struct DumpedPair {
    QByteArray key;
    QByteArray value;
};

// The pairs of a hash file in the library's own sequence order, through db_dump185
// -p (printable bytes as they are, others as \hh, a backslash as \\; one line per
// key and one per value). Empty when
// the tool is missing or fails.
inline std::vector<DumpedPair> dump(const QString& file)
{
    QProcess p;
    p.start(QStringLiteral("db_dump185"), {QStringLiteral("-p"), file});
    if (!p.waitForFinished(60000) || p.exitCode() != 0)
        return {};
    const QList<QByteArray> lines = p.readAllStandardOutput().split('\n');
    auto decode = [](const QByteArray& line) {
        QByteArray out;
        for (qsizetype i = 0; i < line.size(); ++i) {
            if (line[i] == '\\' && i + 1 < line.size() && line[i + 1] == '\\') {
                out += '\\';
                ++i;
            } else if (line[i] == '\\' && i + 2 < line.size()) {
                out += char(line.mid(i + 1, 2).toInt(nullptr, 16));
                i += 2;
            } else {
                out += line[i];
            }
        }
        return out;
    };
    std::vector<DumpedPair> pairs;
    bool body = false;
    QByteArray key;
    bool haveKey = false;
    for (const QByteArray& line : lines) {
        if (!body) {
            body = line == "HEADER=END";
            continue;
        }
        if (line == "DATA=END" || line.isEmpty())
            continue;
        if (!haveKey) {
            key = decode(line);
            haveKey = true;
        } else {
            pairs.push_back({key, decode(line)});
            haveKey = false;
        }
    }
    return pairs;
}

inline quint32 le32(const QByteArray& b, qsizetype at)
{
    if (at < 0 || at + 4 > b.size())
        return 0;
    const auto* p = reinterpret_cast<const unsigned char*>(b.constData() + at);
    return quint32(p[0]) | (quint32(p[1]) << 8) | (quint32(p[2]) << 16) | (quint32(p[3]) << 24);
}

// The address of a dumped key and the file name of a dumped value.
inline QString addressOf(const DumpedPair& pair)
{
    const quint32 len = le32(pair.key, 4);
    return QString::fromUtf8(pair.key.mid(8, len ? len - 1 : 0));
}

inline QString fileNameOf(const DumpedPair& pair)
{
    const quint32 len = le32(pair.value, 29);
    return QString::fromUtf8(pair.value.mid(33, len ? len - 1 : 0));
}

inline void putLe16(QByteArray& b, qsizetype at, quint16 v)
{
    b[at] = char(v & 0xff);
    b[at + 1] = char(v >> 8);
}

inline QByteArray le32Bytes(quint32 v)
{
    QByteArray b(4, '\0');
    for (int i = 0; i < 4; ++i)
        b[i] = char((v >> (8 * i)) & 0xff);
    return b;
}

// Records in the Netscape 4 layout; `l1`..`l3` replace the true lengths when >= 0.
inline QByteArray keyRecord(const QByteArray& address, qint64 l1 = -1)
{
    const quint32 len = quint32(address.size() + 1);
    return le32Bytes(8 + len) + le32Bytes(l1 >= 0 ? quint32(l1) : len) + address + '\0';
}

inline QByteArray dataRecord(const QByteArray& fileName, const QByteArray& mime = "image/gif",
                             qint64 l2 = -1, qint64 l3 = -1)
{
    return QByteArray(29, '\x5a') + le32Bytes(l2 >= 0 ? quint32(l2) : quint32(fileName.size() + 1))
           + fileName + '\0' + QByteArray(33, '\x5a')
           + le32Bytes(l3 >= 0 ? quint32(l3) : quint32(mime.size() + 1)) + mime + '\0';
}

// A page as the hash access method lays it out: the count n of 16-bit offsets,
// key/data offset pairs in table order, records packed from the end of the page.
// `extraShorts` appends offsets past the pairs (an odd n).
inline QByteArray page(quint32 pageSize, const std::vector<std::pair<QByteArray, QByteArray>>& pairs,
                       int extraShorts = 0)
{
    QByteArray p(int(pageSize), '\0');
    const int n = int(pairs.size()) * 2 + extraShorts;
    putLe16(p, 0, quint16(n));
    int end = int(pageSize);
    for (size_t k = 0; k < pairs.size(); ++k) {
        end -= int(pairs[k].first.size());
        p.replace(end, pairs[k].first.size(), pairs[k].first);
        putLe16(p, qsizetype(2 + 4 * k), quint16(end));
        end -= int(pairs[k].second.size());
        p.replace(end, pairs[k].second.size(), pairs[k].second);
        putLe16(p, qsizetype(4 + 4 * k), quint16(end));
    }
    for (int e = 0; e < extraShorts; ++e)
        putLe16(p, qsizetype(2 + 4 * pairs.size() + 2 * e), 0);
    return p;
}

// A header page that holds the page size big-endian at offset 12, followed by the
// data pages.
inline QByteArray indexFile(quint32 pageSize, const std::vector<QByteArray>& pages)
{
    QByteArray file(int(pageSize), '\0');
    file[12] = char(pageSize >> 24);
    file[13] = char(pageSize >> 16);
    file[14] = char(pageSize >> 8);
    file[15] = char(pageSize);
    file[19] = 12; // bucket shift, big-endian at 16
    for (const QByteArray& p : pages)
        file += p;
    return file;
}

} // namespace nstest
