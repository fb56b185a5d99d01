#include "search/file_contains_text.h"

#include "app/core/prog_bar.h"
#include "search/text_codec.h"

#include <QFile>
#include <QLocale>

#include <bit>
#include <climits>
#include <cstring>
#include <stdexcept>
#include <string.h>
#include <vector>

// The document is not split into a list of line strings. It is cut into blocks of
// whole lines (about 64 KiB each) whose line counts are known before the search
// starts, so the line count for Start and the per-line Steps are exactly those of a
// line-by-line scan. Each block is searched as a whole: the text cannot contain a
// line break, so a hit inside a block lies within one line, and its line number is
// the number of breaks before it plus one. Lines made only of ASCII bytes are folded
// to upper case in bulk and searched as bytes; only lines holding other characters
// are decoded and upper-cased through the locale.

namespace zv {
namespace {

constexpr qsizetype kBlockBytes = 64 * 1024;
constexpr quint64 kOnes = 0x0101010101010101ull;
constexpr quint64 kHighBits = 0x8080808080808080ull;
constexpr quint64 kLow7 = 0x7F7F7F7F7F7F7F7Full;

inline quint64 load64(const char* p)
{
    quint64 w;
    std::memcpy(&w, p, 8);
    return w;
}

// The high bit of every byte of `w` that equals `c`, and no other bit.
inline quint64 bytesEqual(quint64 w, unsigned char c)
{
    const quint64 x = w ^ (kOnes * c);
    return ~(((x & kLow7) + kLow7) | x | kLow7);
}

inline bool isBreak(char c)
{
    return c == '\n' || c == '\r';
}

inline int clampToInt(qsizetype v)
{
    return v > INT_MAX ? INT_MAX : static_cast<int>(v);
}

// The number of line breaks in [p, p + n): every LF, and every CR that is not
// directly followed by an LF inside the range.
qsizetype countBreaks(const char* p, qsizetype n, bool hasCr)
{
    qsizetype lf = 0, cr = 0, pairs = 0, i = 0;
    if (!hasCr) {
        for (; i + 8 <= n; i += 8)
            lf += std::popcount(bytesEqual(load64(p + i), '\n'));
    } else {
        for (; i + 9 <= n; i += 8) {
            const quint64 w = load64(p + i);
            const quint64 crs = bytesEqual(w, '\r');
            lf += std::popcount(bytesEqual(w, '\n'));
            if (crs) {
                cr += std::popcount(crs);
                // The same byte positions, one byte further on: CR LF pairs.
                pairs += std::popcount(crs & bytesEqual(load64(p + i + 1), '\n'));
            }
        }
    }
    for (; i < n; ++i) {
        if (p[i] == '\n') {
            ++lf;
        } else if (p[i] == '\r') {
            ++cr;
            if (i + 1 < n && p[i + 1] == '\n')
                ++pairs;
        }
    }
    return lf + cr - pairs;
}

// The first non-ASCII byte in [from, to), or `to`.
qsizetype findNonAscii(const char* p, qsizetype from, qsizetype to)
{
    qsizetype i = from;
    for (; i + 8 <= to; i += 8) {
        if (load64(p + i) & kHighBits)
            break;
    }
    while (i < to && static_cast<unsigned char>(p[i]) < 0x80)
        ++i;
    return i;
}

// The start of the line that holds position q, not before `lo`.
qsizetype lineStartOf(const char* p, qsizetype lo, qsizetype q)
{
    while (q > lo && !isBreak(p[q - 1]))
        --q;
    return q;
}

// The end of the line that holds position q (its break, or `to`).
qsizetype lineEndOf(const char* p, qsizetype q, qsizetype to)
{
    while (q < to && !isBreak(p[q]))
        ++q;
    return q;
}

// The start of the line after the one that ends at `e` (a break or the end `n`).
qsizetype nextLineStart(const char* p, qsizetype e, qsizetype n)
{
    if (e >= n)
        return n;
    if (p[e] == '\r' && e + 1 < n && p[e + 1] == '\n')
        return e + 2;
    return e + 1;
}

// The first line start at or after `t`, never inside a CR LF pair.
qsizetype alignToLineStart(const char* p, qsizetype t, qsizetype n)
{
    if (t >= n)
        return n;
    if (p[t - 1] == '\r' && p[t] == '\n')
        return t + 1;
    if (isBreak(p[t - 1]))
        return t;
    return nextLineStart(p, lineEndOf(p, t, n), n);
}

class LineSearch {
public:
    LineSearch(const QString& text, bool matchCase)
        : m_matchCase(matchCase)
        , m_locale(QLocale::system())
    {
        // A text holding a break or a NUL can never lie within one line.
        m_never = text.isEmpty() || text.contains(QLatin1Char('\n'))
            || text.contains(QLatin1Char('\r')) || text.contains(QChar(0));
        if (m_never)
            return;
        if (matchCase) {
            m_utf8Bytes = text.toUtf8();
            m_cp1252Bytes = encodeWindows1252(text, &m_cp1252Usable);
            return;
        }
        m_upper = m_locale.toUpper(text);
        m_upperIsAscii = isAscii(m_upper.toUtf8());
        if (m_upperIsAscii)
            m_utf8Bytes = m_upper.toUtf8();
        // ASCII lines may be folded byte by byte only when the locale upper-cases
        // ASCII exactly as ASCII does (not so in a Turkish locale, where i -> İ).
        QByteArray all;
        for (int c = 1; c < 128; ++c)
            all.append(static_cast<char>(c));
        const QString allText = QString::fromLatin1(all);
        QByteArray folded = all;
        for (char& c : folded)
            c = foldAscii(c);
        m_foldAsciiLines = m_locale.toUpper(allText) == QString::fromLatin1(folded);
    }

