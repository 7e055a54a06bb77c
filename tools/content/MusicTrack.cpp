// A calm 64-second piece in D major at 60 beats a minute: eight chords of
// eight beats on a warm pad with a soft bass, bell tones over it and, in the
// second half, a quiet plucked arpeggio; a small hall reverb glues it. The
// loop is built circularly, so bar 64 runs into bar 1 without a seam.
#include <cmath>

#include "tools/content/Noise.h"
#include "tools/content/Sounds.h"
#include "tools/content/SynthTools.h"

namespace qmc {
namespace {

const float kPi = 3.14159265f;
const int kSeconds = 64;
const int kFrames = kSeconds * kSampleRate;

float Midi(float note)
{
    return 440.0f * std::pow(2.0f, (note - 69) / 12);
}

// Wavetable of a soft pad tone: a few falling harmonics.
struct Table
{
    static const int kSize = 4096;
    float v[kSize + 1];
    Table()
    {
        for (int i = 0; i <= kSize; ++i)
        {
            float p = 2 * kPi * i / kSize;
            v[i] = std::sin(p) + 0.3f * std::sin(2 * p) + 0.12f * std::sin(3 * p) + 0.05f * std::sin(4 * p);
        }
    }
    float At(double phase) const
    { // phase in cycles
        double f = (phase - std::floor(phase)) * kSize;
        int i = int(f);
        float t = float(f - i);
        return v[i] + (v[i + 1] - v[i]) * t;
    }
};

struct Stereo
{
    std::vector<float> l, r;
    Stereo() : l(kFrames, 0.0f), r(kFrames, 0.0f) {}
    void Add(long i, float s, float pan)
    { // pan -1..1, equal power
        size_t k = size_t(((i % kFrames) + kFrames) % kFrames);
        float a = (pan + 1) * kPi / 4;
        l[k] += s * std::cos(a);
        r[k] += s * std::sin(a);
    }
};

const int kChords[8][4] = {
    {50, 57, 61, 66}, // Dmaj7
    {47, 54, 57, 62}, // Bm7
    {55, 59, 62, 66}, // Gmaj7
    {57, 59, 64, 69}, // Asus2
    {54, 57, 61, 64}, // F#m7
    {59, 62, 66, 69}, // Bm
    {52, 59, 62, 66}, // Em9 (no root doubling)
    {57, 62, 64, 69}, // Asus4
};
const int kRoots[8] = {38, 35, 43, 45, 42, 35, 40, 45};
const int kScale[] = {74, 76, 78, 81, 83, 86}; // D major pentatonic, fifth octave

// Weight of chord k at time t (seconds): 8 s each, 3 s cross-fades, circular.
float ChordEnvelope(int k, float t)
{
    float start = k * 8.0f - 1.5f, end = (k + 1) * 8.0f + 1.5f;
    float d = t - start;
    d -= std::floor(d / kSeconds) * kSeconds; // wrap into [0, 64)
    float len = end - start;
    if (d > len)
        return 0;
    float fade = 3.0f;
    float a = d < fade ? 0.5f - 0.5f * std::cos(kPi * d / fade) : 1.0f;
    float b = d > len - fade ? 0.5f - 0.5f * std::cos(kPi * (len - d) / fade) : 1.0f;
    return a * b;
}

void Pad(Stereo& out)
{
    static const Table table;
    const float detune[3] = {-0.0021f, 0.0f, 0.0023f};
    const float pans[3] = {-0.6f, 0.0f, 0.6f};
    for (int k = 0; k < 8; ++k)
    {
        for (int v = 0; v < 4; ++v)
        {
            float f = Midi(float(kChords[k][v]));
            for (int d = 0; d < 3; ++d)
            {
                double inc = f * (1 + detune[d]) / kSampleRate, phase = Hash01(uint32_t(k), uint32_t(v), uint32_t(d));
                long from = long((k * 8.0f - 1.5f) * kSampleRate), to = long(((k + 1) * 8.0f + 1.5f) * kSampleRate);
                for (long i = from; i < to; ++i)
                {
                    float t = float(i) / kSampleRate;
                    float env = ChordEnvelope(k, t);
                    // Slow breathing, a whole number of cycles per loop.
                    float breathe = 0.85f + 0.15f * std::sin(2 * kPi * (t * 8 / kSeconds) + v * 1.7f + d);
                    out.Add(i, 0.035f * env * breathe * table.At(phase), pans[d] * (v & 1 ? 1 : -1) * 0.8f);
                    phase += inc;
                }
            }
        }
        // Bass: a round sine an octave or two under the chord.
        float fb = Midi(float(kRoots[k]));
        double phase = 0;
        long from = long((k * 8.0f - 1.5f) * kSampleRate), to = long(((k + 1) * 8.0f + 1.5f) * kSampleRate);
        for (long i = from; i < to; ++i)
        {
            float t = float(i) / kSampleRate;
            float s = std::sin(float(2 * kPi * phase)) + 0.15f * std::sin(float(4 * kPi * phase));
            out.Add(i, 0.09f * ChordEnvelope(k, t) * s, 0.0f);
            phase += double(fb) / kSampleRate;
        }
    }
}

// Bell: inharmonic partials, the higher ones dying sooner.
void Bell(Stereo& out, float seconds, float freq, float vel, float pan)
{
    struct P
    {
        float ratio, amp, decay;
    };
    static const P partials[] = {
        {1, 1, 2.6f}, {2.0f, 0.32f, 1.3f}, {3.0f, 0.1f, 0.7f}, {4.16f, 0.07f, 0.45f}, {5.43f, 0.035f, 0.3f}};
    long start = long(seconds * kSampleRate);
    long len = long(6.0f * kSampleRate);
    for (const P& p : partials)
    {
        float f = freq * p.ratio;
        if (f > 16000)
            continue;
        float w = 2 * kPi * f / kSampleRate, k = std::exp(-1.0f / (p.decay * kSampleRate));
        float env = vel * p.amp * 0.09f;
        for (long i = 0; i < len; ++i)
        {
            float attack = i < 220 ? 0.5f - 0.5f * std::cos(kPi * i / 220) : 1.0f;
            out.Add(start + i, env * attack * std::sin(w * i), pan);
            env *= k;
        }
    }
}

// Soft pluck: a sine with a little second harmonic and a quick decay.
void Pluck(Stereo& out, float seconds, float freq, float vel, float pan)
{
    long start = long(seconds * kSampleRate), len = long(2.0f * kSampleRate);
    float w = 2 * kPi * freq / kSampleRate, k = std::exp(-1.0f / (0.45f * kSampleRate));
    float env = vel * 0.05f;
    for (long i = 0; i < len; ++i)
    {
        float attack = i < 90 ? float(i) / 90 : 1.0f;
        out.Add(start + i, env * attack * (std::sin(w * i) + 0.25f * std::sin(2 * w * i) * env / (vel * 0.05f)), pan);
        env *= k;
    }
}

void Melody(Stereo& out)
{
    Random rng(9001);
    // A four-bar motif (in scale steps, -1 = rest) played over chords 1-4,
    // then varied over chords 5-8.
    int motif[32];
    for (int b = 0; b < 32; ++b)
        motif[b] = (b % 8 == 7 || rng.Uniform() < 0.35f) ? -1 : int(rng.Uniform() * 6);
    for (int beat = 0; beat < kSeconds; ++beat)
    {
        int k = beat / 8;
        int m = motif[beat % 32];
        if (beat >= 32 && rng.Uniform() < 0.3f)
            m = rng.Uniform() < 0.5f ? -1 : int(rng.Uniform() * 6);
        if (m < 0)
            continue;
        int note = kScale[m];
        // Lean towards chord tones: move a clashing note to its neighbour in the scale.
        bool fits = false;
        for (int v = 0; v < 4; ++v)
            fits |= (note - kChords[k][v]) % 12 == 0 || (note - kChords[k][v]) % 12 == 7;
        if (!fits && m + 1 < 6 && rng.Uniform() < 0.5f)
            note = kScale[m + 1];
        float when = beat + (rng.Uniform() < 0.25f ? 0.5f : 0.0f) + rng.Range(-0.015f, 0.015f);
        Bell(out, when, Midi(float(note)), rng.Range(0.55f, 1.0f), rng.Range(-0.5f, 0.5f));
    }
    // Second half: an arpeggio of the chord, two notes a beat.
    for (int half = 64; half < 128; ++half)
    {
        int k = half / 16;
        int v = (half * 3) % 4;
        Pluck(out, half * 0.5f + rng.Range(-0.01f, 0.01f), Midi(float(kChords[k][v] + 12)), rng.Range(0.5f, 0.9f),
              v < 2 ? -0.35f : 0.35f);
    }
}

// Freeverb-style room: parallel damped combs into series all-passes.
struct Comb
{
    std::vector<float> buf;
    size_t i = 0;
    float store = 0;
    explicit Comb(size_t n) : buf(n, 0.0f) {}
    float Run(float x, float fb, float damp)
    {
        float y = buf[i];
        store = y * (1 - damp) + store * damp;
        buf[i] = x + store * fb;
        if (++i == buf.size())
            i = 0;
        return y;
    }
};
struct AllPass
{
    std::vector<float> buf;
    size_t i = 0;
    explicit AllPass(size_t n) : buf(n, 0.0f) {}
    float Run(float x)
    {
        float b = buf[i];
        buf[i] = x + b * 0.5f;
        if (++i == buf.size())
            i = 0;
        return b - x;
    }
};

void Reverb(Stereo& s)
{
    const size_t combs[8] = {1116, 1188, 1277, 1356, 1422, 1491, 1557, 1617};
    const size_t passes[4] = {556, 441, 341, 225};
    for (int ch = 0; ch < 2; ++ch)
    {
        std::vector<Comb> c;
        std::vector<AllPass> a;
        for (size_t n : combs)
            c.emplace_back(n + ch * 23);
        for (size_t n : passes)
            a.emplace_back(n + ch * 23);
        std::vector<float> in(kFrames);
        for (int i = 0; i < kFrames; ++i)
            in[i] = (s.l[i] + s.r[i]) * 0.015f;
        std::vector<float> wet = Circular(in, [&](float x) {
            float y = 0;
            for (auto& cb : c)
                y += cb.Run(x, 0.86f, 0.35f);
            for (auto& ap : a)
                y = ap.Run(y);
            return y;
        });
        std::vector<float>& dry = ch ? s.r : s.l;
        for (int i = 0; i < kFrames; ++i)
            dry[i] = dry[i] * 0.8f + wet[i] * 0.9f;
    }
}

} // namespace

std::vector<float> MusicLoop()
{
    Stereo s;
    Pad(s);
    Melody(s);
    Reverb(s);
    std::vector<float> out(size_t(kFrames) * 2);
    for (int i = 0; i < kFrames; ++i)
    {
        out[size_t(i) * 2] = s.l[i];
        out[size_t(i) * 2 + 1] = s.r[i];
    }
    return out;
}

} // namespace qmc
