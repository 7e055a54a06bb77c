// Writes the Ogg Vorbis fixtures of the sound tests with the content
// generator's own encoder (see README.md for the command).
#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "tools/content/Sounds.h"

namespace {

// `seconds` of a 441 Hz sine (a whole number of periods per 1/441 s, so a
// whole second loops without a seam) at amplitude 0.5 in the channels listed
// in `tone`, silence in the others.
std::vector<float> Tone(int channels, int rate, double seconds, std::vector<bool> tone)
{
    const int frames = static_cast<int>(rate * seconds + 0.5);
    std::vector<float> pcm(static_cast<size_t>(frames) * channels);
    for (int i = 0; i < frames; ++i)
        for (int c = 0; c < channels; ++c)
            pcm[static_cast<size_t>(i) * channels + c] =
                tone[c] ? static_cast<float>(0.5 * std::sin(2.0 * M_PI * 441.0 * i / rate)) : 0.0f;
    return pcm;
}

bool Write(const std::string& path, const std::vector<uint8_t>& bytes)
{
    FILE* f = std::fopen(path.c_str(), "wb");
    if (f == nullptr || bytes.empty())
        return false;
    const bool ok = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    return std::fclose(f) == 0 && ok;
}

} // namespace

int main(int argc, char** argv)
{
    const std::string dir = argc > 1 ? argv[1] : ".";
    const bool ok =
        Write(dir + "/tone-mono.ogg", qmc::EncodeVorbis(Tone(1, 44100, 1.0, {true}), 1, 44100, 0.1f)) &&
        Write(dir + "/tone-left-22k.ogg", qmc::EncodeVorbis(Tone(2, 22050, 0.5, {true, false}), 2, 22050, 0.1f)) &&
        Write(dir + "/tone-3ch.ogg", qmc::EncodeVorbis(Tone(3, 44100, 0.1, {true, true, true}), 3, 44100, 0.1f));
    std::puts(ok ? "written" : "failed");
    return ok ? 0 : 1;
}
