#include "search/byte_scan.h"

#include <cstring>

#if defined(ZV_AVX2_SCANS)
#include <immintrin.h>
#endif

namespace zv {

namespace {
inline char foldAscii(char c)
{
    return (static_cast<unsigned char>(c - 'a') < 26u) ? static_cast<char>(c - 32) : c;
}

inline bool equalsIgnoringCase(const char* p, const char* q, qsizetype m)
{
    for (qsizetype k = 0; k < m; ++k) {
        if (foldAscii(p[k]) != q[k])
            return false;
    }
    return true;
}

// The first position in [from, to) where the probe's pair starts (p[to] may be
// read), or -1.
qsizetype findPair(const char* p, qsizetype from, qsizetype to, const PairProbe& probe)
{
    for (qsizetype j = from; j < to; ++j) {
        if (p[j] != probe.first)
            continue;
        for (int k = 0; k < probe.count; ++k) {
            if (p[j + 1] == probe.seconds[k])
                return j;
        }
    }
    return -1;
}

#if defined(ZV_AVX2_SCANS)

struct WideCounts {
    qsizetype breaks = 0, done = 0;
    bool high = false;
    bool nul = false;
    qsizetype pairAt = -1; // the probe's first pair in [0, done), or -1
};

ZV_TARGET_AVX2 inline qsizetype sumOfBytes(__m256i acc)
{
    const __m256i s = _mm256_sad_epu8(acc, _mm256_setzero_si256());
    return static_cast<qsizetype>(_mm256_extract_epi64(s, 0) + _mm256_extract_epi64(s, 1)
                                  + _mm256_extract_epi64(s, 2) + _mm256_extract_epi64(s, 3));
}

// Counts 32 bytes a step (unless Count is false: then only non-ASCII bytes and NULs
// are looked for); with Seconds > 0 also marks where the probe's first byte is
// followed by one of its Seconds second bytes, found in the same pass. Once a pair
// is found the rest is only scanned as without a probe.
template <int Seconds, bool Count>
ZV_TARGET_AVX2 WideCounts scanBreaksAvx2(const char* p, qsizetype n, const PairProbe* probe)
{
    WideCounts r;
    qsizetype i = 0;
    const __m256i vlf = _mm256_set1_epi8('\n');
    const __m256i vcr = _mm256_set1_epi8('\r');
    const __m256i zero = _mm256_setzero_si256();
    [[maybe_unused]] __m256i first = zero, second[Seconds > 0 ? Seconds : 1];
    if constexpr (Seconds > 0) {
        first = _mm256_set1_epi8(probe->first);
        for (int k = 0; k < Seconds; ++k)
            second[k] = _mm256_set1_epi8(probe->seconds[k]);
    }
    // Every byte is or-ed into `any` (its top bit: a byte of 0x80 and up) and taken
    // into the running minimum `lowest` (0: a NUL).
    __m256i any = zero, lowest = _mm256_set1_epi8(-1);
    while (i + 33 <= n) {
        const qsizetype chunk = i;
        // Byte-wide counters overflow after 255 rounds: summed up before that.
        __m256i acc = zero;
        [[maybe_unused]] __m256i hits = zero;
        for (int round = 0; round < 255 && i + 33 <= n; ++round, i += 32) {
            const __m256i x = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p + i));
            const __m256i next = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p + i + 1));
            if constexpr (Count) {
                // A break ends at every LF and at every CR not followed by an LF.
                const __m256i loneCr = _mm256_andnot_si256(_mm256_cmpeq_epi8(next, vlf),
                                                           _mm256_cmpeq_epi8(x, vcr));
                acc = _mm256_sub_epi8(acc, _mm256_or_si256(_mm256_cmpeq_epi8(x, vlf), loneCr));
            }
            any = _mm256_or_si256(any, x);
            lowest = _mm256_min_epu8(lowest, x);
            if constexpr (Seconds > 0) {
                __m256i fits = _mm256_cmpeq_epi8(next, second[0]);
                for (int k = 1; k < Seconds; ++k)
                    fits = _mm256_or_si256(fits, _mm256_cmpeq_epi8(next, second[k]));
                hits = _mm256_or_si256(hits, _mm256_and_si256(_mm256_cmpeq_epi8(x, first), fits));
            }
        }
        if constexpr (Count)
            r.breaks += sumOfBytes(acc);
        if constexpr (Seconds > 0) {
            if (_mm256_movemask_epi8(hits) != 0) {
                r.pairAt = findPair(p, chunk, i, *probe);
                const WideCounts rest = scanBreaksAvx2<0, Count>(p + i, n - i, nullptr);
                r.breaks += rest.breaks;
                r.high = rest.high || _mm256_movemask_epi8(any) != 0;
                r.nul = rest.nul || _mm256_movemask_epi8(_mm256_cmpeq_epi8(lowest, zero)) != 0;
                r.done = i + rest.done;
                return r;
            }
        }
    }
    r.high = _mm256_movemask_epi8(any) != 0;
    r.nul = _mm256_movemask_epi8(_mm256_cmpeq_epi8(lowest, zero)) != 0;
    r.done = i;
    return r;
}

