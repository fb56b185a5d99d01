#include "search/text_codec.h"

#include "search/byte_scan.h"

#include <cstring>

#if defined(ZV_AVX2_SCANS)
#include <immintrin.h>
#endif

namespace zv {
bool isAscii(QByteArrayView bytes)
{
    return asciiPrefix(bytes.data(), bytes.size()) == bytes.size();
}

#if defined(ZV_AVX2_SCANS)
namespace {
// UTF-8 checked 32 bytes at a time, after Keiser and Lemire, "Validating UTF-8 in
// less than one instruction per byte" (2021): each byte is judged with the three
// before it, through three 16-entry tables keyed by nibbles whose entries are sets
// of the faults a pair of bytes can show.
constexpr char kTooShort = 1 << 0;    // a lead byte not followed by a continuation
constexpr char kTooLong = 1 << 1;     // a continuation after ASCII
constexpr char kOverlong3 = 1 << 2;   // E0 80..9F
constexpr char kTooLarge = 1 << 3;    // F4 90.., F5..FF
constexpr char kSurrogate = 1 << 4;   // ED A0..BF
constexpr char kOverlong2 = 1 << 5;   // C0, C1
constexpr char kTooLarge1000 = 1 << 6; // F5..FF 80..8F
constexpr char kOverlong4 = 1 << 6;   // F0 80..8F
constexpr char kTwoConts = char(1 << 7); // a continuation after a continuation
constexpr char kCarry = kTooShort | kTooLong | kTwoConts;

// The 32 bytes before each byte of `input` by N places, taking the end of `prev`.
template <int N>
ZV_TARGET_AVX2 inline __m256i bytesBefore(__m256i input, __m256i prev)
{
    return _mm256_alignr_epi8(input, _mm256_permute2x128_si256(prev, input, 0x21), 16 - N);
}

ZV_TARGET_AVX2 inline __m256i table16(char a0, char a1, char a2, char a3, char a4, char a5, char a6,
                                      char a7, char a8, char a9, char a10, char a11, char a12,
                                      char a13, char a14, char a15)
{
    return _mm256_setr_epi8(a0, a1, a2, a3, a4, a5, a6, a7, a8, a9, a10, a11, a12, a13, a14, a15,
                            a0, a1, a2, a3, a4, a5, a6, a7, a8, a9, a10, a11, a12, a13, a14, a15);
}

ZV_TARGET_AVX2 inline __m256i highNibbles(__m256i v)
{
    return _mm256_and_si256(_mm256_srli_epi16(v, 4), _mm256_set1_epi8(0x0F));
}

// Faults found in `input` given the 32 bytes before it (0 where there are none).
ZV_TARGET_AVX2 __m256i utf8Faults(__m256i input, __m256i prev)
{
    const __m256i prev1 = bytesBefore<1>(input, prev);
    const __m256i byte1High = _mm256_shuffle_epi8(
        table16(kTooLong, kTooLong, kTooLong, kTooLong, kTooLong, kTooLong, kTooLong, kTooLong,
                kTwoConts, kTwoConts, kTwoConts, kTwoConts, kTooShort | kOverlong2, kTooShort,
                kTooShort | kOverlong3 | kSurrogate,
                kTooShort | kTooLarge | kTooLarge1000 | kOverlong4),
        highNibbles(prev1));
    constexpr char kLarge = kCarry | kTooLarge | kTooLarge1000;
    const __m256i byte1Low = _mm256_shuffle_epi8(
        table16(kCarry | kOverlong3 | kOverlong2 | kOverlong4, kCarry | kOverlong2, kCarry, kCarry,
                kCarry | kTooLarge, kLarge, kLarge, kLarge, kLarge, kLarge, kLarge, kLarge, kLarge,
                kLarge | kSurrogate, kLarge, kLarge),
        _mm256_and_si256(prev1, _mm256_set1_epi8(0x0F)));
    constexpr char kCont = kTooLong | kOverlong2 | kTwoConts;
    const __m256i byte2High = _mm256_shuffle_epi8(
        table16(kTooShort, kTooShort, kTooShort, kTooShort, kTooShort, kTooShort, kTooShort,
                kTooShort, kCont | kOverlong3 | kTooLarge1000 | kOverlong4,
                kCont | kOverlong3 | kTooLarge, kCont | kSurrogate | kTooLarge,
                kCont | kSurrogate | kTooLarge, kTooShort, kTooShort, kTooShort, kTooShort),
        highNibbles(input));
    const __m256i special = _mm256_and_si256(_mm256_and_si256(byte1High, byte1Low), byte2High);
    // Where a byte must be the second or third continuation of a longer sequence,
    // two continuations in a row are right: the fault bit is flipped there.
    const __m256i third
        = _mm256_subs_epu8(bytesBefore<2>(input, prev), _mm256_set1_epi8(char(0xE0 - 0x80)));
    const __m256i fourth
        = _mm256_subs_epu8(bytesBefore<3>(input, prev), _mm256_set1_epi8(char(0xF0 - 0x80)));
    const __m256i must23
        = _mm256_and_si256(_mm256_or_si256(third, fourth), _mm256_set1_epi8(char(0x80)));
    return _mm256_xor_si256(must23, special);
}

// Nonzero where the last bytes of `input` begin a sequence the block does not end.
ZV_TARGET_AVX2 __m256i unfinished(__m256i input)
{
    const __m256i limits = _mm256_setr_epi8(
        char(255), char(255), char(255), char(255), char(255), char(255), char(255), char(255),
        char(255), char(255), char(255), char(255), char(255), char(255), char(255), char(255),
        char(255), char(255), char(255), char(255), char(255), char(255), char(255), char(255),
        char(255), char(255), char(255), char(255), char(255), char(0xF0 - 1), char(0xE0 - 1),
        char(0xC0 - 1));
    return _mm256_subs_epu8(input, limits);
}

struct Utf8Check {
    __m256i faults;
    __m256i prev;           // the last block taken
    __m256i prevUnfinished; // where it ends with a sequence not finished
};

ZV_TARGET_AVX2 inline void takeBlock(Utf8Check& c, __m256i input)
{
    if (_mm256_movemask_epi8(input) == 0) {
        c.faults = _mm256_or_si256(c.faults, c.prevUnfinished); // ASCII cannot finish it
        c.prevUnfinished = _mm256_setzero_si256();
    } else {
        c.faults = _mm256_or_si256(c.faults, utf8Faults(input, c.prev));
        c.prevUnfinished = unfinished(input);
    }
    c.prev = input;
}

ZV_TARGET_AVX2 bool isValidUtf8Avx2(const char* p, qsizetype n)
{
    Utf8Check c{_mm256_setzero_si256(), _mm256_setzero_si256(), _mm256_setzero_si256()};
    qsizetype i = 0;
    for (; i + 32 <= n; i += 32) {
        takeBlock(c, _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p + i)));
        if ((i & 4095) == 0 && !_mm256_testz_si256(c.faults, c.faults))
            return false;
    }
    // The rest, padded with NULs (ASCII): a sequence cut short there is a fault.
    alignas(32) char last[32] = {};
    if (n > i)
        std::memcpy(last, p + i, size_t(n - i));
    takeBlock(c, _mm256_load_si256(reinterpret_cast<const __m256i*>(last)));
    c.faults = _mm256_or_si256(c.faults, c.prevUnfinished);
    return _mm256_testz_si256(c.faults, c.faults) != 0;
}
} // namespace
#endif

