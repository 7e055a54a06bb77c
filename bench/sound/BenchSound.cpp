// bench_sound: CPU time of the mix with the scene's four voices playing
// (music, rain and both waterfalls, their volumes changing every block as
// the camera moves), per second of output: once every sound is decoded
// (mix_cpu_ms_per_s) and during the first 12 s, which decode as they play
// (mix_first_pass_cpu_ms_per_s). Beside them what decoding everything at
// load would cost instead (sound_decode_all_ms), and what opening the four
// sounds costs (sound_open_ms).
#include <time.h>

#include <cstdio>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "sound/SoundMixer.h"

namespace {

double CpuMs()
{
    timespec t = {};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return t.tv_sec * 1000.0 + t.tv_nsec / 1e6;
}

std::vector<unsigned char> Content(const char* name)
{
    std::ifstream in(std::string(QM_CONTENT_DIR) + "/" + name, std::ios::binary);
    return std::vector<unsigned char>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

constexpr const char* kSounds[] = {"music.ogg", "rain.ogg", "water_wall.ogg", "water_wall.ogg"};
constexpr uint32_t kBlock = SOUND_OUTPUT_RATE / 40; // the output's 25 ms buffers

// Mixes `seconds` of output, the two waterfalls rising and falling.
double MixMs(CSoundMixer& mixer, int seconds, uint32_t& block)
{
    std::vector<int16_t> out(kBlock * SOUND_OUTPUT_CHANNELS);
    const double start = CpuMs();
    const uint32_t blocks = static_cast<uint32_t>(seconds) * SOUND_OUTPUT_RATE / kBlock;
    for (uint32_t i = 0; i < blocks; ++i, ++block)
    {
        mixer.SetVolume(2, static_cast<int>(block % 200 < 100 ? block % 100 : 100 - block % 100));
        mixer.SetVolume(3, static_cast<int>((block / 3) % 101));
        mixer.Mix(out.data(), kBlock);
    }
    return CpuMs() - start;
}

} // namespace

int main()
{
    std::vector<std::vector<unsigned char>> bytes;
    for (const char* name : kSounds)
    {
        bytes.push_back(Content(name));
        if (bytes.back().empty())
        {
            std::fprintf(stderr, "bench_sound: %s not found in %s\n", name, QM_CONTENT_DIR);
            return 1;
        }
    }

    double decodeAll = 0.0;
    for (const std::vector<unsigned char>& b : bytes)
    {
        CSoundData data;
        const double start = CpuMs();
        if (data.Open(b.data(), b.size()))
            data.DecodeAll();
        decodeAll += CpuMs() - start;
    }

    CSoundMixer mixer;
    mixer.SetMasterVolume(35);
    const double openStart = CpuMs();
    for (const std::vector<unsigned char>& b : bytes)
    {
        std::unique_ptr<CSoundData> data(new CSoundData);
        if (!data->Open(b.data(), b.size()) || mixer.AddVoice(std::move(data)) < 0)
        {
            std::fprintf(stderr, "bench_sound: a sound did not open\n");
            return 1;
        }
    }
    const double openMs = CpuMs() - openStart;
    for (int v = 0; v < mixer.Voices(); ++v)
        mixer.Play(v, true);

    uint32_t block = 0;
    const int firstPass = 12; // the rain and water loops; the music decodes on
    const double firstMs = MixMs(mixer, firstPass, block);
    MixMs(mixer, 64 - firstPass, block); // the rest of the music's first pass
    const int seconds = 60;
    const double steadyMs = MixMs(mixer, seconds, block);

    std::printf("sound_open_ms=%.2f\n", openMs);
    std::printf("sound_decode_all_ms=%.1f\n", decodeAll);
    std::printf("mix_first_pass_cpu_ms_per_s=%.2f\n", firstMs / firstPass);
    std::printf("mix_cpu_ms_per_s=%.3f\n", steadyMs / seconds);
    return 0;
}