    bool never() const { return m_never; }

    // Prepares the search of one document's text (without its NUL and what follows).
    void setDocument(const char* p, qsizetype n)
    {
        m_p = p;
        m_n = n;
        m_ascii = isAscii(QByteArrayView(p, n));
        m_utf8 = m_ascii || isValidUtf8(QByteArrayView(p, n));
    }

    // A position inside the first matching line in [a, b) (whole lines), or -1.
    qsizetype findFirst(qsizetype a, qsizetype b)
    {
        if (m_never || a >= b)
            return -1;
        if (m_matchCase)
            return findBytes(m_p + a, b - a, m_utf8 ? m_utf8Bytes : m_cp1252Bytes,
                             m_utf8 || m_cp1252Usable, a);
        if (!m_foldAsciiLines)
            return findDecodedLines(a, b);
        qsizetype q = a;
        while (q < b) {
            const qsizetype odd = m_ascii ? b : findNonAscii(m_p, q, b);
            const qsizetype blockEnd = odd == b ? b : lineStartOf(m_p, q, odd);
            if (blockEnd > q && m_upperIsAscii) {
                const qsizetype hit = findFolded(q, blockEnd);
                if (hit >= 0)
                    return hit;
            }
            if (odd == b)
                return -1;
            const qsizetype lineEnd = lineEndOf(m_p, odd, b);
            if (decodedLineMatches(blockEnd, lineEnd))
                return blockEnd;
            q = nextLineStart(m_p, lineEnd, m_n);
        }
        return -1;
    }

private:
    static char foldAscii(char c)
    {
        return (static_cast<unsigned char>(c - 'a') < 26u) ? static_cast<char>(c - 32) : c;
    }

    static qsizetype findBytes(const char* hay, qsizetype len, const QByteArray& needle,
                               bool usable, qsizetype base)
    {
        if (!usable || needle.isEmpty())
            return -1;
        const void* hit = memmem(hay, static_cast<size_t>(len), needle.constData(),
                                 static_cast<size_t>(needle.size()));
        return hit ? base + (static_cast<const char*>(hit) - hay) : -1;
    }

    qsizetype findFolded(qsizetype a, qsizetype b)
    {
        const qsizetype len = b - a;
        if (m_scratch.size() < len)
            m_scratch.resize(len);
        char* out = m_scratch.data();
        const char* in = m_p + a;
        for (qsizetype i = 0; i < len; ++i)
            out[i] = foldAscii(in[i]);
        const void* hit = memmem(out, static_cast<size_t>(len), m_utf8Bytes.constData(),
                                 static_cast<size_t>(m_utf8Bytes.size()));
        return hit ? a + (static_cast<const char*>(hit) - out) : -1;
    }

