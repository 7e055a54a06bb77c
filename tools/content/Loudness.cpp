// Loudness after ITU-R BS.1770-4: K-weighting, 400 ms blocks with 75 %
// overlap, absolute gate at -70 LUFS and relative gate 10 LU below.
#include <cmath>

#include "tools/content/Sounds.h"

namespace qmc {
namespace {

struct Biquad
{
    double b0, b1, b2, a1, a2, z1 = 0, z2 = 0;
    double Run(double x)
    {
        double y = b0 * x + z1;
        z1 = b1 * x - a1 * y + z2;
        z2 = b2 * x - a2 * y;
        return y;
    }
};

void KWeighting(int rate, Biquad& shelf, Biquad& highpass)
{
    const double pi = 3.14159265358979323846;
    double f0 = 1681.974450955533, G = 3.999843853973347, Q = 0.7071752369554196;
    double K = std::tan(pi * f0 / rate);
    double Vh = std::pow(10.0, G / 20), Vb = std::pow(Vh, 0.4996667741545416);
    double a0 = 1 + K / Q + K * K;
    shelf = {(Vh + Vb * K / Q + K * K) / a0, 2 * (K * K - Vh) / a0, (Vh - Vb * K / Q + K * K) / a0,
             2 * (K * K - 1) / a0, (1 - K / Q + K * K) / a0};
    f0 = 38.13547087602444;
    Q = 0.5003270373238773;
    K = std::tan(pi * f0 / rate);
    a0 = 1 + K / Q + K * K;
    highpass = {1, -2, 1, 2 * (K * K - 1) / a0, (1 - K / Q + K * K) / a0};
}

} // namespace

double IntegratedLoudness(const std::vector<float>& pcm, int channels, int rate)
{
    if (channels <= 0 || pcm.empty())
        return -HUGE_VAL;
    size_t frames = pcm.size() / channels;
    std::vector<double> energy(frames, 0.0); // sum over channels of the K-weighted square
    for (int c = 0; c < channels; ++c)
    {
        Biquad s, h;
        KWeighting(rate, s, h);
        for (size_t i = 0; i < frames; ++i)
        {
            double y = h.Run(s.Run(pcm[i * channels + c]));
            energy[i] += y * y;
        }
    }
    const size_t block = size_t(rate) * 4 / 10, step = block / 4;
    std::vector<double> z;
    for (size_t start = 0; start + block <= frames; start += step)
    {
        double sum = 0;
        for (size_t i = start; i < start + block; ++i)
            sum += energy[i];
        z.push_back(sum / block);
    }
    auto lufs = [](double ms) { return -0.691 + 10 * std::log10(ms); };
    double sum = 0;
    int n = 0;
    for (double v : z)
        if (v > 0 && lufs(v) > -70)
        {
            sum += v;
            ++n;
        }
    if (!n)
        return -HUGE_VAL;
    double relGate = lufs(sum / n) - 10;
    sum = 0;
    n = 0;
    for (double v : z)
        if (v > 0 && lufs(v) > -70 && lufs(v) > relGate)
        {
            sum += v;
            ++n;
        }
    return n ? lufs(sum / n) : -HUGE_VAL;
}

void Normalise(std::vector<float>& pcm, int channels, double targetLufs, float ceiling)
{
    // The knee changes loudness a little; two rounds settle it.
    for (int round = 0; round < 2; ++round)
    {
        double now = IntegratedLoudness(pcm, channels, kSampleRate);
        if (!std::isfinite(now))
            return;
        float gain = float(std::pow(10.0, (targetLufs - now) / 20));
        const float knee = ceiling * 0.8f;
        for (float& s : pcm)
        {
            float x = s * gain, a = std::fabs(x);
            if (a > knee)
            {
                // Smooth compression of the few peaks above the knee, never past the ceiling.
                float over = (a - knee) / (ceiling - knee);
                a = knee + (ceiling - knee) * std::tanh(over);
                x = x < 0 ? -a : a;
            }
            s = x;
        }
    }
}

} // namespace qmc
