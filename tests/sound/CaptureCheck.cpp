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
//     (scene_shots --sound), whose clock is the frames mixed and which says
//     when on that clock the waterfalls started.
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

struct Fit
{
    double gain = 0.0;
    double residualDb = 0.0; // what the gain leaves over, against the capture's own level
    double energy = 0.0;     // the capture's sum of squares
};

// The capture's frames [from, to) against the loop, capture frame k being
// mixed frame k + shift: the gain that fits best.
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
    f.energy = cc;
    f.gain = rr > 0 ? cr / rr : 0.0;
    const double residual = std::max(cc - f.gain * cr, 1e-9);
    f.residualDb = 10.0 * std::log10(residual / std::max(cc, 1e-9));
    return f;
}

// One 25 ms window of the capture, lined up with the mix.
struct Window
{
    size_t at;    // first capture frame
    long shift;   // capture frame k is mixed frame k + shift
    Fit fit;      // against the loop at that shift
    bool quiet;   // nothing to line up: the capture is (nearly) silent here
    bool aligned; // the fit holds
};

const size_t kWindow = 1102;

// Lines the capture up with the loop window by window. Where the output
// starved (Wine then plays silence of its own and the rest of the capture
// comes later than the mix had it), the fit breaks and the shift is found
// again; silence can only push the capture later, so the search runs
// towards smaller shifts. Counts those gaps in `gaps`.
std::vector<Window> LineUp(const std::vector<int16_t>& cap, const std::vector<int16_t>& loop, int& gaps)
{
    std::vector<Window> windows;
    const size_t frames = cap.size() / 2;
    long shift = 0;
    bool found = false;
    gaps = 0;
    for (size_t at = 0; at + kWindow <= frames; at += kWindow)
    {
        Window w = {at, shift, FitGain(cap, loop, shift, at, at + kWindow), false, false};
        // below 1 LSB RMS: silence, whatever the shift
        w.quiet = w.fit.energy < 2.0 * kWindow;
        if (!w.quiet && w.fit.residualDb > -20.0)
        {
            const long lo = found ? shift - 8192 : -16384, hi = found ? shift : 16384;
            for (long s = lo; s <= hi; ++s)
            {
                const Fit f = FitGain(cap, loop, s, at, at + kWindow);
                if (f.residualDb < w.fit.residualDb)
                {
                    w.fit = f;
                    w.shift = s;
                }
            }
            if (w.fit.residualDb <= -20.0)
            {
                gaps += found && w.shift != shift;
                shift = w.shift;
                found = true;
            }
        }
        w.aligned = !w.quiet && w.fit.residualDb <= -20.0;
        windows.push_back(w);
    }
    // The silence before the first sound lies where the first sound says.
    for (size_t i = 0; i < windows.size() && !windows[i].aligned; ++i)
        for (const Window& first : windows)
            if (first.aligned)
            {
                windows[i].shift = first.shift;
                break;
            }
    return windows;
}

