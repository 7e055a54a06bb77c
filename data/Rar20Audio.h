// Portable core: the adaptive predictor of the RAR 2.0 multimedia mode. The
// decoder and the compressor step this one copy, so a symbol the compressor
// writes always means the byte it intends.
#pragma once
#include <cstdint>
#include <cstdlib>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "data/Rar20Format.h"

namespace rar {

// One channel: five weights, the last four deltas, and the error sums that
// steer the weights every 32 bytes.
struct AudioChannel
{
    int k[5];
    int d[4];
    int lastDelta;
    // Error sums of the weight changes, in vector-friendly lanes: those of
    // changes 1 to 8 (the deltas, + and -), then 0, 9, 10 and a padding lane.
    uint32_t dif[12];
    uint32_t byteCount;
    int lastChar;
};

// Every channel's predictor and the channel the next byte belongs to. Bytes
// go to the channels in turn.
struct AudioPredictor
{
    AudioChannel ch[MAX_CHANNELS] = {};
    int channelDelta = 0; // the last delta of any channel
    int curChannel = 0;
    int channels = 1;

    // A table block's channel count (1..4); a current channel past it
    // restarts at channel 0.
    void SetChannels(int count);

    // The byte that `symbol` (0..255) stands for on the current channel;
    // updates the channel and moves to the next one.
    uint8_t Decode(int symbol);

    // The symbol that makes Decode produce `value`, with the same update.
    int Encode(uint8_t value);

    // Decode on a given channel without moving to the next one, for loops
    // that step the channels themselves.
    uint8_t DecodeOn(int channel, int symbol);

private:
    int Predict(AudioChannel& v) const;
    void Learn(AudioChannel& v, int symbol, uint8_t value);
};

// The per-byte steps are inline: the decoder's loop runs them once a byte.

inline int AudioPredictor::Predict(AudioChannel& v) const
{
    v.byteCount++;
    v.d[3] = v.d[2];
    v.d[2] = v.d[1];
    v.d[1] = v.lastDelta - v.d[0];
    v.d[0] = v.lastDelta;
    int predicted =
        8 * v.lastChar + v.k[0] * v.d[0] + v.k[1] * v.d[1] + v.k[2] * v.d[2] + v.k[3] * v.d[3] + v.k[4] * channelDelta;
    return (predicted >> 3) & 0xFF;
}

inline void AudioPredictor::Learn(AudioChannel& v, int symbol, uint8_t value)
{
    const int d = int(int8_t(uint8_t(symbol))) * 8;
    // What each weight change would have left as error.
#if defined(__SSE2__)
    // four lanes at once: this is most of the work per byte
    const __m128i dd = _mm_set1_epi32(d);
    const __m128i pos = _mm_setr_epi32(v.d[0], v.d[1], v.d[2], v.d[3]);
    const __m128i neg = _mm_sub_epi32(_mm_setzero_si128(), pos);
    const __m128i e0 = _mm_sub_epi32(dd, _mm_unpacklo_epi32(pos, neg));
    const __m128i e1 = _mm_sub_epi32(dd, _mm_unpackhi_epi32(pos, neg));
    const __m128i e2 = _mm_sub_epi32(dd, _mm_setr_epi32(0, channelDelta, -channelDelta, 0));
    const __m128i s0 = _mm_srai_epi32(e0, 31);
    const __m128i s1 = _mm_srai_epi32(e1, 31);
    const __m128i s2 = _mm_srai_epi32(e2, 31);
    __m128i* dif = reinterpret_cast<__m128i*>(v.dif);
    _mm_storeu_si128(dif + 0, _mm_add_epi32(_mm_loadu_si128(dif + 0), _mm_sub_epi32(_mm_xor_si128(e0, s0), s0)));
    _mm_storeu_si128(dif + 1, _mm_add_epi32(_mm_loadu_si128(dif + 1), _mm_sub_epi32(_mm_xor_si128(e1, s1), s1)));
    _mm_storeu_si128(dif + 2, _mm_add_epi32(_mm_loadu_si128(dif + 2), _mm_sub_epi32(_mm_xor_si128(e2, s2), s2)));
#else
    const int ref[12] = {v.d[0], -v.d[0], v.d[1], -v.d[1],      v.d[2],        -v.d[2],
                         v.d[3], -v.d[3], 0,      channelDelta, -channelDelta, 0};
    for (int i = 0; i < 12; i++)
        v.dif[i] += uint32_t(std::abs(d - ref[i]));
#endif

    channelDelta = v.lastDelta = int(int8_t(uint8_t(value - v.lastChar)));
    v.lastChar = value;

    if ((v.byteCount & 0x1F) == 0)
    {
        // the lane of each change's sum; the first smallest sum wins
        static constexpr int LANE[11] = {8, 0, 1, 2, 3, 4, 5, 6, 7, 9, 10};
        uint32_t minDif = v.dif[LANE[0]];
        int minIndex = 0;
        for (int i = 1; i < 11; i++)
        {
            if (v.dif[LANE[i]] < minDif)
            {
                minDif = v.dif[LANE[i]];
                minIndex = i;
            }
        }
        for (uint32_t& sum : v.dif)
            sum = 0;
        // odd indexes lower a weight, even ones raise it; 9 and 10 steer the
        // weight of the neighbouring channel's delta
        if (minIndex > 0)
        {
            int& k = v.k[(minIndex - 1) / 2];
            if (minIndex & 1)
            {
                if (k >= -16)
                    k--;
            }
            else if (k < 16)
                k++;
        }
    }
}

inline uint8_t AudioPredictor::DecodeOn(int channel, int symbol)
{
    AudioChannel& v = ch[channel];
    const uint8_t value = uint8_t((Predict(v) - symbol) & 0xFF);
    Learn(v, symbol, value);
    return value;
}

inline uint8_t AudioPredictor::Decode(int symbol)
{
    const uint8_t value = DecodeOn(curChannel, symbol);
    if (++curChannel == channels)
        curChannel = 0;
    return value;
}

} // namespace rar
