// Portable core: the adaptive predictor of the RAR 2.0 multimedia mode. The
// decoder and the compressor step this one copy, so a symbol the compressor
// writes always means the byte it intends.
#pragma once
#include <cstdint>
#include <cstdlib>

#include "data/Rar20Format.h"

namespace rar {

// One channel: five weights, the last four deltas, and the error sums that
// steer the weights every 32 bytes.
struct AudioChannel
{
    int k[5];
    int d[4];
    int lastDelta;
    uint32_t dif[11];
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
    v.dif[0] += std::abs(d);
    v.dif[1] += std::abs(d - v.d[0]);
    v.dif[2] += std::abs(d + v.d[0]);
    v.dif[3] += std::abs(d - v.d[1]);
    v.dif[4] += std::abs(d + v.d[1]);
    v.dif[5] += std::abs(d - v.d[2]);
    v.dif[6] += std::abs(d + v.d[2]);
    v.dif[7] += std::abs(d - v.d[3]);
    v.dif[8] += std::abs(d + v.d[3]);
    v.dif[9] += std::abs(d - channelDelta);
    v.dif[10] += std::abs(d + channelDelta);

    channelDelta = v.lastDelta = int(int8_t(uint8_t(value - v.lastChar)));
    v.lastChar = value;

    if ((v.byteCount & 0x1F) == 0)
    {
        uint32_t minDif = v.dif[0];
        int minIndex = 0;
        v.dif[0] = 0;
        for (int i = 1; i < 11; i++)
        {
            if (v.dif[i] < minDif)
            {
                minDif = v.dif[i];
                minIndex = i;
            }
            v.dif[i] = 0;
        }
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
    if (++curChannel == channels)
        curChannel = 0;
}

inline uint8_t AudioPredictor::Decode(int symbol)
{
    AudioChannel& v = ch[curChannel];
    const uint8_t value = uint8_t((Predict(v) - symbol) & 0xFF);
    Learn(v, symbol, value);
    return value;
}

} // namespace rar
