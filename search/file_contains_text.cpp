#include "search/file_contains_text.h"

#include "core/prog_bar.h"
#include "platform/file_paths.h"
#include "search/byte_scan.h"
#include "search/text_codec.h"
#include "search/upper_case_map.h"

#include <QLocale>

#include <algorithm>
#include <bit>
#include <cerrno>
#include <climits>
#include <cstring>
#include <functional>
#include <stdexcept>
#include <utility>
#include <vector>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

// The document is not split into a list of line strings. It is read and cut into
// blocks of whole lines (the first 16 KiB, then about 64 KiB each), whose lines are
// counted when the progress display needs the count, so the line count for Start
// and the per-line Steps are exactly those of a line-by-line scan. Each block is
// searched as a whole: the text cannot contain a line break, so a hit inside a
// block lies within one line, and its line number is the number of breaks before
// it plus one. Without "Match case" a block is first
// upper-cased into a buffer: ASCII bytes in bulk, other characters one by one
// through the locale's mapping (remembered per character), and the buffer is
// searched for the upper-cased text in UTF-8.

namespace zv {
namespace {

constexpr qsizetype kBlockBytes = 64 * 1024;

inline bool isBreak(char c)
{
    return c == '\n' || c == '\r';
}

inline int clampToInt(qsizetype v)
{
    return v > INT_MAX ? INT_MAX : static_cast<int>(v);
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

// What is looked for, prepared once for a text, a case rule and a locale.
struct Pattern {
    QString text;
    bool matchCase = false;
    QLocale locale;
    bool never = true;   // nothing can match
    QByteArray utf8;     // the text (upper-cased unless matchCase) in UTF-8
    bool ascii = false;  // utf8 holds ASCII bytes only
    QByteArray cp1252;   // matchCase: the text in Windows-1252
    bool cp1252Usable = false;
    QString upper;       // the upper-cased text, for locales that upper-case whole lines
    UpperCaseMap* map = nullptr;
    // Without "Match case": the longest run of ASCII bytes in utf8. In a line free of
    // characters that upper-case into ASCII, the text can only occur where this run
    // occurs in the line's own bytes, ASCII letters taken in either case.
    QByteArray anchor;
    // The bytes of the anchor (upper case), and per byte 0x80..0xFF whether it may
    // begin a character that upper-cases into one of them (-1: not looked at yet).
    // Only such characters can take part in a match of the anchor: other characters
    // that upper-case into ASCII (ß into SS for a text without S) change nothing.
    bool anchorBytes[128] = {};
    mutable signed char makerLead[128];
    // Without "Match case", for a text with a character outside ASCII: the bytes
    // (in UTF-8 and in Windows-1252) of every character whose upper case holds one
    // chosen such character. A line holds one of them or cannot match; characters
    // of other scripts are rare in most documents, so few lines need a closer look.
    std::vector<QByteArray> needles;
    bool needleOfOneByte = false; // a needle is a single byte (Latin letters)
    // For 2 to 4 needles of one length and one first byte: their first two bytes,
    // looked for while the breaks are counted; the needles are then looked for in
    // one pass (count 0: the needles are looked for one by one).
    PairProbe probe;
};

// The needles for the upper-cased text: of its characters outside ASCII, the one
// whose preimages make the fewest needles, single bytes counting most (they also
// occur inside UTF-8 sequences of other characters).
void chooseNeedles(Pattern& pat)
{
    UpperCaseMap& map = *pat.map;
    int bestScore = INT_MAX;
    const QList<uint> chars = pat.upper.toUcs4();
    for (const uint upper : chars) {
        if (upper < 0x80 || upper >= 0x10000)
            continue;
        const std::vector<char32_t>& preimages = map.preimagesOf(upper);
        std::vector<QByteArray> needles;
        bool oneByte = false;
        for (const char32_t cp : preimages) {
            char bytes[4];
            const int length = encodeUtf8(cp, bytes);
            needles.emplace_back(bytes, length);
            oneByte = oneByte || length == 1;
            if (cp >= 0x80) {
                bool usable = false;
                const QByteArray single = encodeWindows1252(QString::fromUcs4(&cp, 1), &usable);
                if (usable && single.size() == 1) {
                    needles.push_back(single);
                    oneByte = true;
                }
            }
        }
        std::sort(needles.begin(), needles.end());
        needles.erase(std::unique(needles.begin(), needles.end()), needles.end());
        if (needles.empty() || needles.size() > 8)
            continue;
        const int score = (oneByte ? 100 : 0) + int(needles.size());
        if (score < bestScore) {
            bestScore = score;
            pat.needles = std::move(needles);
            pat.needleOfOneByte = oneByte;
        }
    }
}

const Pattern& patternFor(const QString& text, bool matchCase, const QLocale& locale)
{
    // Asked once per document: the last pattern is kept (locales compare cheaply).
    static Pattern cached;
    if (cached.map && cached.matchCase == matchCase && cached.text == text
        && cached.locale == locale)
        return cached;
    Pattern pat;
    std::memset(pat.makerLead, -1, sizeof pat.makerLead);
    pat.text = text;
    pat.matchCase = matchCase;
    pat.locale = locale;
    pat.map = &UpperCaseMap::of(locale);
    // A text holding a break or a NUL can never lie within one line of text.
    pat.never = text.isEmpty() || text.contains(QLatin1Char('\n'))
        || text.contains(QLatin1Char('\r')) || text.contains(QChar(0)) || !text.isValidUtf16();
    if (!pat.never) {
        if (matchCase) {
            pat.utf8 = text.toUtf8();
            pat.cp1252 = encodeWindows1252(text, &pat.cp1252Usable);
        } else {
            pat.upper = locale.toUpper(text);
            pat.utf8 = pat.upper.toUtf8();
            for (qsizetype i = 0; i < pat.utf8.size();) {
                qsizetype j = i;
                while (j < pat.utf8.size() && static_cast<unsigned char>(pat.utf8[j]) < 0x80)
                    ++j;
                if (j - i > pat.anchor.size())
                    pat.anchor = pat.utf8.mid(i, j - i);
                i = j + 1;
            }
            for (const char c : pat.anchor)
                pat.anchorBytes[static_cast<unsigned char>(c)] = true;
        }
        pat.ascii = isAscii(pat.utf8);
        if (!matchCase && !pat.ascii && pat.map->perCharacter()) {
            chooseNeedles(pat);
            const std::vector<QByteArray>& n = pat.needles;
            const bool inOnePass = n.size() >= 2 && n.size() <= 4
                && std::all_of(n.begin(), n.end(), [&n](const QByteArray& needle) {
                       return needle.size() == n[0].size() && needle.size() >= 2
                           && needle[0] == n[0][0];
                   });
            if (inOnePass) {
                pat.probe.first = n[0][0];
                for (const QByteArray& needle : n) {
                    char* end = pat.probe.seconds + pat.probe.count;
                    if (std::find(pat.probe.seconds, end, needle[1]) == end)
                        pat.probe.seconds[pat.probe.count++] = needle[1];
                }
            }
        }
    }
    cached = pat;
    return cached;
}

// The search of one document's text (up to, not including, a NUL).
class DocumentSearch {
public:
    DocumentSearch(const Pattern& pattern, const char* p, qsizetype n)
        : m_pat(pattern)
        , m_p(p)
        , m_n(n)
    {
    }

    // The number of lines before the first matching line of the block [a, b) of
    // whole lines, or -1 when no line of it matches. `pairAt`: where the pattern's
    // probe found its first pair in the block (-1: nowhere), if it was looked for.
    qsizetype firstMatch(qsizetype a, qsizetype b, bool nonAscii,
                         qsizetype pairAt = BreakCounts::kNotLookedFor)
    {
        if (m_pat.never || a >= b)
            return -1;
        if (m_pat.matchCase)
            return searchRaw(a, b, nonAscii);
        if (!m_pat.map->perCharacter())
            return searchWholeLines(a, b);
        return searchFolded(a, b, nonAscii, pairAt);
    }

    // While only the start of the document is at hand: what reads the rest and
    // answers the length of its text. Deciding the encoding needs the whole text.
    void setCompletion(std::function<qsizetype()> complete) { m_complete = std::move(complete); }
    // The text is known to go on at least to n.
    void setLength(qsizetype n) { m_n = std::max(m_n, n); }

private:
    // Whether the document is read as UTF-8; checked once, when first needed.
    bool utf8()
    {
        if (m_utf8 < 0) {
            if (m_complete)
                m_n = std::exchange(m_complete, nullptr)();
            m_utf8 = isValidUtf8(QByteArrayView(m_p, m_n)) ? 1 : 0;
        }
        return m_utf8 == 1;
    }

    qsizetype searchRaw(qsizetype a, qsizetype b, bool nonAscii)
    {
        // An ASCII text has the same bytes in both encodings; a non-ASCII one
        // cannot occur in ASCII bytes.
        const QByteArray* bytes = &m_pat.utf8;
        if (!m_pat.ascii) {
            if (!nonAscii)
                return -1;
            // The whole document is checked for its encoding only when the text
            // occurs in one of the readings.
            if (m_utf8 < 0 && findBytes(m_p + a, b - a, m_pat.utf8.constData(), m_pat.utf8.size()) < 0
                && (!m_pat.cp1252Usable
                    || findBytes(m_p + a, b - a, m_pat.cp1252.constData(), m_pat.cp1252.size()) < 0))
                return -1;
            if (!utf8()) {
                if (!m_pat.cp1252Usable)
                    return -1;
                bytes = &m_pat.cp1252;
            }
        }
        const qsizetype hit = findBytes(m_p + a, b - a, bytes->constData(), bytes->size());
        return hit < 0 ? -1 : scanBreaks(m_p + a, hit).breaks;
    }

    qsizetype searchFolded(qsizetype a, qsizetype b, bool nonAscii, qsizetype pairAt)
    {
        const bool plain = m_pat.map->plainAscii();
        if (plain && !m_pat.ascii && !nonAscii)
            return -1; // ASCII lines upper-case to ASCII only; the text is not ASCII
        const bool asciiAnchor = plain && (m_pat.ascii || m_pat.anchor.size() >= 3);
        if (!m_pat.needles.empty() && (!m_pat.needleOfOneByte || !asciiAnchor))
            return searchByNeedles(a, b, pairAt);
        if (asciiAnchor) {
            // Lines whose other characters do not upper-case into ASCII are looked at
            // in their own bytes: an ASCII text is found there directly (ASCII letters
            // compared in either case); for another text only the lines holding its
            // ASCII anchor are upper-cased and checked. Lines holding a character that
            // upper-cases into ASCII are upper-cased and checked whole.
            const QByteArray& anchor = m_pat.ascii ? m_pat.utf8 : m_pat.anchor;
            for (qsizetype q = a; q < b;) {
                const qsizetype maker = nonAscii ? nextAsciiMaker(q, b) : b;
                const qsizetype runEnd = maker == b ? b : lineStartOf(m_p, q, maker);
                for (qsizetype from = q; from < runEnd;) {
                    const qsizetype hit = findAsciiIgnoringCase(m_p + from, runEnd - from,
                                                                anchor.constData(), anchor.size());
                    if (hit < 0)
                        break;
                    if (m_pat.ascii)
                        return scanBreaks(m_p + a, from + hit - a).breaks;
                    const qsizetype start = lineStartOf(m_p, q, from + hit);
                    const qsizetype end = lineEndOf(m_p, from + hit, runEnd);
                    if (upperCasedLineMatches(start, end))
                        return scanBreaks(m_p + a, start - a).breaks;
                    from = nextLineStart(m_p, end, m_n);
                }
                if (maker == b)
                    return -1;
                const qsizetype lineEnd = lineEndOf(m_p, maker, b);
                if (upperCasedLineMatches(runEnd, lineEnd))
                    return scanBreaks(m_p + a, runEnd - a).breaks;
                q = nextLineStart(m_p, lineEnd, m_n);
            }
            return -1;
        }
        // Breaks upper-case to themselves, so they are counted in the buffer.
        const qsizetype hit = findUpperCased(a, b, utf8());
        return hit < 0 ? -1 : scanBreaks(foldBuffer().data(), hit).breaks;
    }

    // Only the lines holding one of the needles are upper-cased and checked. A
    // needle can only start where the probe found a pair, when it looked.
    qsizetype searchByNeedles(qsizetype a, qsizetype b, qsizetype pairAt)
    {
        const bool inOnePass = m_pat.probe.count > 0;
        qsizetype from = a;
        if (inOnePass && pairAt != BreakCounts::kNotLookedFor) {
            if (pairAt < 0)
                return -1;
            from = lineStartOf(m_p, a, pairAt);
        }
        const std::vector<QByteArray>& needles = m_pat.needles;
        const char* together[4] = {};
        if (inOnePass) {
            for (size_t k = 0; k < needles.size(); ++k)
                together[k] = needles[k].constData();
        }
        // Where each needle next occurs at or after q (b: nowhere before b), kept
        // between calls so that each is looked for again only once passed.
        qsizetype next[8];
        std::fill(std::begin(next), std::end(next), qsizetype(-1));
        auto nextNeedle = [&](qsizetype q) {
            if (inOnePass) {
                const qsizetype at = findAnyNeedle(m_p + q, b - q, together,
                                                   int(needles.size()), needles[0].size());
                return at < 0 ? b : q + at;
            }
            qsizetype hit = b;
            for (size_t k = 0; k < needles.size(); ++k) {
                if (next[k] < q) {
                    const qsizetype at = findBytes(m_p + q, b - q, needles[k].constData(),
                                                   needles[k].size());
                    next[k] = at < 0 ? b : q + at;
                }
                hit = std::min(hit, next[k]);
            }
            return hit;
        };
        for (qsizetype q = from; q < b;) {
            const qsizetype hit = nextNeedle(q);
            if (hit >= b)
                return -1;
            const qsizetype start = lineStartOf(m_p, q, hit);
            const qsizetype end = lineEndOf(m_p, hit, b);
            if (upperCasedLineMatches(start, end))
                return scanBreaks(m_p + a, start - a).breaks;
            q = nextLineStart(m_p, end, m_n);
        }
        return -1;
    }

    // Whether the upper case of line [a, e) holds the text. While the encoding of
    // the document is open, the line is upper-cased in both readings; the whole
    // document is checked only when the two answers differ.
    bool upperCasedLineMatches(qsizetype a, qsizetype e)
    {
        if (m_utf8 < 0 && !isValidUtf8(QByteArrayView(m_p + a, e - a)))
            m_utf8 = 0;
        if (m_utf8 >= 0)
            return findUpperCased(a, e, m_utf8 == 1) >= 0;
        const bool asUtf8 = findUpperCased(a, e, true) >= 0;
        // Read as Windows-1252 without a character that upper-cases into ASCII,
        // the line holds an ASCII text exactly where its bytes do in either case.
        const bool as1252 = !m_pat.ascii || has1252AsciiMaker(a, e)
            ? findUpperCased(a, e, false) >= 0
            : findAsciiIgnoringCase(m_p + a, e - a, m_pat.utf8.constData(), m_pat.utf8.size()) >= 0;
        return asUtf8 == as1252 ? asUtf8 : (utf8() ? asUtf8 : as1252);
    }

    bool has1252AsciiMaker(qsizetype a, qsizetype e) const
    {
        for (qsizetype i = a; i < e; ++i) {
            const auto c = static_cast<unsigned char>(m_p[i]);
            if (c >= 0x80 && m_pat.map->upperMakesAnyOf(windows1252ToUnicode(c), m_pat.anchorBytes))
                return true;
        }
        return false;
    }

    // Whether byte c (0x80 and up) may begin a character that upper-cases into a
    // byte of the anchor; worked out once per text and byte.
    bool mayMakeAnchorByte(unsigned char c) const
    {
        signed char& state = m_pat.makerLead[c - 0x80];
        if (state < 0)
            state = m_pat.map->byteMayMakeAnyOf(c, m_pat.anchorBytes) ? 1 : 0;
        return state != 0;
    }

    // Upper-cases [a, b), read as UTF-8 or as Windows-1252, into the fold buffer and
    // answers where the text occurs in it, or -1.
    qsizetype findUpperCased(qsizetype a, qsizetype b, bool asUtf8)
    {
        UpperCaseMap& map = *m_pat.map;
        const bool plain = map.plainAscii();
        std::vector<char>& buf = foldBuffer();
        qsizetype out = 0;
        auto reserve = [&buf, &out](qsizetype more) {
            if (qsizetype(buf.size()) < out + more)
                buf.resize(std::max<size_t>(buf.size() * 2, size_t(out + more)));
        };
        const auto* u = reinterpret_cast<const unsigned char*>(m_p);
        qsizetype i = a;
        while (i < b) {
            if (plain) {
                reserve(b - i);
                const qsizetype k = foldAsciiUpper(m_p + i, buf.data() + out, b - i);
                out += k;
                i += k;
                if (i >= b)
                    break;
            }
            reserve(UpperCaseMap::kMaxUpperBytes);
            const unsigned char c = u[i];
            char32_t cp = c;
            int len = 1;
            if (c >= 0x80) {
                if (asUtf8) {
                    len = utf8SequenceLength(u + i, b - i);
                    cp = decodeUtf8Sequence(u + i, len);
                } else {
                    cp = windows1252ToUnicode(c);
                }
            }
            out += map.appendUpper(cp, buf.data() + out);
            i += len;
        }
        return findBytes(buf.data(), out, m_pat.utf8.constData(), m_pat.utf8.size());
    }

    // The first character in [a, b), in either reading of the bytes, whose upper
    // case holds a byte of the anchor, or b. Answering that needs no decision on the
    // encoding, which would mean checking the whole document.
    qsizetype nextAsciiMaker(qsizetype a, qsizetype b) const
    {
        UpperCaseMap& map = *m_pat.map;
        const auto* u = reinterpret_cast<const unsigned char*>(m_p);
        auto makesAscii = [&](qsizetype i) {
            const unsigned char c = u[i];
            if (!mayMakeAnchorByte(c))
                return false;
            if (map.upperMakesAnyOf(windows1252ToUnicode(c), m_pat.anchorBytes))
                return true;
            const int len = utf8SequenceLength(u + i, b - i);
            return len > 1
                && map.upperMakesAnyOf(decodeUtf8Sequence(u + i, len), m_pat.anchorBytes);
        };
        qsizetype i = a;
        for (; i + 16 <= b; i += 16) {
            // Only the non-ASCII bytes of each 16 are looked at.
            unsigned mask = nonAsciiMask16(m_p + i);
            while (mask) {
                const qsizetype at = i + std::countr_zero(mask);
                if (makesAscii(at))
                    return at;
                mask &= mask - 1;
            }
        }
        for (; i < b; ++i) {
            if (u[i] >= 0x80 && makesAscii(i))
                return i;
        }
        return b;
    }

    qsizetype searchWholeLines(qsizetype a, qsizetype b)
    {
        const QLocale& locale = m_pat.map->locale();
        qsizetype lines = 0;
        for (qsizetype q = a; q < b; ++lines) {
            const qsizetype e = lineEndOf(m_p, q, b);
            const QByteArrayView bytes(m_p + q, e - q);
            const QString line = utf8() ? QString::fromUtf8(bytes) : decodeWindows1252(bytes);
            if (locale.toUpper(line).contains(m_pat.upper))
                return lines;
            q = nextLineStart(m_p, e, m_n);
        }
        return -1;
    }

    static std::vector<char>& foldBuffer()
    {
        static std::vector<char> buffer(2 * kBlockBytes);
        return buffer;
    }

    const Pattern& m_pat;
    const char* m_p;
    qsizetype m_n;
    int m_utf8 = -1;
    std::function<qsizetype()> m_complete;
};

} // namespace

namespace {

// A document's bytes, perhaps not all read yet: [p, p + available) is at hand,
// `total` bytes make the document. Reading on never moves p.
class DocumentBytes {
public:
    DocumentBytes(const char* p, qsizetype available, qsizetype total)
        : p(p)
        , available(available)
        , total(total)
    {
    }
    virtual ~DocumentBytes() = default;
    // Makes at least min(want, total) bytes available (total may shrink when the
    // file turns out shorter).
    virtual void fetch(qsizetype want) { Q_UNUSED(want); }

