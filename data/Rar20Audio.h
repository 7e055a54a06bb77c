// Portable core: the adaptive predictor of the RAR 2.0 multimedia mode. The
// decoder and the compressor step this one copy, so a symbol the compressor
// writes always means the byte it intends.
#pragma once
#include <cstdint>

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

} // namespace rar
