#include "search/byte_scan.h"
#include "search/text_codec.h"

#include <QByteArray>
#include <QRandomGenerator>
#include <gtest/gtest.h>

#include <cstring>

using namespace zv;

namespace {
qsizetype naiveBreaks(const QByteArray& s)
{
    qsizetype n = 0;
    for (qsizetype i = 0; i < s.size(); ++i) {
        if (s[i] == '\n' || (s[i] == '\r' && !(i + 1 < s.size() && s[i + 1] == '\n')))
            ++n;
    }
    return n;
}

char upper(char c)
{
    return (c >= 'a' && c <= 'z') ? char(c - 32) : c;
}

qsizetype naiveFindNoCase(const QByteArray& s, const QByteArray& q)
{
    for (qsizetype i = 0; i + q.size() <= s.size(); ++i) {
        qsizetype k = 0;
        while (k < q.size() && upper(s[i + k]) == q[k])
            ++k;
        if (k == q.size())
            return i;
    }
    return -1;
}
} // namespace

// The wide scans handle 16 or 32 bytes at a time; every length and offset around
// those widths must give what a byte-by-byte loop gives.
TEST(ByteScans, AgreeWithByteByByteLoopsAtEveryLength)
{
    QRandomGenerator rng(77);
    const char alphabet[] = {'\n', '\r', 'a', 'B', 'n', 'E', '\0', char(0xC3), char(0x9F), ' '};
    for (int round = 0; round < 3000; ++round) {
        const int len = rng.bounded(140);
        QByteArray s(len, Qt::Uninitialized);
        for (char& c : s)
            c = alphabet[rng.bounded(int(sizeof alphabet))];
        SCOPED_TRACE(len);

        const BreakCounts counts = scanBreaks(s.constData(), s.size());
        EXPECT_EQ(counts.breaks, naiveBreaks(s));
        EXPECT_EQ(counts.nonAscii, s.contains(char(0xC3)) || s.contains(char(0x9F)));
        EXPECT_EQ(counts.nul, s.contains('\0'));

        const qsizetype firstHigh = [&] {
            for (qsizetype i = 0; i < s.size(); ++i) {
                if (static_cast<unsigned char>(s[i]) >= 0x80)
                    return i;
            }
            return s.size();
        }();
        EXPECT_EQ(asciiPrefix(s.constData(), s.size()), firstHigh);
        QByteArray folded(s.size(), '\0');
        EXPECT_EQ(foldAsciiUpper(s.constData(), folded.data(), s.size()), firstHigh);
        for (qsizetype i = 0; i < firstHigh; ++i)
            EXPECT_EQ(folded[i], upper(s[i]));

        for (const QByteArray& needle : {QByteArray("N"), QByteArray("BN"), QByteArray("AN\nE"),
                                         QByteArray("E\rB"), QByteArray("ENA")}) {
            EXPECT_EQ(findAsciiIgnoringCase(s.constData(), s.size(), needle.constData(),
                                            needle.size()),
                      naiveFindNoCase(s, needle));
            EXPECT_EQ(findBytes(s.constData(), s.size(), needle.constData(), needle.size()),
                      s.indexOf(needle));
        }
        // Needles of one length and first byte, looked for together: the first
        // place any of them starts.
        const QByteArray pairs[] = {QByteArray("\xC3\x9F"), QByteArray("\xC3" "a"),
                                    QByteArray("\xC3\n"), QByteArray("\xC3" "B")};
        for (int count = 1; count <= 4; ++count) {
            const char* needles[4] = {};
            qsizetype want = -1;
            for (int k = 0; k < count; ++k) {
                needles[k] = pairs[k].constData();
                const qsizetype at = s.indexOf(pairs[k]);
                if (at >= 0 && (want < 0 || at < want))
                    want = at;
            }
            EXPECT_EQ(findAnyNeedle(s.constData(), s.size(), needles, count, 2), want) << count;
        }
    }
}

