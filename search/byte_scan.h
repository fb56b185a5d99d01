#pragma once
// Bulk byte scans of the text search, written for throughput (SSE2 on x86-64, plain
// loops elsewhere): counting line breaks, folding ASCII letters to upper case, and
// finding a byte string.
#include <QtGlobal>

#include <bit>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))
// Wider versions of the scans that touch every byte, chosen at run time on
// processors that have AVX2.
#define ZV_AVX2_SCANS 1
#define ZV_TARGET_AVX2 __attribute__((target("avx2")))
#endif

namespace zv {

#if defined(ZV_AVX2_SCANS)
// Whether the processor has AVX2 (asked once).
bool haveAvx2();
#endif

struct BreakCounts {
    static constexpr qsizetype kNotLookedFor = -2;
    // LF bytes, plus CR bytes not directly followed by an LF; -1: not counted.
    qsizetype breaks = 0;
    bool nonAscii = false;  // some byte is 0x80 or above
    bool nul = false;       // some byte is 0
    // Where the probe's pair first starts, -1 when nowhere, or kNotLookedFor.
    qsizetype pairAt = kNotLookedFor;
};

// A pair of bytes looked for while breaks are counted: `first` followed by one of
// `count` (1 to 4; 0: nothing looked for) second bytes. The first two bytes of a
// letter's forms in one script make one (ε and Ε: CE B5, CE 95).
struct PairProbe {
    char first = 0;
    char seconds[4] = {};
    int count = 0;
};

// Line breaks of [p, p + n) as a line-by-line reader sees them: CR, LF and the pair
// CR LF each end one line. A CR at the very end counts as a break of its own. With a
// probe, where the first of its pairs lies wholly in [p, p + n) is found in the same
// pass where the processor allows it (else pairAt is kNotLookedFor). Without
// `countBreaks` the scan is quicker and leaves the breaks uncounted.
BreakCounts scanBreaks(const char* p, qsizetype n, const PairProbe* probe = nullptr,
                       bool countBreaks = true);

// The length of the run of ASCII bytes at the start of [p, p + n). Inline: the
// search calls it once per non-ASCII character.
inline qsizetype asciiPrefix(const char* p, qsizetype n)
{
    qsizetype i = 0;
#if defined(__SSE2__)
    for (; i + 16 <= n; i += 16) {
        const int mask
            = _mm_movemask_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(p + i)));
        if (mask)
            return i + std::countr_zero(static_cast<unsigned>(mask));
    }
#endif
    while (i < n && static_cast<unsigned char>(p[i]) < 0x80)
        ++i;
    return i;
}

// One bit per byte of the 16 at p (bit k for byte k): set for bytes of 0x80 and up.
inline unsigned nonAsciiMask16(const char* p)
{
#if defined(__SSE2__)
    return static_cast<unsigned>(
        _mm_movemask_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(p))));
#else
    unsigned mask = 0;
    for (int k = 0; k < 16; ++k)
        mask |= unsigned(static_cast<unsigned char>(p[k]) >> 7) << k;
    return mask;
#endif
}

// Copies [in, in + n) to `out` with a..z turned into A..Z, up to the first byte
// that is not ASCII. Answers how many bytes were copied (n when all were ASCII).
qsizetype foldAsciiUpper(const char* in, char* out, qsizetype n);

// The first position of needle [q, q + m) in [p, p + n), or -1. m must be > 0.
qsizetype findBytes(const char* p, qsizetype n, const char* q, qsizetype m);

// The first position in [p, p + n) where one of `count` (1 to 4) needles starts.
// The needles have the same length m >= 2 and the same first byte (the lower- and
// upper-case forms of a letter of one script), so one pass looks for all of them.
qsizetype findAnyNeedle(const char* p, qsizetype n, const char* const* needles, int count,
                        qsizetype m);

// The first position in [p, p + n) where the bytes, with a..z taken as A..Z, equal
// needle [q, q + m) (ASCII, upper case), or -1. Bytes from 0x80 up match nothing.
// m must be > 0.
qsizetype findAsciiIgnoringCase(const char* p, qsizetype n, const char* q, qsizetype m);

} // namespace zv
