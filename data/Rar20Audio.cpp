// Portable core: the adaptive predictor of the RAR 2.0 multimedia mode.
#include "data/Rar20Audio.h"

#include <cstdlib>
#include <cstring>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace rar {

namespace {

#if defined(__SSE2__)

// |a - b| in 16-bit lanes; no term here exceeds 1024 + 255.
inline __m128i AbsDiff(__m128i a, __m128i b)
{
    return _mm_sub_epi16(_mm_max_epi16(a, b), _mm_min_epi16(a, b));
}

constexpr int CHUNKS = AUDIO_BLOCK / 8;

// The sums of |e - x| and of |e + x| over the block's chunks of eight bytes,
// each in four 32-bit lanes; x(c) gives chunk c. A 16-bit lane sums four
// terms, so it never overflows.
template <typename X> inline void PairSums(const __m128i* e, X x, __m128i* minus, __m128i* plus)
{
    __m128i m = _mm_setzero_si128(), p = _mm_setzero_si128();
    for (int c = 0; c < CHUNKS; ++c)
    {
        const __m128i xc = x(c);
        m = _mm_add_epi16(m, AbsDiff(e[c], xc));
        p = _mm_add_epi16(p, AbsDiff(e[c], _mm_sub_epi16(_mm_setzero_si128(), xc)));
    }
    const __m128i one = _mm_set1_epi16(1);
    *minus = _mm_madd_epi16(m, one);
    *plus = _mm_madd_epi16(p, one);
}

// The whole sums of four vectors of lane sums, one in each lane.
inline __m128i Totals(__m128i a, __m128i b, __m128i c, __m128i d)
{
    const __m128i ab = _mm_add_epi32(_mm_unpacklo_epi32(a, b), _mm_unpackhi_epi32(a, b));
    const __m128i cd = _mm_add_epi32(_mm_unpacklo_epi32(c, d), _mm_unpackhi_epi32(c, d));
    return _mm_add_epi32(_mm_unpacklo_epi64(ab, cd), _mm_unpackhi_epi64(ab, cd));
}

inline __m128i Min32(__m128i a, __m128i b)
{
    const __m128i aGreater = _mm_cmpgt_epi32(a, b);
    return _mm_or_si128(_mm_and_si128(aGreater, b), _mm_andnot_si128(aGreater, a));
}

// The index of the first smallest of the eleven error sums, in the order of
// the changes: none, then each weight lowered and raised. Each byte's d[0]
// is the delta before it, its d[1] that less the one before, its d[2] and
// d[3] earlier d[1]s.
int SmallestError(const AudioBlock& v)
{
    const __m128i zero = _mm_setzero_si128();
    __m128i e[CHUNKS];
    for (int c = 0; c < CHUNKS; ++c)
    {
        // 8 * each symbol as a signed byte: the byte in the high half, shifted down
        const __m128i symbols = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(v.symbol + 8 * c));
        e[c] = _mm_srai_epi16(_mm_unpacklo_epi8(zero, symbols), 5);
    }
    // the delta b bytes before each byte of chunk c
    auto back = [&](int c, int b) {
        return _mm_loadu_si128(reinterpret_cast<const __m128i*>(v.delta + 3 + 8 * c - b));
    };
    __m128i s[12];
    __m128i unused;
    PairSums(
        e, [&](int) { return zero; }, &s[0], &unused);
    PairSums(
        e, [&](int c) { return back(c, 0); }, &s[1], &s[2]);
    PairSums(
        e, [&](int c) { return _mm_sub_epi16(back(c, 0), back(c, 1)); }, &s[3], &s[4]);
    PairSums(
        e, [&](int c) { return _mm_sub_epi16(back(c, 1), back(c, 2)); }, &s[5], &s[6]);
    PairSums(
        e, [&](int c) { return _mm_sub_epi16(back(c, 2), back(c, 3)); }, &s[7], &s[8]);
    PairSums(
        e, [&](int c) { return _mm_loadu_si128(reinterpret_cast<const __m128i*>(v.neighbour + 8 * c)); }, &s[9],
        &s[10]);
    // a twelfth that never wins pads the last vector
    const __m128i never = _mm_set1_epi32(1 << 24); // its total still fits

    const __m128i t0 = Totals(s[0], s[1], s[2], s[3]);
    const __m128i t1 = Totals(s[4], s[5], s[6], s[7]);
    const __m128i t2 = Totals(s[8], s[9], s[10], never);
    __m128i least = Min32(t0, Min32(t1, t2));
    least = Min32(least, _mm_shuffle_epi32(least, _MM_SHUFFLE(1, 0, 3, 2)));
    least = Min32(least, _mm_shuffle_epi32(least, _MM_SHUFFLE(2, 3, 0, 1)));
    const int mask = _mm_movemask_ps(_mm_castsi128_ps(_mm_cmpeq_epi32(t0, least))) |
                     _mm_movemask_ps(_mm_castsi128_ps(_mm_cmpeq_epi32(t1, least))) << 4 |
                     _mm_movemask_ps(_mm_castsi128_ps(_mm_cmpeq_epi32(t2, least))) << 8;
#if defined(__GNUC__)
    return __builtin_ctz(unsigned(mask));
#else
    int i = 0;
    while ((mask >> i & 1) == 0)
        ++i;
    return i;
#endif
}

#else

int SmallestError(const AudioBlock& v)
{
    uint32_t dif[11] = {};
    const int16_t* d0 = v.delta + 3;
    for (int t = 0; t < AUDIO_BLOCK; ++t)
    {
        const int e = int(int8_t(v.symbol[t])) * 8;
        const int x[5] = {d0[t], d0[t] - d0[t - 1], d0[t - 1] - d0[t - 2], d0[t - 2] - d0[t - 3], v.neighbour[t]};
        dif[0] += uint32_t(std::abs(e));
        for (int w = 0; w < 5; ++w)
        {
            dif[1 + 2 * w] += uint32_t(std::abs(e - x[w]));
            dif[2 + 2 * w] += uint32_t(std::abs(e + x[w]));
        }
    }
    int best = 0;
    for (int i = 1; i < 11; i++)
        if (dif[i] < dif[best])
            best = i;
    return best;
}

#endif

} // namespace

int NextWeightChange(AudioBlock& b)
{
    const int change = SmallestError(b);
    // the next block's first bytes look back into this one
    std::memmove(b.delta, b.delta + AUDIO_BLOCK, 3 * sizeof(b.delta[0]));
    return change;
}

void AudioPredictor::SetChannels(int count)
{
    channels = count;
    if (curChannel >= channels)
        curChannel = 0;
}

int AudioPredictor::Encode(uint8_t value)
{
    AudioChannel& v = ch[curChannel];
    AudioBlock& b = block[curChannel];
    const int symbol = (AudioPredict(v, b, channelDelta) - value) & 0xFF;
    AudioLearn(v, b, channelDelta, symbol, value);
    if (++curChannel == channels)
        curChannel = 0;
    return symbol;
}

} // namespace rar