int Music(const char* capturePath, const char* musicPath, int musicVolume)
{
    const std::vector<int16_t> cap = ReadCapture(capturePath), music = Decode(musicPath);
    if (cap.size() < 2 * 44100 || music.empty())
    {
        std::fprintf(stderr, "capture_check: capture shorter than 1 s or music not decoded\n");
        return 1;
    }
    int gaps = 0;
    const std::vector<Window> windows = LineUp(cap, music, gaps);
    // Every window that holds sound, lined up or not: the music must explain
    // all of it.
    double gainSum = 0, energy = 0, left = 0, alignedEnergy = 0, alignedLeft = 0;
    size_t sounding = 0, aligned = 0;
    for (const Window& w : windows)
    {
        if (w.quiet)
            continue;
        ++sounding;
        energy += w.fit.energy;
        left += w.fit.energy * std::pow(10.0, w.fit.residualDb / 10.0);
        if (!w.aligned)
            continue;
        ++aligned;
        gainSum += w.fit.gain;
        alignedEnergy += w.fit.energy;
        alignedLeft += w.fit.energy * std::pow(10.0, w.fit.residualDb / 10.0);
    }
    const double gain = aligned ? gainSum / aligned : 0.0;
    double spread = 0;
    for (const Window& w : windows)
        if (w.aligned)
            spread = std::max(spread, std::fabs(w.fit.gain - gain));
    const double levelDb = 10.0 * std::log10(std::max(energy, 1.0) / (2.0 * kWindow * std::max<size_t>(sounding, 1)) /
                                             (32768.0 * 32768.0));
    const double residualDb = 10.0 * std::log10(std::max(left, 1e-9) / std::max(energy, 1e-9));
    std::printf("capture_seconds=%.2f\n", cap.size() / 2 / 44100.0);
    std::printf("windows_25ms=%zu sounding=%zu lined_up=%zu output_gaps=%d\n", windows.size(), sounding, aligned, gaps);
    std::printf("music_gain=%.4f (MusicVolume/100=%.2f) spread=%.4f\n", gain, musicVolume / 100.0, spread);
    std::printf("music_level_dbfs=%.1f\n", levelDb);
    std::printf("music_residual_db=%.1f lined_up_only=%.1f (what the music at that gain leaves over)\n", residualDb,
                10.0 * std::log10(std::max(alignedLeft, 1e-9) / std::max(alignedEnergy, 1e-9)));
    const bool ok =
        std::fabs(gain - musicVolume / 100.0) < 0.005 && spread < 0.005 && aligned + 2 * gaps + 2 >= sounding;
    std::printf("music_check=%s\n", ok ? "pass" : "FAIL");
    return ok ? 0 : 1;
}

struct TimelinePoint
{
    unsigned long long mixed;
    double dA, dB;
    int volA, volB; // what the frame set
};