// A pair probe rides along with the break count: the counts stay the same, and the
// first pair is found wherever it lies, around the widths of the wide steps and the
// stretches after which their counters are summed up.
TEST(ByteScans, ThePairProbeFindsTheFirstPairWhileCounting)
{
    QRandomGenerator rng(4242);
    const PairProbe probe{char(0xCE), {char(0xAD), char(0x88), '\n'}, 3};
    auto naivePair = [&probe](const QByteArray& s) -> qsizetype {
        for (qsizetype j = 0; j + 1 < s.size(); ++j) {
            if (s[j] == probe.first
                && std::memchr(probe.seconds, s[j + 1], size_t(probe.count)) != nullptr)
                return j;
        }
        return -1;
    };
    for (int round = 0; round < 600; ++round) {
        const bool longer = round % 3 == 0;
        const int len = longer ? 8000 + rng.bounded(17000) : rng.bounded(140);
        QByteArray s(len, 'x');
        for (char& c : s) {
            const int r = rng.bounded(64);
            c = r == 0 ? '\n' : r == 1 ? '\r' : r == 2 ? char(0xCE) : r == 3 ? char(0xB5) : 'x';
        }
        // Pairs at places that matter: near the end of the wide part, across the
        // stretch boundaries, at the very end (cut short), or nowhere.
        const int at[] = {len - 2, len - 1, 8159, 8160, 8161, 16319, 16320, len / 2, -1};
        const int where = at[rng.bounded(int(std::size(at)))];
        if (where >= 0 && where < len) {
            s[where] = char(0xCE);
            if (where + 1 < len)
                s[where + 1] = probe.seconds[rng.bounded(probe.count)];
        }
        if (round % 7 == 0 && len > 0)
            s[rng.bounded(len)] = '\0';
        SCOPED_TRACE(round);
        const BreakCounts plain = scanBreaks(s.constData(), s.size());
        const BreakCounts probed = scanBreaks(s.constData(), s.size(), &probe);
        EXPECT_EQ(probed.breaks, plain.breaks);
        EXPECT_EQ(probed.nonAscii, plain.nonAscii);
        EXPECT_EQ(probed.nul, plain.nul);
        EXPECT_EQ(plain.pairAt, BreakCounts::kNotLookedFor);
        // Without counting: the same answers but the count.
        const BreakCounts uncounted = scanBreaks(s.constData(), s.size(), &probe, false);
        EXPECT_EQ(uncounted.breaks, -1);
        EXPECT_EQ(uncounted.nonAscii, plain.nonAscii);
        EXPECT_EQ(uncounted.nul, plain.nul);
        EXPECT_EQ(uncounted.pairAt, probed.pairAt);
        if (__builtin_cpu_supports("avx2"))
            EXPECT_EQ(probed.pairAt, naivePair(s));
        else
            EXPECT_TRUE(probed.pairAt == BreakCounts::kNotLookedFor
                        || probed.pairAt == naivePair(s));
    }
}

// The wide UTF-8 check agrees with the plain one on text built from well-formed
// and faulty sequences (overlong, surrogates, above U+10FFFF, cut short, stray
// continuations) at every place around the 32-byte steps.
TEST(TextCodec, TheWideUtf8CheckAgreesWithThePlainOne)
{
    const QByteArray pieces[] = {
        "a", "plain words ", "\xC3\xA9", "\xCE\xA9", "\xE2\x82\xAC", "\xF0\x9F\x98\x80",
        "\xF4\x8F\xBF\xBF", "\xED\x9F\xBF", "\xEF\xBF\xBF", "\xE0\xA0\x80", "\xF0\x90\x80\x80",
        // faulty
        "\xC0\xAF", "\xC1\xBF", "\xE0\x9F\xBF", "\xED\xA0\x80", "\xF0\x8F\xBF\xBF",
        "\xF4\x90\x80\x80", "\xF5\x80\x80\x80", "\xFF", "\x80", "\xBF\xBF", "\xC3", "\xE2\x82",
        "\xF0\x9F\x98", "\xC3\xC3\xA9"};
    QRandomGenerator rng(8);
    int faulty = 0;
    for (int round = 0; round < 20000; ++round) {
        QByteArray s;
        const int count = rng.bounded(1, 40);
        for (int k = 0; k < count; ++k) {
            // Mostly well-formed pieces, so that a fault is often alone in a long text.
            const int pick = rng.bounded(100) < 92 ? rng.bounded(11)
                                                   : rng.bounded(int(std::size(pieces)));
            s += pieces[pick];
        }
        const bool plain = isValidUtf8Plain(s);
        faulty += plain ? 0 : 1;
        ASSERT_EQ(isValidUtf8(s), plain) << s.toHex().toStdString();
        // Every byte value at the places around the first step's end, alone or
        // followed by continuations that end the step, before plain ASCII.
        if (round < 256 * 5) {
            QByteArray t(70, 'x');
            const int place = round / 256, byte = round % 256;
            const int at[] = {31, 32, 69, 30, 29};
            t[at[place]] = char(byte);
            if (place == 3)
                t[31] = char(0xA0);
            if (place == 4) {
                t[30] = char(0x90);
                t[31] = char(0x80);
            }
            ASSERT_EQ(isValidUtf8(t), isValidUtf8Plain(t)) << round;
        }
    }
    EXPECT_TRUE(isValidUtf8(QByteArrayView()));
    EXPECT_GT(faulty, 2000); // both kinds were tried
    EXPECT_LT(faulty, 18000);
}

TEST(TextCodec, Utf8ValidityAndWindows1252)
{
    EXPECT_TRUE(isValidUtf8("plain ascii"));
    EXPECT_TRUE(isValidUtf8("caf\xC3\xA9 \xE2\x82\xAC \xF0\x9F\x98\x80"));
    EXPECT_FALSE(isValidUtf8("caf\xE9"));             // a Windows-1252 é
    EXPECT_FALSE(isValidUtf8("\xC0\xAF"));             // overlong
    EXPECT_FALSE(isValidUtf8("\xED\xA0\x80"));         // a surrogate
    EXPECT_FALSE(isValidUtf8("\xF4\x90\x80\x80"));     // above U+10FFFF
    EXPECT_FALSE(isValidUtf8("ends in \xE2\x82"));     // cut short
    EXPECT_EQ(decodeWindows1252("\x80\x8A\x9F\xE9\x81"), QStringLiteral("€ŠŸé\u0081"));
    bool ok = false;
    EXPECT_EQ(encodeWindows1252(QStringLiteral("€é"), &ok), QByteArray("\x80\xE9"));
    EXPECT_TRUE(ok);
    EXPECT_TRUE(encodeWindows1252(QStringLiteral("ω"), &ok).isEmpty());
    EXPECT_FALSE(ok);
}
