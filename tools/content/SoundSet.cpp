#include <cmath>

#include "tools/content/Sounds.h"

namespace qmc {

namespace {

SoundEntry Make(const char* name, int channels, std::vector<float> pcm, double lufs, float quality)
{
    SoundEntry e;
    e.name = name;
    e.channels = channels;
    // -1 dBFS ceiling leaves room for the codec's overshoot.
    Normalise(pcm, channels, lufs, 0.89f);
    e.lufs = IntegratedLoudness(pcm, channels, kSampleRate);
    for (float s : pcm)
        e.peak = std::fmax(e.peak, std::fabs(s));
    e.ogg = EncodeVorbis(pcm, channels, kSampleRate, quality);
    e.pcm = std::move(pcm);
    return e;
}

} // namespace

std::vector<SoundEntry> AllSounds()
{
    std::vector<SoundEntry> s;
    // Music at about -16 LUFS; the ambience sits well under it. The water is
    // only heard near the falls, where it may be a little louder than the rain.
    s.push_back(Make("music.ogg", 2, MusicLoop(), -16.0, 0.35f));
    s.push_back(Make("rain.ogg", 1, RainLoop(), -25.0, 0.3f));
    s.push_back(Make("water_wall.ogg", 1, WaterfallLoop(), -22.0, 0.25f));
    return s;
}

} // namespace qmc