// The timeline's frames, and the mix clock at which the waterfalls started.
std::vector<TimelinePoint> ReadTimeline(const char* path, unsigned long long& waterStarted)
{
    std::vector<TimelinePoint> points;
    std::ifstream in(path);
    for (std::string line; std::getline(in, line);)
    {
        std::sscanf(line.c_str(), "sound_water_started mixed=%llu", &waterStarted);
        TimelinePoint p = {};
        int frame = 0;
        if (std::sscanf(line.c_str(), "sound_frame mixed=%llu frame=%d dA=%lf dB=%lf volA=%d volB=%d", &p.mixed, &frame,
                        &p.dA, &p.dB, &p.volA, &p.volB) == 6)
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
    unsigned long long waterStarted = 0;
    const std::vector<TimelinePoint> timeline = ReadTimeline(timelinePath, waterStarted);
    if (cap.size() < 2 * 44100 || water.empty() || timeline.empty())
    {
        std::fprintf(stderr, "capture_check: capture shorter than 1 s, water not decoded or no timeline\n");
        return 1;
    }
    // What each frame set against the curve for its eye's distances (printed
    // to 0.01 unit, so a distance on a step of the curve may round either way).
    int offCurve = 0;
    for (const TimelinePoint& p : timeline)
    {
        const int sum = SceneWaterVolume(static_cast<float>(p.dA), musicVolume) +
                        SceneWaterVolume(static_cast<float>(p.dB), musicVolume);
        offCurve += std::abs(sum - (p.volA + p.volB)) > 1;
    }
    int gaps = 0;
    const std::vector<Window> windows = LineUp(cap, water, gaps);

    // Per window: A + B as the curve gives them for the eye's distances when
    // the frame set them, and as measured, in volume units. The timeline's
    // clock is the frames mixed; the loop's frame 0 was mixed when the
    // waterfalls started; before the first frame both are silent.
    std::vector<double> measured, expected;
    std::vector<bool> usable;
    std::vector<size_t> pointOf;
    size_t point = 0;
    for (const Window& w : windows)
    {
        const double mixedAt = static_cast<double>(w.at) + w.shift + static_cast<double>(waterStarted) + kWindow / 2.0;
        while (point + 1 < timeline.size() && timeline[point + 1].mixed <= mixedAt)
            ++point;
        const TimelinePoint& p = timeline[point];
        pointOf.push_back(point);
        expected.push_back(mixedAt < timeline[0].mixed ? 0 : p.volA + p.volB);
        measured.push_back(w.quiet ? 0.0 : w.fit.gain * 100.0 * 100.0 / musicVolume);
        usable.push_back(w.quiet || w.aligned);
    }
    // The volume reaches the mix after the frame that set it, and glides
    // over 11.6 ms: find that lag (in windows), the one that leaves the least
    // difference; the correlation is taken there.
    int bestLag = 0;
    double leastDifference = 1e300;
    for (int lag = 0; lag <= 40; ++lag)
    {
        double difference = 0;
        for (size_t i = 0; i + lag < measured.size(); ++i)
            difference += std::fabs(measured[i + lag] - expected[i]);
        if (difference < leastDifference)
        {
            leastDifference = difference;
            bestLag = lag;
        }
    }
    const double best = Correlation(std::vector<double>(expected.begin(), expected.end() - bestLag),
                                    std::vector<double>(measured.begin() + bestLag, measured.end()));
    double worstError = 0, sumError = 0, loudest = 0;
    size_t count = 0, audible = 0, heard = 0;
    // Windows where the falls should be heard, steady or gliding.
    for (size_t i = 0; i + bestLag < measured.size(); ++i)
        heard += expected[i] > 0 && usable[i + bestLag];
    for (size_t i = 1; i + bestLag + 1 < measured.size(); ++i)
    {
        const double e = expected[i], m = measured[i + bestLag];
        // a window where the volume changed carries two volumes
        const bool steady = expected[i - 1] == e && expected[i + 1] == e;
        if (!steady || !usable[i + bestLag])
            continue;
        worstError = std::max(worstError, std::fabs(m - e));
        sumError += std::fabs(m - e);
        ++count;
        audible += e > 0;
        loudest = std::max(loudest, e);
    }
    std::printf("capture_seconds=%.2f\n", cap.size() / 2 / 44100.0);
    long firstShift = 0;
    for (const Window& w : windows)
        if (w.aligned)
        {
            firstShift = w.shift;
            break;
        }
    std::printf("windows_25ms=%zu falls_in_hearing=%zu steady=%zu steady_audible=%zu output_gaps=%d "
                "loudest_A_plus_B=%.0f first_shift=%ld\n",
                windows.size(), heard, count, audible, gaps, loudest, firstShift);
    std::printf("frames=%zu set_off_the_curve=%d\n", timeline.size(), offCurve);
    std::printf("water_set_vs_heard_correlation=%.4f\n", best);
    std::printf("water_lag_ms=%.0f\n", bestLag * kWindow * 1000.0 / 44100.0);
    std::printf("water_mean_abs_error_volume=%.3f\n", count ? sumError / count : 0.0);
    std::printf("water_max_abs_error_volume=%.2f\n", worstError);
    // Every half second while a fall is heard: A + B as set, and as heard.
    for (size_t i = 0; i + bestLag < measured.size(); i += 20)
        if (expected[i] > 0 || measured[i + bestLag] > 0.5)
            std::printf("  t=%5.2fs dA=%6.1f dB=%6.1f set=%3.0f heard=%6.2f\n", windows[i].at / 44100.0,
                        timeline[pointOf[i]].dA, timeline[pointOf[i]].dB, expected[i], measured[i + bestLag]);
    // At least 2 s within hearing, and half a second of it steady enough to
    // bound the error.
    const bool ok = offCurve == 0 && best > 0.99 && worstError < 1.5 && heard >= 80 && audible >= 20;
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