bool isValidUtf8(QByteArrayView bytes)
{
#if defined(ZV_AVX2_SCANS)
    if (haveAvx2())
        return isValidUtf8Avx2(bytes.data(), bytes.size());
#endif
    return isValidUtf8Plain(bytes);
}

bool isValidUtf8Plain(QByteArrayView bytes)
{
    const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
    const qsizetype n = bytes.size();
    qsizetype i = 0;
    while (i < n) {
        i += asciiPrefix(bytes.data() + i, n - i);
        if (i >= n)
            break;
        const int len = utf8SequenceLength(p + i, n - i);
        if (len == 0)
            return false;
        i += len;
    }
    return true;
}

QByteArray encodeWindows1252(const QString& text, bool* ok)
{
    QByteArray out;
    out.reserve(text.size());
    for (QChar ch : text) {
        const char16_t u = ch.unicode();
        if (u < 0x80 || (u >= 0xA0 && u <= 0xFF)) {
            out.append(static_cast<char>(u));
            continue;
        }
        int found = -1;
        for (int k = 0; k < 32; ++k) {
            if (windows1252ToUnicode(static_cast<unsigned char>(0x80 + k)) == u) {
                found = k;
                break;
            }
        }
        if (found < 0) {
            if (ok)
                *ok = false;
            return {};
        }
        out.append(static_cast<char>(0x80 + found));
    }
    if (ok)
        *ok = true;
    return out;
}

} // namespace zv
