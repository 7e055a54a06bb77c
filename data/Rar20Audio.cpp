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

int AudioPredictor::Encode(uint8_t value)
{
    AudioChannel& v = ch[curChannel];
    const int symbol = (Predict(v) - value) & 0xFF;
    Learn(v, symbol, value);
    if (++curChannel == channels)
        curChannel = 0;
    return symbol;
}

} // namespace rar
