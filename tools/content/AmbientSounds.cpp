// Rain and waterfall loops, 12 s each, mono. The noise underneath is a
// fixed buffer the length of the loop, filtered circularly, and every drop or
// gurgle that runs past the end continues at the start, so the loop has no
// seam. Slow swells complete a whole number of cycles per loop.
#include <cmath>

#include "tools/content/Noise.h"
#include "tools/content/Sounds.h"
#include "tools/content/SynthTools.h"

namespace qmc {
namespace {

const float kPi = 3.14159265f;
const int kSeconds = 12;
const int kFrames = kSeconds * kSampleRate;

std::vector<float> WhiteNoise(uint32_t seed)
{
    Random rng(seed);
    std::vector<float> n(kFrames);
    for (float& s : n)
        s = rng.Uniform() * 2 - 1;
    return n;
}

std::vector<float> LowPass(const std::vector<float>& in, float hz)
{
    float a = OnePole(hz, kSampleRate), y1 = 0, y2 = 0;
    return Circular(in, [&](float x) {
        y1 += a * (x - y1);
        y2 += a * (y1 - y2);
        return y2;
    });
}

std::vector<float> HighPass(const std::vector<float>& in, float hz)
{
    float a = OnePole(hz, kSampleRate), lp = 0;
    return Circular(in, [&](float x) {
        lp += a * (x - lp);
        return x - lp;
    });
}

std::vector<float> BandPass(const std::vector<float>& in, float hz, float res)
{
    Svf f(hz, res, kSampleRate);
    return Circular(in, [&](float x) {
        f.Step(x);
        return f.band;
    });
}

void AddAt(std::vector<float>& out, long i, float s)
{
    out[size_t(((i % kFrames) + kFrames) % kFrames)] += s;
}

float Swell(int i, float depth, int cycles, float phase)
{
    return 1 + depth * std::sin(2 * kPi * cycles * float(i) / kFrames + phase);
}

float Rms(const std::vector<float>& v)
{
    double s = 0;
    for (float x : v)
        s += double(x) * x;
    return float(std::sqrt(s / v.size()));
}

void ScaleTo(std::vector<float>& v, float rms)
{
    float k = rms / std::fmax(Rms(v), 1e-9f);
    for (float& x : v)
        x *= k;
}

} // namespace

std::vector<float> RainLoop()
{
    // Steady hiss of many far drops.
    std::vector<float> hiss = LowPass(HighPass(WhiteNoise(1201), 600), 7000);
    ScaleTo(hiss, 1.0f);
    // A soft low wash of rain on leaves further off.
    std::vector<float> wash = LowPass(HighPass(WhiteNoise(1202), 150), 900);
    ScaleTo(wash, 0.5f);
    // Near drops: short damped pings on water and leaves, most of them small.
    std::vector<float> drops(kFrames, 0.0f);
    Random rng(1203);
    const int count = kSeconds * 420;
    for (int d = 0; d < count; ++d)
    {
        long at = long(rng.Uniform() * kFrames);
        float amp = std::pow(rng.Uniform(), 3.0f);
        float f = rng.Range(1400, 5200), tau = rng.Range(0.002f, 0.012f) * kSampleRate;
        float chirp = rng.Range(0.0f, 0.6f); // water drops ping upwards
        long len = long(tau * 6);
        float phase = 0;
        for (long i = 0; i < len; ++i)
        {
            float env = std::exp(-i / tau) * (i < 12 ? i / 12.0f : 1.0f);
            phase += 2 * kPi * f * (1 + chirp * i / len) / kSampleRate;
            AddAt(drops, at + i, amp * env * std::sin(phase));
        }
    }
    drops = HighPass(drops, 300);
    ScaleTo(drops, 0.9f);
    std::vector<float> out(kFrames);
    for (int i = 0; i < kFrames; ++i)
        out[i] = hiss[i] * Swell(i, 0.12f, 2, 0.0f) * Swell(i, 0.06f, 5, 1.3f) + wash[i] * Swell(i, 0.2f, 1, 2.0f) +
                 drops[i];
    return out;
}

std::vector<float> WaterfallLoop()
{
    // Deep rumble of the falling mass.
    std::vector<float> rumble = LowPass(WhiteNoise(1301), 140);
    ScaleTo(rumble, 1.0f);
    // The body of the roar.
    std::vector<float> body = BandPass(WhiteNoise(1302), 700, 0.6f);
    ScaleTo(body, 0.9f);
    // Fine hiss of the spray.
    std::vector<float> hiss = LowPass(HighPass(WhiteNoise(1303), 2500), 9000);
    ScaleTo(hiss, 0.35f);
    // Gurgles and splashes: short resonant noise bursts.
    std::vector<float> gurgle(kFrames, 0.0f);
    Random rng(1304);
    std::vector<float> src = WhiteNoise(1305);
    for (int g = 0; g < kSeconds * 25; ++g)
    {
        long at = long(rng.Uniform() * kFrames);
        float f = rng.Range(220, 1300), len = rng.Range(0.03f, 0.15f) * kSampleRate, amp = rng.Range(0.3f, 1.0f);
        Svf bp(f, 6.0f, kSampleRate);
        for (long i = 0; i < long(len); ++i)
        {
            float env = std::sin(kPi * i / len);
            bp.Step(src[size_t((at + i) % kFrames)]);
            AddAt(gurgle, at + i, amp * env * env * bp.band);
        }
    }
    ScaleTo(gurgle, 0.35f);
    std::vector<float> out(kFrames);
    for (int i = 0; i < kFrames; ++i)
        out[i] = rumble[i] * Swell(i, 0.1f, 3, 0.0f) + body[i] * Swell(i, 0.15f, 2, 0.7f) * Swell(i, 0.07f, 7, 2.1f) +
                 hiss[i] * Swell(i, 0.1f, 4, 1.1f) + gurgle[i];
    return out;
}

} // namespace qmc
