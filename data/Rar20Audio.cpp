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

// The sums of |e - x| over the block's four chunks of eight bytes, in four
// 32-bit lanes. A 16-bit lane sums four terms, so it never overflows.
inline __m128i AbsDiffSums(const __m128i* e, const __m128i* x)
{
    __m128i s = AbsDiff(e[0], x[0]);
    for (int c = 1; c < AUDIO_BLOCK / 8; ++c)
        s = _mm_add_epi16(s, AbsDiff(e[c], x[c]));
    return _mm_madd_epi16(s, _mm_set1_epi16(1));
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

// The index of the first smallest of the eleven error sums.
int SmallestError(const AudioBlock& v)
{
    const __m128i zero = _mm_setzero_si128();
    __m128i e[4];
    __m128i x[5][4]; // the four deltas and the neighbour's, for each chunk
    for (int c = 0; c < 4; ++c)
    {
        const int t = 8 * c;
        // 8 * each symbol as a signed byte: the byte in the high half, shifted down
        const __m128i symbols = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(v.symbol + t));
        e[c] = _mm_srai_epi16(_mm_unpacklo_epi8(zero, symbols), 5);
        __m128i back[4]; // the delta before each byte and the three before that
        for (int b = 0; b < 4; ++b)
            back[b] = _mm_loadu_si128(reinterpret_cast<const __m128i*>(v.delta + 3 + t - b));
        x[0][c] = back[0];
        x[1][c] = _mm_sub_epi16(back[0], back[1]);
        x[2][c] = _mm_sub_epi16(back[1], back[2]);
        x[3][c] = _mm_sub_epi16(back[2], back[3]);
        x[4][c] = _mm_loadu_si128(reinterpret_cast<const __m128i*>(v.neighbour + t));
    }
    // the sums in the order of the changes: none, then each weight lowered
    // and raised; a twelfth that never wins pads the last vector
    __m128i s[12];
    const __m128i zeros[4] = {zero, zero, zero, zero};
    s[0] = AbsDiffSums(e, zeros);
    for (int w = 0; w < 5; ++w)
    {
        s[1 + 2 * w] = AbsDiffSums(e, x[w]);
        for (__m128i& xc : x[w])
            xc = _mm_sub_epi16(zero, xc);
        s[2 + 2 * w] = AbsDiffSums(e, x[w]);
    }
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
    // The error of each change: with no change, then with each weight
    // lowered and raised in turn. Each byte's d[0] is the delta before it,
    // its d[1] that less the one before, its d[2] and d[3] earlier d[1]s.
    const int change = SmallestError(b);
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