template <bool Count>
WideCounts scanBreaksAvx2(const char* p, qsizetype n, const PairProbe* probe)
{
    switch (probe ? probe->count : 0) {
    case 1:
        return scanBreaksAvx2<1, Count>(p, n, probe);
    case 2:
        return scanBreaksAvx2<2, Count>(p, n, probe);
    case 3:
        return scanBreaksAvx2<3, Count>(p, n, probe);
    case 4:
        return scanBreaksAvx2<4, Count>(p, n, probe);
    default:
        return scanBreaksAvx2<0, Count>(p, n, nullptr);
    }
}

ZV_TARGET_AVX2 qsizetype findAsciiIgnoringCaseAvx2(const char* p, qsizetype n, const char* q,
                                                   qsizetype m, qsizetype* done)
{
    const char f = q[0], l = q[m - 1];
    const bool fLetter = f >= 'A' && f <= 'Z', lLetter = l >= 'A' && l <= 'Z';
    const __m256i fBit = _mm256_set1_epi8(fLetter ? 0x20 : 0);
    const __m256i lBit = _mm256_set1_epi8(lLetter ? 0x20 : 0);
    const __m256i first = _mm256_set1_epi8(static_cast<char>(f | (fLetter ? 0x20 : 0)));
    const __m256i last = _mm256_set1_epi8(static_cast<char>(l | (lLetter ? 0x20 : 0)));
    qsizetype i = 0;
    for (; i + m - 1 + 32 <= n; i += 32) {
        const __m256i a = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p + i));
        const __m256i b = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p + i + m - 1));
        unsigned mask = static_cast<unsigned>(_mm256_movemask_epi8(
            _mm256_and_si256(_mm256_cmpeq_epi8(_mm256_or_si256(a, fBit), first),
                             _mm256_cmpeq_epi8(_mm256_or_si256(b, lBit), last))));
        while (mask) {
            const qsizetype at = i + std::countr_zero(mask);
            if (equalsIgnoringCase(p + at + 1, q + 1, m - 2))
                return at;
            mask &= mask - 1;
        }
    }
    *done = i;
    return -1;
}

// Needles of one length m >= 2 and one first byte (one needle for findBytes):
// positions where the first byte and one of the last bytes fit are compared in full.
ZV_TARGET_AVX2 qsizetype findAnyNeedleAvx2(const char* p, qsizetype n, const char* const* needles,
                                          int count, qsizetype m, qsizetype* done)
{
    const __m256i first = _mm256_set1_epi8(needles[0][0]);
    __m256i last[4];
    for (int k = 0; k < count; ++k)
        last[k] = _mm256_set1_epi8(needles[k][m - 1]);
    qsizetype i = 0;
    for (; i + m - 1 + 32 <= n; i += 32) {
        const __m256i a = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p + i));
        const __m256i b = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p + i + m - 1));
        __m256i lastFits = _mm256_cmpeq_epi8(b, last[0]);
        for (int k = 1; k < count; ++k)
            lastFits = _mm256_or_si256(lastFits, _mm256_cmpeq_epi8(b, last[k]));
        unsigned mask = static_cast<unsigned>(
            _mm256_movemask_epi8(_mm256_and_si256(_mm256_cmpeq_epi8(a, first), lastFits)));
        while (mask) {
            const qsizetype at = i + std::countr_zero(mask);
            for (int k = 0; k < count; ++k) {
                if (std::memcmp(p + at, needles[k], static_cast<size_t>(m)) == 0)
                    return at;
            }
            mask &= mask - 1;
        }
    }
    *done = i;
    return -1;
}
#endif
} // namespace