    const char* const p;
    qsizetype available;
    qsizetype total;
};

// The first block is shorter than the others: a text found near the top of a
// document is found after reading and counting little of it.
constexpr qsizetype kFirstBlockBytes = 16 * 1024;

struct Block {
    qsizetype end;
    qsizetype lines;  // -1: not counted yet
    bool nonAscii;
    qsizetype pairAt; // where the probe found its first pair (see BreakCounts)
    bool openEnd;     // the block ends the text with a line that has no break
};

// The lines of the block [start, block.end), counted now if they were not yet.
qsizetype linesOf(const char* p, qsizetype start, Block& block)
{
    if (block.lines < 0)
        block.lines = scanBreaks(p + start, block.end - start).breaks + (block.openEnd ? 1 : 0);
    return block.lines;
}

// The block of whole lines from pos in [p, p + n): about `length` bytes long,
// ended early by a NUL (which then also becomes the end of the text, n), its lines
// counted when `count` is set. False when nothing is left.
bool nextBlock(const char* p, qsizetype pos, qsizetype& n, Block& block, qsizetype length,
               const PairProbe* probe, bool count)
{
    if (pos >= n)
        return false;
    qsizetype end = alignToLineStart(p, pos + length, n);
    BreakCounts counts = scanBreaks(p + pos, end - pos, probe, count);
    if (counts.nul) {
        // A NUL ends the text: this block is the last, up to the NUL.
        n = end = static_cast<const char*>(std::memchr(p + pos, 0, size_t(end - pos))) - p;
        if (end == pos)
            return false;
        counts = scanBreaks(p + pos, end - pos, probe, count);
    }
    const bool openEnd = end == n && !isBreak(p[n - 1]); // the last line has no break
    const qsizetype lines = count ? counts.breaks + (openEnd ? 1 : 0) : -1;
    block = {end, lines, counts.nonAscii, counts.pairAt < 0 ? counts.pairAt : pos + counts.pairAt,
             openEnd};
    return true;
}

// The blocks of a document one after another, reading on as they need: each
// block is cut only when the line it ends in is at hand. A NUL ends the text.
class BlockReader {
public:
    // `probe`: a pair of bytes each block is searched for as its lines are counted.
    BlockReader(DocumentBytes& doc, const PairProbe* probe)
        : m_doc(doc)
        , m_probe(probe)
    {
    }

