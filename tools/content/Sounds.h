// The three sounds of the scene: synthesised as seamless loops, measured and
// encoded as Ogg Vorbis at 44,100 Hz.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

namespace qmc {

const int kSampleRate = 44100;

struct SoundEntry
{
    std::string name;
    int channels = 0;
    std::vector<float> pcm; // interleaved source, one whole loop
    std::vector<uint8_t> ogg;
    double lufs = 0; // integrated loudness of the source
    double peak = 0; // sample peak of the source
};

// Loops, interleaved, each sample in [-1, 1]; their last sample runs into the first.
std::vector<float> MusicLoop();     // stereo, 64 s
std::vector<float> RainLoop();      // mono, 12 s
std::vector<float> WaterfallLoop(); // mono, 12 s

// ITU-R BS.1770 integrated loudness (K-weighted, gated), in LUFS.
double IntegratedLoudness(const std::vector<float>& pcm, int channels, int rate);
// Scales to the target loudness; a soft knee keeps the peak under `ceiling`.
void Normalise(std::vector<float>& pcm, int channels, double targetLufs, float ceiling);

// Ogg Vorbis through libvorbisenc, VBR quality -0.1..1; a fixed stream
// serial keeps the bytes deterministic. Empty on failure.
std::vector<uint8_t> EncodeVorbis(const std::vector<float>& pcm, int channels, int rate, float quality);

std::vector<SoundEntry> AllSounds();

} // namespace qmc
