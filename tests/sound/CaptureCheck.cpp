// capture_check: measures a capture of what the saver played (raw 44,100 Hz
// stereo 16-bit, as Wine's ALSA output writes it into a file) against the
// sounds it was made from.
//
//   capture_check music CAPTURE.raw MUSIC.ogg MUSICVOLUME
//     The capture is the music alone at MusicVolume: the gain fitted to the
//     decoded music, and what is left over (rain or water would show there).
//   capture_check water CAPTURE.raw WATER.ogg MUSICVOLUME TIMELINE.txt
//     The capture holds only the two waterfalls, which start together, so it
//     is the water loop times (volume A + volume B) / 100 * MusicVolume / 100.
//     The gain is fitted in 25 ms windows and compared with the volumes the
//     waterfall curve gives for the eye's distances in the timeline
//     (scene_shots --sound), whose clock is the frames mixed.
//
// Prints name=value figures; exit status 1 when a figure is out of bounds.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "sound/SoundData.h"
#include "src/ClassBase/SceneSound.h"

namespace {

std::vector<unsigned char> ReadAll(const char* path)
{
    std::ifstream in(path, std::ios::binary);
    return std::vector<unsigned char>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// The capture as stereo frames.
std::vector<int16_t> ReadCapture(const char* path)
{
    const std::vector<unsigned char> bytes = ReadAll(path);
    std::vector<int16_t> pcm(bytes.size() / 4 * 2);
    for (size_t i = 0; i < pcm.size(); ++i)
        pcm[i] = static_cast<int16_t>(bytes[2 * i] | (bytes[2 * i + 1] << 8));
    return pcm;
}

// A sound decoded whole, as stereo frames (mono on both sides).
std::vector<int16_t> Decode(const char* path)
{
    const std::vector<unsigned char> bytes = ReadAll(path);
    CSoundData data;
    if (!data.Open(bytes.data(), bytes.size()))
        return {};
    const uint32_t n = data.DecodeAll();
    std::vector<int16_t> out(static_cast<size_t>(n) * 2);
    for (uint32_t i = 0; i < n; ++i)
    {
        out[2 * i] = data.Pcm()[i * data.Channels()];
        out[2 * i + 1] = data.Pcm()[i * data.Channels() + data.Channels() - 1];
    }
    return out;
}

// Where the capture's frame 0 lies in the loop (its first frames may be
// missing or preceded by silence): the shift with the least residual of a
// fitted gain over a stretch of the capture that holds sound.
long FindShift(const std::vector<int16_t>& cap, const std::vector<int16_t>& loop, size_t at, size_t len)
{
    const long n = static_cast<long>(loop.size() / 2);
    long best = 0;
    double bestResidual = 1e300;
    for (long shift = -8192; shift <= 8192; ++shift)
    {
        double cr = 0, rr = 0, cc = 0;
        for (size_t k = at; k < at + len; ++k)
        {
            const long j = ((static_cast<long>(k) + shift) % n + n) % n;
            const double c = cap[2 * k], r = loop[2 * j];
            cr += c * r;
            rr += r * r;
            cc += c * c;
        }
        const double residual = rr > 0 ? cc - cr * cr / rr : cc;
        if (residual < bestResidual)
        {
            bestResidual = residual;
            best = shift;
        }
    }
    return best;
}

struct Fit
{
    double gain;
    double residualDb; // what the gain leaves over, against the capture's own level
    double levelDb;    // the capture's RMS in dBFS
};

Fit FitGain(const std::vector<int16_t>& cap, const std::vector<int16_t>& loop, long shift, size_t from, size_t to)
{
    const long n = static_cast<long>(loop.size() / 2);
    double cr = 0, rr = 0, cc = 0;
    for (size_t k = from; k < to; ++k)
    {
        const long j = ((static_cast<long>(k) + shift) % n + n) % n;
        for (int ch = 0; ch < 2; ++ch)
        {
            const double c = cap[2 * k + ch], r = loop[2 * j + ch];
            cr += c * r;
            rr += r * r;
            cc += c * c;
        }
    }
    Fit f;
    f.gain = rr > 0 ? cr / rr : 0.0;
    const double residual = std::max(cc - f.gain * cr, 1e-9);
    f.residualDb = 10.0 * std::log10(residual / std::max(cc, 1e-9));
    f.levelDb = 10.0 * std::log10(std::max(cc, 1e-9) / (2.0 * (to - from)) / (32768.0 * 32768.0));
    return f;
}

size_t LoudestSecond(const std::vector<int16_t>& cap)
{
    size_t best = 0;
    double bestEnergy = -1;
    for (size_t at = 0; at + 44100 <= cap.size() / 2; at += 22050)
    {
        double e = 0;
        for (size_t k = at; k < at + 44100; ++k)
            e += static_cast<double>(cap[2 * k]) * cap[2 * k];
        if (e > bestEnergy)
        {
            bestEnergy = e;
            best = at;
        }
    }
    return best;
}

int Music(const char* capturePath, const char* musicPath, int musicVolume)
{
    const std::vector<int16_t> cap = ReadCapture(capturePath), music = Decode(musicPath);
    if (cap.size() < 2 * 44100 || music.empty())
    {
        std::fprintf(stderr, "capture_check: capture shorter than 1 s or music not decoded\n");
        return 1;
    }
    const size_t frames = cap.size() / 2;
    const long shift = FindShift(cap, music, LoudestSecond(cap), 4096);
    // The first and last 100 ms aside: the output opening and closing.
    const Fit f = FitGain(cap, music, shift, 4410, frames - 4410);
    std::printf("capture_seconds=%.2f\n", frames / 44100.0);
    std::printf("music_shift_frames=%ld\n", shift);
    std::printf("music_gain=%.4f (MusicVolume/100=%.2f)\n", f.gain, musicVolume / 100.0);
    std::printf("music_level_dbfs=%.1f\n", f.levelDb);
    std::printf("music_residual_db=%.1f\n", f.residualDb);
    const bool ok = std::fabs(f.gain - musicVolume / 100.0) < 0.01 && f.residualDb < -40.0;
    std::printf("music_check=%s\n", ok ? "pass" : "FAIL");
    return ok ? 0 : 1;
}

struct TimelinePoint
{
    unsigned long long mixed;
    double dA, dB;
};

std::vector<TimelinePoint> ReadTimeline(const char* path)
{
    std::vector<TimelinePoint> points;
    std::ifstream in(path);
    for (std::string line; std::getline(in, line);)
    {
        TimelinePoint p = {};
        int frame = 0;
        if (std::sscanf(line.c_str(), "sound_frame mixed=%llu frame=%d dA=%lf dB=%lf", &p.mixed, &frame, &p.dA,
                        &p.dB) == 4)
            points.push_back(p);
    }
    return points;
}

double Correlation(const std::vector<double>& a, const std::vector<double>& b)
{
    const size_t n = std::min(a.size(), b.size());
    double ma = 0, mb = 0;
    for (size_t i = 0; i < n; ++i)
        ma += a[i], mb += b[i];
    ma /= n, mb /= n;
    double ab = 0, aa = 0, bb = 0;
    for (size_t i = 0; i < n; ++i)
    {
        ab += (a[i] - ma) * (b[i] - mb);
        aa += (a[i] - ma) * (a[i] - ma);
        bb += (b[i] - mb) * (b[i] - mb);
    }
    return aa > 0 && bb > 0 ? ab / std::sqrt(aa * bb) : 0.0;
}

int Water(const char* capturePath, const char* waterPath, int musicVolume, const char* timelinePath)
{
    const std::vector<int16_t> cap = ReadCapture(capturePath), water = Decode(waterPath);
    const std::vector<TimelinePoint> timeline = ReadTimeline(timelinePath);
    if (cap.size() < 2 * 44100 || water.empty() || timeline.empty())
    {
        std::fprintf(stderr, "capture_check: capture shorter than 1 s, water not decoded or no timeline\n");
        return 1;
    }
    const size_t frames = cap.size() / 2;
    const long shift = FindShift(cap, water, LoudestSecond(cap), 4096);
    std::printf("capture_seconds=%.2f\n", frames / 44100.0);
    std::printf("water_shift_frames=%ld\n", shift);

    // Volume A + B the curve gives at each mixed frame, from the timeline.
    const size_t window = 1102; // 25 ms
    std::vector<double> measured, expected;
    double worstResidual = -200;
    size_t point = 0;
    for (size_t at = 4410; at + window <= frames - 4410; at += window)
    {
        // the capture's frame `at` is mixed frame at + shift
        const double mixedAt = static_cast<double>(at) + shift + window / 2.0;
        while (point + 1 < timeline.size() && timeline[point + 1].mixed <= mixedAt)
            ++point;
        const TimelinePoint& p = timeline[point];
        const int sum = SceneWaterVolume(static_cast<float>(p.dA), musicVolume) +
                        SceneWaterVolume(static_cast<float>(p.dB), musicVolume);
        const Fit f = FitGain(cap, water, shift, at, at + window);
        // the fitted gain in volume units: (A + B) at this MusicVolume
        measured.push_back(f.gain * 100.0 * 100.0 / musicVolume);
        expected.push_back(sum);
        if (f.gain > 0.05)
            worstResidual = std::max(worstResidual, f.residualDb);
    }
    // The volume reaches the mix one frame after the eye moved (the frame
    // sets it), and glides over 11.6 ms: find that lag.
    int bestLag = 0;
    double best = -2;
    for (int lag = 0; lag <= 40; ++lag)
    {
        std::vector<double> e(expected.begin(), expected.end() - lag), m(measured.begin() + lag, measured.end());
        const double c = Correlation(e, m);
        if (c > best)
        {
            best = c;
            bestLag = lag;
        }
    }
    double worstError = 0, sumError = 0;
    size_t count = 0, audible = 0;
    for (size_t i = 0; i + bestLag < measured.size(); ++i)
    {
        const double e = expected[i], m = measured[i + bestLag];
        // a window where the volume changed carries two volumes
        const bool steady = i == 0 || (expected[i - 1] == e && (i + 1 >= expected.size() || expected[i + 1] == e));
        if (!steady)
            continue;
        worstError = std::max(worstError, std::fabs(m - e));
        sumError += std::fabs(m - e);
        ++count;
        audible += e > 0;
    }
    std::printf("water_windows=%zu audible=%zu\n", count, audible);
    std::printf("water_curve_correlation=%.4f\n", best);
    std::printf("water_lag_ms=%.0f\n", bestLag * window * 1000.0 / 44100.0);
    std::printf("water_mean_abs_error_volume=%.3f\n", count ? sumError / count : 0.0);
    std::printf("water_max_abs_error_volume=%.2f\n", worstError);
    std::printf("water_worst_residual_db=%.1f\n", worstResidual);
    // One line a second: the curve's A + B, the measured A + B.
    for (size_t i = 0; i + bestLag < measured.size(); i += 40)
        std::printf("  t=%5.1fs curve=%3.0f measured=%6.2f\n", (4410 + i * window) / 44100.0, expected[i],
                    measured[i + bestLag]);
    const bool ok = best > 0.99 && worstError < 1.5 && audible > 40;
    std::printf("water_check=%s\n", ok ? "pass" : "FAIL");
    return ok ? 0 : 1;
}

} // namespace

int main(int argc, char** argv)
{
    const std::string mode = argc > 1 ? argv[1] : "";
    if (mode == "music" && argc == 5)
        return Music(argv[2], argv[3], std::atoi(argv[4]));
    if (mode == "water" && argc == 6)
        return Water(argv[2], argv[3], std::atoi(argv[4]), argv[5]);
    std::fprintf(stderr, "usage: capture_check music CAPTURE.raw MUSIC.ogg MUSICVOLUME\n"
                         "       capture_check water CAPTURE.raw WATER.ogg MUSICVOLUME TIMELINE.txt\n");
    return 2;
}
