// Portable core: the adaptive predictor of the RAR 2.0 multimedia mode.
#include "data/Rar20Audio.h"

#include <cstdlib>

namespace rar {

void AudioPredictor::SetChannels(int count)
{
    channels = count;
    if (curChannel >= channels)
        curChannel = 0;
}

int AudioPredictor::Predict(AudioChannel& v) const
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

void AudioPredictor::Learn(AudioChannel& v, int symbol, uint8_t value)
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

uint8_t AudioPredictor::Decode(int symbol)
{
    AudioChannel& v = ch[curChannel];
    const uint8_t value = uint8_t((Predict(v) - symbol) & 0xFF);
    Learn(v, symbol, value);
    return value;
}

int AudioPredictor::Encode(uint8_t value)
{
    AudioChannel& v = ch[curChannel];
    const int symbol = (Predict(v) - value) & 0xFF;
    Learn(v, symbol, value);
    return symbol;
}

} // namespace rar
