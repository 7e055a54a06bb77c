// The sound loader over any bytes: a sound is either refused with nothing
// kept, or opened with a length it keeps to; decoding part of it, mixing it
// as a loop across its seam (which decodes the rest on demand) and decoding
// what is left never reads or writes outside what was decoded.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>

#include "sound/SoundData.h"
#include "sound/SoundMixer.h"

namespace {

int16_t g_out[3000 * SOUND_OUTPUT_CHANNELS];

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* bytes, size_t n)
{
    std::unique_ptr<CSoundData> data(new CSoundData);
    if (!data->Open(bytes, n))
    {
        if (data->Frames() != 0 || data->Pcm() != nullptr || data->DecodeAll() != 0)
            std::abort();
        return 0;
    }
    const uint32_t stated = data->Frames();
    if (stated == 0 || stated > SOUND_MAX_FRAMES || data->Channels() < 1 || data->Channels() > SOUND_MAX_CHANNELS ||
        data->Rate() < SOUND_MIN_RATE || data->Rate() > SOUND_MAX_RATE)
        std::abort();
    data->DecodeTo(1000);
    if (data->Ready() > data->Frames())
        std::abort();

    CSoundData* sound = data.get();
    CSoundMixer mixer;
    const int voice = mixer.AddVoice(std::move(data));
    if (voice < 0) // refused (nothing decoded): the mixer freed it
        return 0;
    mixer.SetVolume(voice, 70);
    mixer.Play(voice, true);
    mixer.Mix(g_out, 1000);
    mixer.SetVolume(voice, 100); // a glide
    mixer.Mix(g_out, 2000);
    if (sound->DecodeAll() != sound->Frames() || sound->Frames() > stated)
        std::abort();
    return 0;
}
