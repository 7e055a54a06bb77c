// Portable core: the adaptive predictor of the RAR 2.0 multimedia mode. The
// decoder and the compressor step this one copy, so a symbol the compressor
// writes always means the byte it intends.
#pragma once
#include <cstdint>

#include "data/Rar20Format.h"

namespace rar {

constexpr int AUDIO_BLOCK = 32; // bytes of a channel between two weight changes

// One channel's per-byte state: five weights, the last delta and byte.
struct AudioChannel
{
    int k[5];
    int lastDelta;
    uint32_t byteCount;
    int lastChar;
};

// A channel's recent history, from which the next weight change is chosen:
// for each byte of its current block, the symbol and the deltas the byte saw.
// The error sums are taken once a block, many bytes at a time, instead of
// eleven sums once a byte. Kept apart from AudioChannel so that a decoding
// loop can hold the per-byte state in registers.
struct AudioBlock
{
    uint8_t symbol[AUDIO_BLOCK];
    int16_t neighbour[AUDIO_BLOCK]; // the last delta of any channel
    // The channel's delta before each byte, after the three before the block.
    // The four deltas a prediction weighs are the differences of these.
    int16_t delta[3 + AUDIO_BLOCK];
};

// At the end of a block: the weight change that would have left the least
// error (0: none, 2w+1: lower k[w], 2w+2: raise k[w]); starts the next block.
int NextWeightChange(AudioBlock& b);

// The byte's prediction (0..255) from the channel's state.
inline int AudioPredict(const AudioChannel& v, const AudioBlock& b, int channelDelta)
{
    // the delta before this byte and the three before it
    const uint32_t i = v.byteCount % AUDIO_BLOCK;
    const int l1 = v.lastDelta;
    const int l2 = b.delta[i + 2];
    const int l3 = b.delta[i + 1];
    const int l4 = b.delta[i];
    const int predicted = 8 * v.lastChar + v.k[0] * l1 + v.k[1] * (l1 - l2) + v.k[2] * (l2 - l3) + v.k[3] * (l3 - l4) +
                          v.k[4] * channelDelta;
    return (predicted >> 3) & 0xFF;
}

// After a byte: records it in the block and, once a block, changes a
// weight. channelDelta becomes this byte's delta.
inline void AudioLearn(AudioChannel& v, AudioBlock& b, int& channelDelta, int symbol, uint8_t value)
{
    const uint32_t i = v.byteCount++ % AUDIO_BLOCK;
    b.symbol[i] = uint8_t(symbol);
    b.neighbour[i] = int16_t(channelDelta);
    b.delta[3 + i] = int16_t(v.lastDelta);

    channelDelta = v.lastDelta = int(int8_t(uint8_t(value - v.lastChar)));
    v.lastChar = value;

    if (i == AUDIO_BLOCK - 1)
    {
        const int change = NextWeightChange(b);
        if (change > 0)
        {
            // odd changes lower a weight, even ones raise it, within -17..16
            int& k = v.k[(change - 1) / 2];
            if (change & 1)
            {
                if (k >= -16)
                    k--;
            }
            else if (k < 16)
                k++;
        }
    }
}

// The byte that symbol (0..255) stands for, with the channel's update.
inline uint8_t AudioDecodeByte(AudioChannel& v, AudioBlock& b, int& channelDelta, int symbol)
{
    const uint8_t value = uint8_t((AudioPredict(v, b, channelDelta) - symbol) & 0xFF);
    AudioLearn(v, b, channelDelta, symbol, value);
    return value;
}

// Every channel's predictor and the channel the next byte belongs to. Bytes
// go to the channels in turn.
struct AudioPredictor
{
    AudioChannel ch[MAX_CHANNELS] = {};
    AudioBlock block[MAX_CHANNELS] = {};
    int channelDelta = 0; // the last delta of any channel
    int curChannel = 0;
    int channels = 1;

    // A table block's channel count (1..4); a current channel past it
    // restarts at channel 0.
    void SetChannels(int count);

    // The symbol that makes AudioDecodeByte produce `value` on the current
    // channel, with the same update; moves to the next channel.
    int Encode(uint8_t value);
};

} // namespace rar