#if defined(ZV_AVX2_SCANS)
bool haveAvx2()
{
    static const bool yes = __builtin_cpu_supports("avx2");
    return yes;
}
#endif

BreakCounts scanBreaks(const char* p, qsizetype n, const PairProbe* probe, bool countBreaks)
{
    qsizetype wide = 0; // the breaks the wide steps counted
    qsizetype lf = 0, cr = 0, pairs = 0, i = 0;
    bool high = false, nul = false;
    qsizetype pairAt = BreakCounts::kNotLookedFor;
#if defined(ZV_AVX2_SCANS)
    if (haveAvx2()) {
        const int seconds = probe ? probe->count : 0;
        const WideCounts w = countBreaks ? scanBreaksAvx2<true>(p, n, probe)
                                         : scanBreaksAvx2<false>(p, n, probe);
        wide = w.breaks;
        high = w.high;
        nul = w.nul;
        i = w.done;
        if (seconds > 0) {
            // The last bytes, which the wide steps left.
            pairAt = w.pairAt >= 0 ? w.pairAt : findPair(p, i, n - 1, *probe);
        }
    }
#endif
#if defined(__SSE2__)
    const __m128i vlf = _mm_set1_epi8('\n');
    const __m128i vcr = _mm_set1_epi8('\r');
    const __m128i zero = _mm_setzero_si128();
    __m128i any = zero, nuls = zero;
    while (i + 17 <= n) {
        // Byte-wide counters overflow after 255 rounds: sum them up before that.
        __m128i accLf = zero, accCr = zero, accPair = zero;
        for (int round = 0; round < 255 && i + 17 <= n; ++round, i += 16) {
            const __m128i x = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + i));
            const __m128i next = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + i + 1));
            const __m128i isCr = _mm_cmpeq_epi8(x, vcr);
            accLf = _mm_sub_epi8(accLf, _mm_cmpeq_epi8(x, vlf));
            accCr = _mm_sub_epi8(accCr, isCr);
            accPair = _mm_sub_epi8(accPair, _mm_and_si128(isCr, _mm_cmpeq_epi8(next, vlf)));
            any = _mm_or_si128(any, x);
            nuls = _mm_or_si128(nuls, _mm_cmpeq_epi8(x, zero));
        }
        auto sum = [&](__m128i acc) {
            const __m128i s = _mm_sad_epu8(acc, zero);
            return static_cast<qsizetype>(_mm_cvtsi128_si32(s))
                + static_cast<qsizetype>(_mm_cvtsi128_si32(_mm_srli_si128(s, 8)));
        };
        lf += sum(accLf);
        cr += sum(accCr);
        pairs += sum(accPair);
    }
    high = high || _mm_movemask_epi8(any) != 0;
    nul = nul || _mm_movemask_epi8(nuls) != 0;
#endif
    for (; i < n; ++i) {
        const char c = p[i];
        if (c == '\n') {
            ++lf;
        } else if (c == '\r') {
            ++cr;
            if (i + 1 < n && p[i + 1] == '\n')
                ++pairs;
        } else if (static_cast<unsigned char>(c) >= 0x80) {
            high = true;
        } else if (c == 0) {
            nul = true;
        }
    }
    return {countBreaks ? wide + lf + cr - pairs : -1, high, nul, pairAt};
}

qsizetype foldAsciiUpper(const char* in, char* out, qsizetype n)
{
    qsizetype i = 0;
#if defined(__SSE2__)
    const __m128i below = _mm_set1_epi8('a' - 1);
    const __m128i above = _mm_set1_epi8('z' + 1);
    const __m128i bit = _mm_set1_epi8(0x20);
    for (; i + 16 <= n; i += 16) {
        const __m128i x = _mm_loadu_si128(reinterpret_cast<const __m128i*>(in + i));
        if (_mm_movemask_epi8(x))
            break;
        // Signed comparisons are right here: every byte is below 0x80.
        const __m128i lower = _mm_and_si128(_mm_cmpgt_epi8(x, below), _mm_cmplt_epi8(x, above));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + i),
                         _mm_sub_epi8(x, _mm_and_si128(lower, bit)));
    }
#endif
    for (; i < n; ++i) {
        if (static_cast<unsigned char>(in[i]) >= 0x80)
            break;
        out[i] = foldAscii(in[i]);
    }
    return i;
}

