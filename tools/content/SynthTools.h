// Small building blocks for synthesising seamless loops. Everything is
// circular: events that run past the end continue at the start, and filters
// run over the loop twice so the state they carry over the seam is the state
// they would have after the loop's last sample.
#pragma once
#include <cmath>
#include <cstddef>
#include <vector>

namespace qmc {

// One-pole low-pass / high-pass coefficient for a corner frequency.
inline float OnePole(float hz, int rate)
{
    return 1.0f - std::exp(-2.0f * 3.14159265f * hz / rate);
}

// State-variable filter (Chamberlin, two times oversampled for stability).
struct Svf
{
    float f = 0, q = 1, low = 0, band = 0;
    Svf(float hz, float res, int rate) : f(2 * std::sin(3.14159265f * hz / (2.0f * rate))), q(1.0f / res) {}
    void Step(float x)
    {
        for (int i = 0; i < 2; ++i)
        {
            low += f * band;
            float high = x - low - q * band;
            band += f * high;
        }
    }
};

// Runs `step(input) -> output` over the loop twice and keeps the second lap.
template <class Step> std::vector<float> Circular(const std::vector<float>& in, Step step)
{
    std::vector<float> out(in.size());
    for (int lap = 0; lap < 2; ++lap)
        for (size_t i = 0; i < in.size(); ++i)
        {
            float y = step(in[i]);
            if (lap)
                out[i] = y;
        }
    return out;
}

} // namespace qmc