    bool decodedLineMatches(qsizetype a, qsizetype b) const
    {
        const QByteArrayView bytes(m_p + a, b - a);
        const QString line = m_utf8 ? QString::fromUtf8(bytes) : decodeWindows1252(bytes);
        return m_locale.toUpper(line).contains(m_upper);
    }

    qsizetype findDecodedLines(qsizetype a, qsizetype b) const
    {
        for (qsizetype q = a; q < b;) {
            const qsizetype e = lineEndOf(m_p, q, b);
            if (decodedLineMatches(q, e))
                return q;
            q = nextLineStart(m_p, e, m_n);
        }
        return -1;
    }

    bool m_matchCase;
    QLocale m_locale;
    bool m_never = false;
    QString m_upper;
    bool m_upperIsAscii = false;
    bool m_foldAsciiLines = false;
    QByteArray m_utf8Bytes;
    QByteArray m_cp1252Bytes;
    bool m_cp1252Usable = false;
    QByteArray m_scratch;

    const char* m_p = nullptr;
    qsizetype m_n = 0;
    bool m_ascii = true;
    bool m_utf8 = true;
};

} // namespace

bool ContentContainsText(QByteArrayView content, const QString& text, bool matchCase,
                         ProgBar* currentProgress)
{
    const char* p = content.data();
    qsizetype n = content.size();
    if (const void* nul = n > 0 ? std::memchr(p, 0, static_cast<size_t>(n)) : nullptr)
        n = static_cast<const char*>(nul) - p;
    const bool hasCr = n > 0 && std::memchr(p, '\r', static_cast<size_t>(n)) != nullptr;

    // Blocks of whole lines with their line counts; together the document's lines.
    struct Block {
        qsizetype end;
        qsizetype lines;
    };
    std::vector<Block> blocks;
    blocks.reserve(static_cast<size_t>(n / kBlockBytes + 1));
    qsizetype lineCount = 0;
    for (qsizetype pos = 0; pos < n;) {
        const qsizetype end = alignToLineStart(p, pos + kBlockBytes, n);
        qsizetype lines = countBreaks(p + pos, end - pos, hasCr);
        if (end == n && !isBreak(p[n - 1]))
            ++lines; // the last line has no break
        blocks.push_back({end, lines});
        lineCount += lines;
        pos = end;
    }

    LineSearch search(text, matchCase);
    search.setDocument(p, n);

    const int total = clampToInt(lineCount);
    if (currentProgress)
        currentProgress->Start(QStringLiteral("Searching line #"), total / 128);
    bool found = false;
    qsizetype done = 0; // lines stepped past
    qsizetype pos = 0;
    for (const Block& block : blocks) {
        const qsizetype hit = search.findFirst(pos, block.end);
        const qsizetype last
            = hit < 0 ? done + block.lines : done + countBreaks(p + pos, hit - pos, hasCr) + 1;
        bool cancelled = false;
        if (currentProgress) {
            for (qsizetype line = done + 1; line <= last; ++line) {
                if (!currentProgress->Step(clampToInt(line), total)) {
                    cancelled = true;
                    break;
                }
            }
        }
        if (cancelled)
            break;
        if (hit >= 0) {
            found = true;
            break;
        }
        done = last;
        pos = block.end;
    }
    if (currentProgress)
        currentProgress->Finish(0);
    return found;
}

bool FileContainsText(const QString& path, const QString& text, bool matchCase,
                      ProgBar* currentProgress)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        throw std::runtime_error(
            QStringLiteral("Cannot open file '%1': %2").arg(path, file.errorString()).toStdString());
    }
    const QByteArray content = file.readAll();
    if (file.error() != QFileDevice::NoError) {
        throw std::runtime_error(
            QStringLiteral("Cannot read file '%1': %2").arg(path, file.errorString()).toStdString());
    }
    return ContentContainsText(content, text, matchCase, currentProgress);
}

} // namespace zv