qsizetype findBytes(const char* p, qsizetype n, const char* q, qsizetype m)
{
    if (m <= 0 || m > n)
        return -1;
    if (m == 1) {
        const void* hit = std::memchr(p, q[0], static_cast<size_t>(n));
        return hit ? static_cast<const char*>(hit) - p : -1;
    }
    qsizetype i = 0;
#if defined(ZV_AVX2_SCANS)
    if (haveAvx2()) {
        const qsizetype hit = findAnyNeedleAvx2(p, n, &q, 1, m, &i);
        if (hit >= 0)
            return hit;
    }
#endif
#if defined(__SSE2__)
    // Positions where both the first and the last byte of the needle fit are
    // candidates; only those are compared in full.
    const __m128i first = _mm_set1_epi8(q[0]);
    const __m128i last = _mm_set1_epi8(q[m - 1]);
    for (; i + m - 1 + 16 <= n; i += 16) {
        const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + i));
        const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + i + m - 1));
        unsigned mask = static_cast<unsigned>(
            _mm_movemask_epi8(_mm_and_si128(_mm_cmpeq_epi8(a, first), _mm_cmpeq_epi8(b, last))));
        while (mask) {
            const qsizetype at = i + std::countr_zero(mask);
            if (std::memcmp(p + at + 1, q + 1, static_cast<size_t>(m - 2)) == 0)
                return at;
            mask &= mask - 1;
        }
    }
#endif
    for (; i + m <= n; ++i) {
        if (p[i] == q[0] && p[i + m - 1] == q[m - 1]
            && std::memcmp(p + i + 1, q + 1, static_cast<size_t>(m - 2)) == 0)
            return i;
    }
    return -1;
}


qsizetype findAnyNeedle(const char* p, qsizetype n, const char* const* needles, int count,
                        qsizetype m)
{
    if (count <= 0 || m <= 0 || m > n)
        return -1;
    qsizetype i = 0;
#if defined(ZV_AVX2_SCANS)
    if (haveAvx2() && count <= 4 && m >= 2) {
        const qsizetype hit = findAnyNeedleAvx2(p, n, needles, count, m, &i);
        if (hit >= 0)
            return hit;
    }
#endif
    for (; i + m <= n; ++i) {
        if (p[i] != needles[0][0])
            continue;
        for (int k = 0; k < count; ++k) {
            if (std::memcmp(p + i, needles[k], static_cast<size_t>(m)) == 0)
                return i;
        }
    }
    return -1;
}

qsizetype findAsciiIgnoringCase(const char* p, qsizetype n, const char* q, qsizetype m)
{
    if (m <= 0 || m > n)
        return -1;
    qsizetype i = 0;
#if defined(ZV_AVX2_SCANS)
    if (haveAvx2()) {
        const qsizetype hit = findAsciiIgnoringCaseAvx2(p, n, q, m, &i);
        if (hit >= 0)
            return hit;
    }
#endif
#if defined(__SSE2__)
    // As findBytes, with the first and last needle bytes compared in either case:
    // or-ing 0x20 into a byte turns only 'A'..'Z' into 'a'..'z' among the bytes
    // that can then equal a lower-case letter.
    auto isLetter = [](char c) { return c >= 'A' && c <= 'Z'; };
    const char f = q[0], l = q[m - 1];
    const __m128i fBit = _mm_set1_epi8(isLetter(f) ? 0x20 : 0);
    const __m128i lBit = _mm_set1_epi8(isLetter(l) ? 0x20 : 0);
    const __m128i first = _mm_set1_epi8(static_cast<char>(f | (isLetter(f) ? 0x20 : 0)));
    const __m128i last = _mm_set1_epi8(static_cast<char>(l | (isLetter(l) ? 0x20 : 0)));
    for (; i + m - 1 + 16 <= n; i += 16) {
        const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + i));
        const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + i + m - 1));
        unsigned mask = static_cast<unsigned>(_mm_movemask_epi8(
            _mm_and_si128(_mm_cmpeq_epi8(_mm_or_si128(a, fBit), first),
                          _mm_cmpeq_epi8(_mm_or_si128(b, lBit), last))));
        while (mask) {
            const qsizetype at = i + std::countr_zero(mask);
            if (equalsIgnoringCase(p + at + 1, q + 1, m - 2))
                return at;
            mask &= mask - 1;
        }
    }
#endif
    for (; i + m <= n; ++i) {
        if (equalsIgnoringCase(p + i, q, m))
            return i;
    }
    return -1;
}

} // namespace zv
