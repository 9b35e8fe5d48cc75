// SPDX-License-Identifier: GPL-3.0-or-later
#include "encoding/utf8.h"

#include <QChar>
#include <QString>

#include <algorithm>
#include <cstring>

#if VECARDIA_SIMD && defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))
#include <immintrin.h>
#define VECARDIA_UTF8_AVX2 1
#endif

namespace vecardia::utf8 {

#ifdef VECARDIA_UTF8_AVX2
namespace {

// Each byte is judged with the three before it. Three tables, indexed by the high and the low half of the byte
// before and by the high half of the byte itself, flag the faults that each half allows; a fault is there when all
// three flag it. A continuation byte after a continuation byte is right only where a three- or four-byte sequence
// needs one, which the bytes two and three places back tell.
#define VECARDIA_AVX2 __attribute__((target("avx2")))

constexpr char kTooShort = 1 << 0;     // a lead byte not followed by a continuation byte
constexpr char kTooLong = 1 << 1;      // a continuation byte after ASCII
constexpr char kOverlong3 = 1 << 2;    // E0 80-9F
constexpr char kTooLarge = 1 << 3;     // F4 90-BF, F5-FF 90-BF
constexpr char kSurrogate = 1 << 4;    // ED A0-BF
constexpr char kOverlong2 = 1 << 5;    // C0-C1 80-BF
constexpr char kTooLarge1000 = 1 << 6; // F5-FF 80-8F
constexpr char kOverlong4 = 1 << 6;    // F0 80-8F (the flag of kTooLarge1000: no lead byte has both)
constexpr char kTwoConts = char(1 << 7);
constexpr char kCarry = kTooShort | kTooLong | kTwoConts; // faults that the low half of the byte before does not tell

template<int N>
VECARDIA_AVX2 inline __m256i bytesBack(__m256i input, __m256i previous)
{
    return _mm256_alignr_epi8(input, _mm256_permute2x128_si256(previous, input, 0x21), 16 - N);
}

VECARDIA_AVX2 inline __m256i highHalves(__m256i v)
{
    return _mm256_and_si256(_mm256_srli_epi16(v, 4), _mm256_set1_epi8(0x0F));
}

// The faults in `input`, given the block before it: zero when there are none.
VECARDIA_AVX2 inline __m256i faults(__m256i input, __m256i previous)
{
    const __m256i byte1High = _mm256_setr_epi8(
        kTooLong, kTooLong, kTooLong, kTooLong, kTooLong, kTooLong, kTooLong, kTooLong, kTwoConts, kTwoConts, kTwoConts,
        kTwoConts, kTooShort | kOverlong2, kTooShort, kTooShort | kOverlong3 | kSurrogate,
        kTooShort | kTooLarge | kTooLarge1000 | kOverlong4, kTooLong, kTooLong, kTooLong, kTooLong, kTooLong, kTooLong,
        kTooLong, kTooLong, kTwoConts, kTwoConts, kTwoConts, kTwoConts, kTooShort | kOverlong2, kTooShort,
        kTooShort | kOverlong3 | kSurrogate, kTooShort | kTooLarge | kTooLarge1000 | kOverlong4);
    constexpr char kLarge = kCarry | kTooLarge | kTooLarge1000;
    const __m256i byte1Low = _mm256_setr_epi8(
        kCarry | kOverlong3 | kOverlong2 | kOverlong4, kCarry | kOverlong2, kCarry, kCarry, kCarry | kTooLarge, kLarge,
        kLarge, kLarge, kLarge, kLarge, kLarge, kLarge, kLarge, kLarge | kSurrogate, kLarge, kLarge,
        kCarry | kOverlong3 | kOverlong2 | kOverlong4, kCarry | kOverlong2, kCarry, kCarry, kCarry | kTooLarge, kLarge,
        kLarge, kLarge, kLarge, kLarge, kLarge, kLarge, kLarge, kLarge | kSurrogate, kLarge, kLarge);
    constexpr char kCont1000 = kTooLong | kOverlong2 | kTwoConts | kOverlong3 | kTooLarge1000 | kOverlong4;
    constexpr char kCont1001 = kTooLong | kOverlong2 | kTwoConts | kOverlong3 | kTooLarge;
    constexpr char kCont101 = kTooLong | kOverlong2 | kTwoConts | kSurrogate | kTooLarge;
    const __m256i byte2High =
        _mm256_setr_epi8(kTooShort, kTooShort, kTooShort, kTooShort, kTooShort, kTooShort, kTooShort, kTooShort,
                         kCont1000, kCont1001, kCont101, kCont101, kTooShort, kTooShort, kTooShort, kTooShort,
                         kTooShort, kTooShort, kTooShort, kTooShort, kTooShort, kTooShort, kTooShort, kTooShort,
                         kCont1000, kCont1001, kCont101, kCont101, kTooShort, kTooShort, kTooShort, kTooShort);

    const __m256i prev1 = bytesBack<1>(input, previous);
    const __m256i special = _mm256_and_si256(
        _mm256_and_si256(_mm256_shuffle_epi8(byte1High, highHalves(prev1)),
                         _mm256_shuffle_epi8(byte1Low, _mm256_and_si256(prev1, _mm256_set1_epi8(0x0F)))),
        _mm256_shuffle_epi8(byte2High, highHalves(input)));
    // 111_____ two places back, or 1111____ three places back: this byte must continue a sequence.
    const __m256i third = _mm256_subs_epu8(bytesBack<2>(input, previous), _mm256_set1_epi8(char(0xE0 - 0x80)));
    const __m256i fourth = _mm256_subs_epu8(bytesBack<3>(input, previous), _mm256_set1_epi8(char(0xF0 - 0x80)));
    const __m256i must = _mm256_and_si256(_mm256_or_si256(third, fourth), _mm256_set1_epi8(char(0x80)));
    return _mm256_xor_si256(must, special);
}

// Non-zero where the block's last three bytes start a sequence that it does not finish.
VECARDIA_AVX2 inline __m256i unfinished(__m256i input)
{
    const __m256i largest =
        _mm256_setr_epi8(-1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1,
                         -1, -1, -1, -1, -1, char(0xF0 - 1), char(0xE0 - 1), char(0xC0 - 1));
    return _mm256_subs_epu8(input, largest);
}

VECARDIA_AVX2 bool isValidAvx2(const char *data, qsizetype size)
{
    __m256i fault = _mm256_setzero_si256(), previous = _mm256_setzero_si256(), open = _mm256_setzero_si256();
    const auto take = [&](__m256i input) VECARDIA_AVX2 {
        if (_mm256_movemask_epi8(input) == 0) {
            fault = _mm256_or_si256(fault, open); // ASCII cannot finish a sequence
            open = _mm256_setzero_si256();
        } else {
            fault = _mm256_or_si256(fault, faults(input, previous));
            open = unfinished(input);
        }
        previous = input;
    };
    qsizetype at = 0;
    for (; size - at >= 32; at += 32)
        take(_mm256_loadu_si256(reinterpret_cast<const __m256i *>(data + at)));
    if (at < size) {
        alignas(32) char last[32] = {}; // the rest, followed by NULs
        std::memcpy(last, data + at, std::size_t(size - at));
        take(_mm256_load_si256(reinterpret_cast<const __m256i *>(last)));
    }
    fault = _mm256_or_si256(fault, open);
    return _mm256_testz_si256(fault, fault) != 0;
}

#undef VECARDIA_AVX2

const bool kHasAvx2 = [] {
    __builtin_cpu_init(); // this may run before the compiler's own start-up code has looked at the processor
    return __builtin_cpu_supports("avx2") != 0;
}();

} // namespace
#endif

bool isValid(QByteArrayView bytes)
{
#ifdef VECARDIA_UTF8_AVX2
    if (kHasAvx2)
        return isValidAvx2(bytes.data(), bytes.size());
#endif
    return bytes.isValidUtf8();
}

qsizetype toUtf16(QByteArrayView bytes, char16_t *out)
{
    const auto *p = reinterpret_cast<const unsigned char *>(bytes.data());
    const auto *const end = p + bytes.size();
    char16_t *const start = out;
    while (p < end) {
        const unsigned lead = *p;
        if (lead < 0x80) {
            *out++ = char16_t(lead);
            ++p;
            continue;
        }
        const qsizetype length = sequenceLength(static_cast<unsigned char>(lead));
        bool whole = length > 1 && end - p >= length;
        for (qsizetype k = 1; whole && k < length; ++k)
            whole = (p[k] & 0xC0) == 0x80;
        if (!whole) {
            *out++ = char16_t(QChar::ReplacementCharacter);
            ++p;
            continue;
        }
        char32_t u = lead & (0x7F >> length);
        for (qsizetype k = 1; k < length; ++k)
            u = u << 6 | (p[k] & 0x3F);
        p += length;
        if (u > 0xFFFF) {
            *out++ = QChar::highSurrogate(u);
            *out++ = QChar::lowSurrogate(u);
        } else {
            *out++ = char16_t(u);
        }
    }
    return out - start;
}

QString toString(QByteArrayView bytes)
{
    QString text(bytes.size(), Qt::Uninitialized);
    text.truncate(toUtf16(bytes, reinterpret_cast<char16_t *>(text.data())));
    return text;
}

qsizetype wholeCharacters(QByteArrayView bytes)
{
    // A sequence is at most four bytes: only the last three can belong to one that the end cuts.
    for (qsizetype back = 1; back <= std::min<qsizetype>(3, bytes.size()); ++back) {
        const auto byte = static_cast<unsigned char>(bytes[bytes.size() - back]);
        if ((byte & 0xC0) == 0x80)
            continue; // a continuation byte: the sequence starts further back
        return sequenceLength(byte) > back ? bytes.size() - back : bytes.size();
    }
    return bytes.size();
}

void Survey::feed(QByteArrayView piece)
{
    m_bytes += piece.size();
    if (!m_ok)
        return;
    if (!m_pending.isEmpty()) {
        const qsizetype need = sequenceLength(static_cast<unsigned char>(m_pending[0])) - m_pending.size();
        const qsizetype taken = std::min(need, piece.size());
        m_pending.append(piece.first(taken));
        piece = piece.sliced(taken);
        if (taken < need)
            return;
        m_ok = isValid(m_pending);
        m_pending.clear();
        if (!m_ok)
            return;
    }
    const qsizetype whole = wholeCharacters(piece);
    m_ok = isValid(piece.first(whole));
    m_pending = piece.sliced(whole).toByteArray();
}

} // namespace vecardia::utf8