    // The next block of about `length` bytes, its lines counted when `count` is
    // set; false at the end of the text.
    bool next(Block& block, qsizetype length, bool count)
    {
        if (m_ended)
            return false;
        qsizetype want = m_pos + length + 4096;
        qsizetype n = 0;
        for (;;) {
            m_doc.fetch(want);
            n = m_doc.available;
            if (n >= m_doc.total || alignToLineStart(m_doc.p, m_pos + length, n) + 1 < n)
                break;
            want = m_pos + 2 * (want - m_pos); // a long line: read on
        }
        const qsizetype available = n;
        if (!nextBlock(m_doc.p, m_pos, n, block, length, m_probe, count)) {
            m_ended = true;
            m_textEnd = m_pos;
            return false;
        }
        if (n < available)
            m_ended = true; // a NUL ended the text within this block
        m_pos = block.end;
        if (m_ended)
            m_textEnd = n;
        return true;
    }

    // Reads the rest and answers where the text ends (the first NUL or the end).
    qsizetype textEnd()
    {
        if (m_textEnd < 0) {
            m_doc.fetch(m_doc.total);
            const qsizetype n = m_doc.available;
            const void* nul = n > m_pos ? std::memchr(m_doc.p + m_pos, 0, size_t(n - m_pos))
                                        : nullptr;
            m_textEnd = nul ? static_cast<const char*>(nul) - m_doc.p : n;
        }
        return m_textEnd;
    }

private:
    DocumentBytes& m_doc;
    const PairProbe* m_probe;
    qsizetype m_pos = 0;
    qsizetype m_textEnd = -1;
    bool m_ended = false;
};

// The search of a document, block by block. The reporter is given one Step per
// line, up to the matching one, out of the document's line count; counting lines
// costs as much as searching them, so it is done only when the display can show
// it. While the reporter's Steps would stay quiet (see ProgBar::quietNow) they are
// put off, lines uncounted; once they would not, the lines are counted, the Steps
// put off are made, and the rest goes as it comes. When the text is found, the
// count stops once the display's thinning is sure to pass over the Steps up to it:
// the rest of the count cannot show then.
bool searchDocument(DocumentBytes& doc, const QString& text, bool matchCase,
                    ProgBar* currentProgress, const QLocale& locale)
{
    const Pattern& pattern = patternFor(text, matchCase, locale);
    BlockReader reader(doc, pattern.probe.count > 0 ? &pattern.probe : nullptr);
    DocumentSearch search(pattern, doc.p, 0);
    // Deciding the encoding needs the whole text: read on then.
    search.setCompletion([&reader] { return reader.textEnd(); });
    if (currentProgress)
        currentProgress->Start(QStringLiteral("Searching line #"), 0);

    std::vector<Block> blocks; // read so far; block k starts where block k - 1 ends
    auto startOf = [&blocks](size_t k) { return k == 0 ? qsizetype(0) : blocks[k - 1].end; };
    // Reads block k if it is not read yet; false past the end of the text.
    auto have = [&](size_t k, bool count) {
        Block block{};
        while (blocks.size() <= k) {
            if (!reader.next(block, blocks.empty() ? kFirstBlockBytes : kBlockBytes, count))
                return false;
            blocks.push_back(block);
        }
        return true;
    };

    bool sized = false;     // the reporter has the line count and every Step so far
    qsizetype total = 0;    // the line count the reporter was given
    qsizetype stepped = 0;  // the lines before block k (once sized)
    bool found = false;
    for (size_t k = 0; have(k, sized); ++k) {
        search.setLength(blocks[k].end);
        const qsizetype before = search.firstMatch(startOf(k), blocks[k].end, blocks[k].nonAscii,
                                                   blocks[k].pairAt);
        found = before >= 0;
        if (!currentProgress) {
            if (found)
                return true;
            continue;
        }
        if (!sized && !currentProgress->quietNow()) {
            qsizetype putOff = 0; // the lines of the blocks before this one
            for (size_t j = 0; j < k; ++j)
                putOff += linesOf(doc.p, startOf(j), blocks[j]);
            // The count: all lines, or enough of them to show that no Step up to
            // the line found refreshes the display.
            const qsizetype line = putOff + before + 1;
            qsizetype lines = putOff;
            for (size_t j = k; (!found || lines / 128 < line) && have(j, true); ++j)
                lines += linesOf(doc.p, startOf(j), blocks[j]);
            total = lines;
            currentProgress->StepsPutOff(clampToInt(total) / 128, 1, clampToInt(putOff),
                                         clampToInt(total));
            stepped = putOff;
            sized = true;
        }
        if (sized) {
            const qsizetype last = found ? stepped + before + 1
                                         : stepped + linesOf(doc.p, startOf(k), blocks[k]);
            // One Step per line stepped past, given to the reporter as a run.
            if (stepped < last
                && !currentProgress->Steps(clampToInt(stepped + 1), clampToInt(last),
                                           clampToInt(total))) {
                found = false;
                break;
            }
            stepped = last;
        }
        if (found)
            break;
    }
    if (currentProgress)
        currentProgress->Finish(0);
    return found;
}

} // namespace

bool ContentContainsText(QByteArrayView content, const QString& text, bool matchCase,
                         ProgBar* currentProgress, const QLocale& locale)
{
    DocumentBytes doc(content.data(), content.size(), content.size());
    return searchDocument(doc, text, matchCase, currentProgress, locale);
}

namespace {

[[noreturn]] void throwFileError(const char* what, const QString& path, int error)
{
    throw std::runtime_error(
        QStringLiteral("%1 '%2': %3").arg(QLatin1String(what), path, qt_error_string(error)).toStdString());
}

// One read of up to n bytes (0 at the end of the file), retried when a signal
// interrupts it.
qsizetype readSome(int fd, char* into, qsizetype n, const QString& path)
{
    for (;;) {
        const ssize_t got = ::read(fd, into, size_t(n));
        if (got >= 0)
            return got;
        if (errno != EINTR)
            throwFileError("Cannot read file", path, errno);
    }
}

// Reads what is not a regular file (a device, a pipe), from the descriptor opened
// for it, to its end.
qsizetype readToEnd(int fd, const QString& path, std::vector<char>& buffer)
{
    // Opened without waiting for a writer (a pipe nobody writes to then reads as
    // empty); reading waits for data as for any file.
    const int flags = ::fcntl(fd, F_GETFL);
    if (flags >= 0)
        ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK);
    qsizetype size = 0;
    for (;;) {
        if (qsizetype(buffer.size()) < size + kBlockBytes)
            buffer.resize(size_t(size + kBlockBytes));
        const qsizetype got = readSome(fd, buffer.data() + size, kBlockBytes, path);
        if (got == 0)
            return size;
        size += got;
    }
}

// The first read of a regular file: long enough for most documents whole, or short
// when the documents searched before were found near their tops.
constexpr qsizetype kLongRead = 512 * 1024;
constexpr qsizetype kShortRead = 32 * 1024;
// Whether the last document's search needed no more than a short read.
bool shortFirstRead = false;

} // namespace

bool FileContainsText(const QString& path, const QString& text, bool matchCase,
                      ProgBar* currentProgress)
{
    // One buffer serves every document: no allocation per file. A regular file is
    // read with its size known, in as few system calls as the system allows: a
    // Find opens thousands of files one after another.
    static std::vector<char> buffer;
    static std::string name;
    const int fd = ::open(nativePath(path, name), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0)
        throwFileError("Cannot open file", path, errno);
    struct Closer {
        int fd;
        ~Closer() { ::close(fd); }
    } closer{fd};
    struct stat st {};
    if (::fstat(fd, &st) != 0)
        throwFileError("Cannot open file", path, errno);
    // What is not a regular file, or tells no size (files of the system's own
    // folders), is read to its end.
    if (!S_ISREG(st.st_mode) || st.st_size <= 0) {
        if (S_ISDIR(st.st_mode))
            throwFileError("Cannot open file", path, EISDIR);
        const qsizetype size = readToEnd(fd, path, buffer);
        return ContentContainsText(QByteArrayView(buffer.data(), size), text, matchCase,
                                   currentProgress);
    }
    // A regular file is read as far as the search needs, up to the size it had when
    // opened: a document found near its top is not read through.
    struct FileBytes : DocumentBytes {
        FileBytes(const char* p, qsizetype total, int fd, const QString& path)
            : DocumentBytes(p, 0, total)
            , fd(fd)
            , path(path)
        {
        }
        void fetch(qsizetype want) override
        {
            // Most documents are read whole by the first read, unless the searches
            // of the documents before ended near their tops; reading on doubles what
            // is at hand, so a long document takes few reads too.
            wanted = std::max(wanted, want);
            const qsizetype least = available == 0 && shortFirst ? kShortRead : kLongRead;
            want = std::min(std::max({want, 2 * available, least}), total);
            while (available < want) {
                const qsizetype got
                    = readSome(fd, const_cast<char*>(p) + available, want - available, path);
                if (got == 0) {
                    total = available; // the file became shorter
                    break;
                }
                available += got;
            }
        }
        const int fd;
        const QString& path;
        qsizetype wanted = 0; // the most the search asked for
        const bool shortFirst = shortFirstRead;
    };
    const qsizetype total = qsizetype(std::max<off_t>(st.st_size, 0));
    if (qsizetype(buffer.size()) < total + 1)
        buffer.resize(size_t(total + 1));
    FileBytes doc(buffer.data(), total, fd, path);
    shortFirstRead = false; // unless this search ends near the top
    const bool found = searchDocument(doc, text, matchCase, currentProgress, QLocale::system());
    shortFirstRead = doc.wanted <= kShortRead;
    return found;
}

} // namespace zv
