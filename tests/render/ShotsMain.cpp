// scene_shots: renders chosen frames of the real scene into PNG files, and
// with --bench measures the load and the frame times.
//
//   scene_shots [--out DIR] [--paths 0,5,9] [--frames 0,250,500] [--fullscreen] [--bench FRAMES]
//   scene_shots --sound SECONDS [--paths P | --near-fall] [--pace N] [--music 0|1] [--sfx 0|1] [--rain 0|1]
//               [--volume N]
//
// Per path: frames 0, 150 and 303 (10 s in); for the first path also the
// cross-fade at frame 470 with both camera views, frame 303 without
// reflections, without bump mapping, and its water masks; then the loading
// screen at 1024 x 768, 640 x 480 and 1920 x 1080, and frame 303 of the
// first path with the clock and frame rate at 1024 x 768 and 1920 x 1080.
// --frames renders just those frames of each path (contact sheets).
//
// --sound plays the scene's sound for SECONDS of output from the first path
// on, with the camera's clock following the mix's own clock, and prints
// what the frames set (see SoundRun); a capture of the output then lines up
// with where the camera was. --near-fall takes the path that stays longest
// within hearing of a fall, from a little before it comes near; --pace N
// flies it N times slower, so the level holds still long enough to be
// measured between the changes.
#include <windows.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <new>
#include <optional>
#include <string>
#include <vector>

#include "data/win/ArchiveResource.h"
#include "settings/SceneOptions.h"
#include "src/ClassRender/win/FrameFence.h"
#include "src/ClassRender/win/RenderTypes.h"
#include "tests/common/ScopedParticleOptions.h"
#include "tests/render/HeapCount.h"
#include "tests/render/SceneHarness.h"
#include "tests/win/FakeDirect3D.h"

namespace {

double Percentile(std::vector<double> values, double p)
{
    if (values.empty())
        return 0.0;
    std::sort(values.begin(), values.end());
    const size_t at = static_cast<size_t>(p * static_cast<double>(values.size() - 1) + 0.5);
    return values[std::min(at, values.size() - 1)];
}

class ShotWriter
{
public:
    ShotWriter(shots::CSceneHarness& harness, std::string dir) : m_harness(harness), m_dir(std::move(dir)) {}

    // Renders frame `frame` of the started path and writes the back buffer.
    bool Frame(int frame, const std::string& name)
    {
        LARGE_INTEGER start;
        QueryPerformanceCounter(&start);
        m_harness.RenderPathFrame(frame);
        const double ms = shots::ElapsedMs(start);
        shots::Picture picture;
        if (!m_harness.CaptureBackBuffer(picture))
            return Fail(name, "read back failed");
        return Write(name, picture, ms);
    }

    // Writes the back buffer as the last frame left it.
    bool Current(const std::string& name)
    {
        shots::Picture picture;
        if (!m_harness.CaptureBackBuffer(picture))
            return Fail(name, "read back failed");
        return Write(name, picture);
    }

    bool Write(const std::string& name, const shots::Picture& picture, double frameMs = 0.0)
    {
        const std::string path = m_dir + "\\" + name + ".png";
        if (!shots::WritePng(path, picture))
            return Fail(name, "cannot write the file");
        if (frameMs > 0.0)
            std::printf("shot %s frame_ms=%.1f eye=%.0f,%.0f,%.0f\n", name.c_str(), frameMs, g_vCameraEye.x,
                        g_vCameraEye.y, g_vCameraEye.z);
        else
            std::printf("shot %s\n", name.c_str());
        return true;
    }

    bool Fail(const std::string& name, const char* why)
    {
        std::fprintf(stderr, "shot %s: %s\n", name.c_str(), why);
        m_ok = false;
        return false;
    }

    bool Ok() const { return m_ok; }

private:
    shots::CSceneHarness& m_harness;
    std::string m_dir;
    bool m_ok = true;
};

std::string PathName(int path, const char* what)
{
    char name[64];
    std::snprintf(name, sizeof(name), "path%02d_%s", path + 1, what);
    return name;
}

// The extra pictures of one path: cross-fade, reflection off, bump off, masks.
void SpecialShots(shots::CSceneHarness& harness, ShotWriter& out, int path)
{
    CWorld& world = harness.World();

    harness.RenderHalfwayBlend(path);
    if (out.Current(PathName(path, "blend470")))
    {
        shots::Picture view;
        if (harness.CaptureSurface(world.m_pViewSurface[0], view))
            out.Write(PathName(path, "blend470_view0"), view);
        if (harness.CaptureSurface(world.m_pViewSurface[1], view))
            out.Write(PathName(path, "blend470_view1"), view);
        std::printf("blend next_path=%d weight=%.3f\n", world.m_Switch.m_nNextCamera + 1, world.m_Switch.m_fBlend);
    }

    harness.StartPath(path);
    const uint8_t reflection = WaterReflection;
    WaterReflection = 0;
    out.Frame(303, PathName(path, "f303_noreflection"));
    WaterReflection = reflection;

    harness.StartPath(path);
    out.Frame(303, PathName(path, "f303"));
    shots::Picture masks;
    if (harness.CaptureWaterMasks(masks))
    {
        for (size_t i = 0; i < masks.alpha.size(); ++i)
            masks.rgb[i * 3] = masks.rgb[i * 3 + 1] = masks.rgb[i * 3 + 2] = masks.alpha[i];
        out.Write(PathName(path, "f303_watermask"), masks);
    }

    WorldSetDeviceCapsFilter(shots::WithoutBumpMapping);
    world.InitBumpWater();
    harness.StartPath(path);
    out.Frame(303, PathName(path, "f303_nobump"));
    WorldSetDeviceCapsFilter(nullptr);
    world.InitBumpWater();
}

// The loading screen at three screen sizes, and frame 303 of `path` with the
// clock (12-hour form) and the frame rate at two.
bool OverlayShots(const std::string& dir, int path)
{
    bool ok = true;
    const int sizes[][2] = {{1024, 768}, {640, 480}, {1920, 1080}};
    for (const auto& size : sizes)
    {
        const std::string name = "loading_" + std::to_string(size[0]) + "x" + std::to_string(size[1]);
        shots::CSceneHarness harness;
        std::string error;
        shots::Picture picture;
        if (!harness.Open(size[0], size[1], false, error) || FAILED(harness.DrawLoadingScreen()) ||
            !harness.CaptureBackBuffer(picture))
        {
            std::fprintf(stderr, "shot %s: %s\n", name.c_str(), error.empty() ? "not drawn" : error.c_str());
            ok = false;
            continue;
        }
        ShotWriter out(harness, dir);
        ok = out.Write(name, picture) && ok;
    }
    for (const auto& size : sizes)
    {
        if (size[0] == 640)
            continue;
        const std::string name =
            PathName(path, "f303_clock_") + std::to_string(size[0]) + "x" + std::to_string(size[1]);
        shots::CSceneHarness harness;
        std::string error;
        if (!harness.Open(size[0], size[1], false, error) || !harness.LoadOverlay())
        {
            std::fprintf(stderr, "shot %s: %s\n", name.c_str(), error.empty() ? "no overlay" : error.c_str());
            ok = false;
            continue;
        }
        harness.LoadScene();
        SaverSettings& settings = harness.App().m_Settings;
        settings.ShowTime = 1;
        settings.TimeModeAMPM = 1;
        settings.ShowFPS = 1;
        harness.App().m_nFramesPerSecond = 1087;
        harness.SetLocalTime(22, 48, 36);
        harness.StartPath(path);
        ShotWriter out(harness, dir);
        ok = out.Frame(303, name) && ok;
    }
    return ok;
}

// What one frame costs the world on a device that draws nothing (the
// recording fake with recording off): its own CPU time, its heap
// allocations, and what it asks of the device.
struct FrameCost
{
    double cpuMs = 0.0;
    double loadMs = 0.0; // the whole load on the device that keeps nothing
    long heapAllocations = 0;
    int drawCalls = 0;
    int deviceCalls = 0;
};

FrameCost MeasureFrames(int frames, int path, bool mostParticles)
{
    fake3d::FakeDirect3DDevice9 device;
    device.caps.TextureOpCaps |= D3DTEXOPCAPS_BUMPENVMAP | D3DTEXOPCAPS_SELECTARG1 | D3DTEXOPCAPS_MODULATE;
    device.caps.MaxTextureBlendStages = 8;
    device.caps.MaxSimultaneousTextures = 8;
    fake3d::FakeCallLog::SetRecording(false);
    IDirect3DDevice9* saved = g_pd3dDevice;
    ClearTextureStageCache();

    FrameCost cost;
    {
        shots::CSceneHarness harness;
        harness.UseDevice(&device);
        // after the application's construction, which reads the settings
        std::optional<testsupport::ScopedParticleOptions> most;
        if (mostParticles)
            most.emplace(1, 100);
        cost.loadMs = harness.LoadScene();
        harness.StartPath(path);
        harness.RenderPathFrame(0);
        // Nothing waits on this device: the wall clock is the CPU time. Other
        // work on the machine only adds to it, so the figure is the least
        // disturbed of ten rounds.
        const int rounds = frames >= 10 ? 10 : 1;
        const int perRound = frames / rounds;
        cost.cpuMs = 1e30;
        for (int r = 0; r < rounds; ++r)
        {
            LARGE_INTEGER start;
            QueryPerformanceCounter(&start);
            for (int f = 1; f <= perRound; ++f)
                harness.RenderPathFrame(r * perRound + f);
            cost.cpuMs = std::min(cost.cpuMs, shots::ElapsedMs(start) / perRound);
        }
        // A steady frame allocates nothing.
        heapcount::ResetAllocations();
        heapcount::SetCounting(true);
        harness.RenderPathFrame(frames + 1);
        heapcount::SetCounting(false);
        cost.heapAllocations = heapcount::Allocations();
        // One more frame, recorded, to show how much a frame asks of a device.
        fake3d::FakeCallLog::SetRecording(true);
        device.draws.clear();
        device.ClearCalls();
        harness.RenderPathFrame(frames + 2);
        cost.drawCalls = static_cast<int>(device.draws.size());
        cost.deviceCalls = static_cast<int>(device.Calls().size());
    }
    g_pd3dDevice = saved;
    fake3d::FakeCallLog::SetRecording(true);
    ClearTextureStageCache();
    return cost;
}

// The load's peer: every entry of the saver's archive extracted once by our
// reader. What the load spends beyond this is parsing, uploads and the sound.
double ExtractEveryEntryMs(int& entries)
{
    const ArchiveView archive = ExecutableArchive();
    std::vector<std::string> names;
    entries = ListArchiveEntries(
        archive,
        [](void* context, const char* name, uint32_t) {
            static_cast<std::vector<std::string>*>(context)->push_back(name);
        },
        &names);
    LARGE_INTEGER start;
    QueryPerformanceCounter(&start);
    for (const std::string& name : names)
    {
        ArchiveView view = archive;
        unsigned char* data = nullptr;
        uint32_t size = 0;
        if (!ExtractArchiveEntry("", name.c_str(), &data, &size, &view))
            std::fprintf(stderr, "scene_shots: archive entry %s could not be extracted\n", name.c_str());
        std::free(data);
    }
    return shots::ElapsedMs(start);
}

// Step 12 of the load on its own, in milliseconds: the scene sound stopped
// and started again with the same settings, the device prepared first and
// given the 2 s that the rest of the load gives it (`prepared`), or not at
// all (`unprepared`: the device opens inside the step). False when no
// output device opened.
bool SoundLoadMs(shots::CSceneHarness& harness, double& prepared, double& unprepared)
{
    CWorld& world = harness.World();
    const SaverSettings& settings = harness.App().m_Settings;
    LARGE_INTEGER start;
    world.m_Sound.Stop();
    QueryPerformanceCounter(&start);
    world.m_Sound.Start(settings, RainEnable, RainStrenght, ExecutableArchive(), &world.m_SoundOutput);
    unprepared = shots::ElapsedMs(start);

    world.m_Sound.Stop();
    world.m_Sound.Prepare(settings, &world.m_SoundOutput);
    Sleep(2000);
    QueryPerformanceCounter(&start);
    world.m_Sound.Start(settings, RainEnable, RainStrenght, ExecutableArchive(), &world.m_SoundOutput);
    prepared = shots::ElapsedMs(start);
    return world.m_Sound.m_System.m_bEnabled;
}

struct SoundChoice
{
    int music = 1;
    int sfx = 1;
    int rain = 1;
    int volume = -1; // the default's
    int pace = 1;
    bool nearFall = false;
};

float Distance(const gfx::Vec3& a, const ScenePoint& b)
{
    const float dx = a.x - b.x, dy = a.y - b.y, dz = a.z - b.z;
    return std::sqrt(dx * dx + dy * dy + dz * dz);
}

int WaterVolumeOf(const CSceneSound& sound, int index)
{
    if (index < 0 || !sound.m_System.m_Samples[index].loaded)
        return -1;
    return sound.m_System.m_Mixer.Volume(sound.m_System.m_Samples[index].sample);
}

// The scene's sound on a device that draws nothing. Each camera frame runs
// when the mix reaches its time (the clock is the frames mixed so far, not
// the wall clock), and prints the frames mixed when the frame set the
// waterfalls' volumes, the eye's distance to each fall and the volumes.
int SoundRun(int seconds, int path, const SoundChoice& choice)
{
    fake3d::FakeDirect3DDevice9 device;
    fake3d::FakeCallLog::SetRecording(false);
    shots::CSceneHarness harness;
    harness.UseDevice(&device);
    SaverSettings& settings = harness.App().m_Settings;
    settings.Music = choice.music;
    settings.SFX = choice.sfx;
    if (choice.volume >= 0)
        settings.MusicVolume = choice.volume;
    RainEnable = static_cast<uint8_t>(choice.rain);
    harness.LoadScene();
    const CSceneSound& sound = harness.World().m_Sound;
    if (!sound.m_System.m_bEnabled)
    {
        std::fprintf(stderr, "scene_shots: no sound output device\n");
        return 1;
    }
    std::printf("sound music=%d sfx=%d rain=%d MusicVolume=%d path=%d\n", settings.Music, settings.SFX, RainEnable,
                settings.MusicVolume, path + 1);
    for (int p = 0; p < CAMERA_PATHS; ++p)
    {
        const CCameraPath& camera = harness.World().m_Cameras[p];
        float nearA = 1e9f, nearB = 1e9f;
        for (int i = 0; i < std::min(camera.m_nCount, 500); ++i)
        {
            nearA = std::min(nearA, Distance(camera.m_pEye[i], SCENE_FALL_A));
            nearB = std::min(nearB, Distance(camera.m_pEye[i], SCENE_FALL_B));
        }
        std::printf("path %d nearest_A=%.0f nearest_B=%.0f\n", p + 1, nearA, nearB);
    }

    int fromFrame = 0;
    if (choice.nearFall)
    {
        int mostNear = -1;
        for (int p = 0; p < CAMERA_PATHS; ++p)
        {
            const CCameraPath& camera = harness.World().m_Cameras[p];
            int nearFrames = 0, firstNear = -1;
            for (int i = 0; i < camera.m_nCount; ++i)
                if (std::min(Distance(camera.m_pEye[i], SCENE_FALL_A), Distance(camera.m_pEye[i], SCENE_FALL_B)) <
                    SCENE_WATER_FAR)
                {
                    ++nearFrames;
                    firstNear = firstNear < 0 ? i : firstNear;
                }
            if (nearFrames > mostNear)
            {
                mostNear = nearFrames;
                path = p;
                fromFrame = std::max(0, firstNear - 60);
            }
        }
        std::printf("sound_near_fall path=%d frames_in_hearing=%d from_frame=%d\n", path + 1, mostNear, fromFrame);
    }
    const int pace = std::max(1, choice.pace);
    const CSoundMixer& mixer = sound.m_System.m_Mixer;
    harness.StartPath(path);
    // The waterfalls start together, on a frame of the mix clock.
    while (sound.m_nWaterSoundA >= 0 && mixer.IsPlaying(sound.m_System.m_Samples[sound.m_nWaterSoundA].sample) &&
           mixer.StartedAt(sound.m_System.m_Samples[sound.m_nWaterSoundA].sample) == 0 && mixer.MixedFrames() < 44100)
        Sleep(1);
    if (sound.m_nWaterSoundA >= 0)
        std::printf("sound_water_started mixed=%llu\n", static_cast<unsigned long long>(mixer.StartedAt(
                                                            sound.m_System.m_Samples[sound.m_nWaterSoundA].sample)));
    const uint64_t end = static_cast<uint64_t>(seconds) * SOUND_OUTPUT_RATE;
    int shown = -1;
    for (uint64_t mixed = mixer.MixedFrames(); mixed < end; mixed = mixer.MixedFrames())
    {
        const int frame = fromFrame + static_cast<int>(mixed * 1000 / SOUND_OUTPUT_RATE / CAMERA_FRAME_MS / pace);
        if (frame == shown)
        {
            Sleep(1);
            continue;
        }
        harness.RenderPathFrame(frame);
        const gfx::Vec3 eye = harness.World().m_Frame.vSoundEye;
        std::printf("sound_frame mixed=%llu frame=%d dA=%.2f dB=%.2f volA=%d volB=%d\n",
                    static_cast<unsigned long long>(mixed), frame, Distance(eye, SCENE_FALL_A),
                    Distance(eye, SCENE_FALL_B), WaterVolumeOf(sound, sound.m_nWaterSoundA),
                    WaterVolumeOf(sound, sound.m_nWaterSoundB));
        shown = frame;
    }
    LARGE_INTEGER start;
    QueryPerformanceCounter(&start);
    harness.App().ReleaseScene();
    std::printf("sound_stop_ms=%.1f\n", shots::ElapsedMs(start));
    fake3d::FakeCallLog::SetRecording(true);
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    std::string outDir = "out\\shots";
    std::vector<int> paths = {0, 4, 9};
    bool fullScreen = false;
    int benchFrames = 0;
    bool loadOnly = false; // --bench-load: the load and the extraction figures, nothing else
    int soundSeconds = 0;
    std::vector<int> sheetFrames; // --frames: those frames of each path, nothing else
    bool mirrors = false;         // --mirrors: and with each, the two reflection targets
    SoundChoice sound;
    for (int i = 1; i < argc; ++i)
    {
        const std::string arg = argv[i];
        if (arg == "--out" && i + 1 < argc)
            outDir = argv[++i];
        else if (arg == "--fullscreen")
            fullScreen = true;
        else if (arg == "--mirrors")
            mirrors = true;
        else if (arg == "--bench" && i + 1 < argc)
            benchFrames = std::max(1, std::atoi(argv[++i]));
        else if (arg == "--bench-load")
            loadOnly = true;
        else if (arg == "--sound" && i + 1 < argc)
            soundSeconds = std::max(1, std::atoi(argv[++i]));
        else if (arg == "--music" && i + 1 < argc)
            sound.music = std::atoi(argv[++i]) != 0;
        else if (arg == "--sfx" && i + 1 < argc)
            sound.sfx = std::atoi(argv[++i]) != 0;
        else if (arg == "--rain" && i + 1 < argc)
            sound.rain = std::atoi(argv[++i]) != 0;
        else if (arg == "--volume" && i + 1 < argc)
            sound.volume = std::atoi(argv[++i]);
        else if (arg == "--pace" && i + 1 < argc)
            sound.pace = std::max(1, std::atoi(argv[++i]));
        else if (arg == "--near-fall")
            sound.nearFall = true;
        else if (arg == "--frames" && i + 1 < argc)
        {
            for (const char* p = argv[++i]; *p != 0;)
            {
                char* end = nullptr;
                const long n = std::strtol(p, &end, 10);
                if (end == p)
                    break;
                if (n >= 0 && n < 1000)
                    sheetFrames.push_back(static_cast<int>(n));
                p = *end == ',' ? end + 1 : end;
            }
        }
        else if (arg == "--paths" && i + 1 < argc)
        {
            paths.clear();
            for (const char* p = argv[++i]; *p != 0;)
            {
                char* end = nullptr;
                const long n = std::strtol(p, &end, 10);
                if (end == p)
                    break;
                if (n >= 1 && n <= CAMERA_PATHS)
                    paths.push_back(static_cast<int>(n) - 1);
                p = *end == ',' ? end + 1 : end;
            }
        }
        else
        {
            std::fprintf(stderr, "usage: scene_shots [--out DIR] [--paths 1,5,10] [--frames 0,150 [--mirrors]] "
                                 "[--fullscreen] "
                                 "[--bench FRAMES | --bench-load]\n"
                                 "       scene_shots --sound SECONDS [--paths P | --near-fall] [--pace N] "
                                 "[--music 0|1] [--sfx 0|1] [--rain 0|1] [--volume N]\n");
            return 2;
        }
    }
    if (paths.empty())
    {
        std::fprintf(stderr, "no path chosen (paths are 1 to %d)\n", CAMERA_PATHS);
        return 2;
    }
    if (soundSeconds > 0)
        return SoundRun(soundSeconds, paths[0], sound);

    int status = 0;
    {
        shots::CSceneHarness harness;
        std::string error;
        if (!harness.Open(1024, 768, fullScreen, error))
        {
            std::fprintf(stderr, "scene_shots: %s\n", error.c_str());
            return 1;
        }
        const double loadMs = harness.LoadScene();
        std::printf("scene_load_ms=%.0f\n", loadMs);
        if (benchFrames > 0 || loadOnly)
        {
            int entries = 0;
            const double extractMs = ExtractEveryEntryMs(entries);
            std::printf("archive_extract_ms=%.0f (%d entries)\n", extractMs, entries);
            std::printf("scene_load_ratio_vs_decode=%.2f\n", extractMs > 0.0 ? loadMs / extractMs : 0.0);
        }

        if (benchFrames > 0)
        {
            harness.StartPath(paths[0]);
            harness.RenderPathFrame(0); // first-use costs stay out of the figures
            // As the saver's loop runs them: a frame, then a wait, sleeping,
            // until the device has drawn it. Without the fence, Present
            // would queue frames and spin in wait, taking a processor from
            // a software renderer.
            FrameFence& fence = harness.App().m_FrameFence;
            FrameFenceOpen(fence, harness.App().m_pDevice);
            std::vector<double> frameMs;
            LARGE_INTEGER last;
            QueryPerformanceCounter(&last);
            for (int f = 1; f <= benchFrames; ++f)
            {
                harness.RenderPathFrame(f);
                FrameFenceDrain(fence, 10000);
                frameMs.push_back(shots::ElapsedMs(last));
                QueryPerformanceCounter(&last);
                harness.App().m_bPaceFramePasses = PacesFramePasses(static_cast<float>(frameMs.back()));
            }
            FrameFenceClose(fence);
            const double median = Percentile(frameMs, 0.5);
            std::printf("frame_ms_median=%.2f\n", median);
            std::printf("frame_ms_p99=%.2f\n", Percentile(frameMs, 0.99));
            // Measured apart, on the loaded scene, after the first frames'
            // own costs.
            double soundMs = 0.0, soundUnpreparedMs = 0.0;
            const bool sound = SoundLoadMs(harness, soundMs, soundUnpreparedMs);
            // released before the fake's own world loads
            harness.App().ReleaseScene();
            // At the settings' counts, and with the most rain and leaves
            // (1000 each), the heaviest frame the particles can make.
            const FrameCost defaults = MeasureFrames(benchFrames, paths[0], false);
            const FrameCost most = MeasureFrames(benchFrames, paths[0], true);
            std::printf("scene_load_null_device_ms=%.0f\n", defaults.loadMs);
            std::printf("frame_cpu_ms=%.3f\n", most.cpuMs);
            std::printf("frame_cpu_ms_defaults=%.3f\n", defaults.cpuMs);
            std::printf("frame_heap_allocs=%ld\n", std::max(defaults.heapAllocations, most.heapAllocations));
            std::printf("frame_draw_calls=%d\n", defaults.drawCalls);
            std::printf("frame_draw_calls_max=%d\n", most.drawCalls);
            std::printf("frame_device_calls=%d\n", defaults.deviceCalls);
            std::printf("frame_cpu_share=%.3f\n", median > 0.0 ? defaults.cpuMs / median : 0.0);
            if (sound)
                std::printf("sound_load_ms=%.1f\nsound_load_unprepared_ms=%.1f\n", soundMs, soundUnpreparedMs);
            else
                std::printf("sound_load_ms: no sound output device, not measured\n");
        }
        else if (!loadOnly)
        {
            CreateDirectoryA("out", nullptr);
            CreateDirectoryA(outDir.c_str(), nullptr);
            ShotWriter out(harness, outDir);
            for (int path : sheetFrames.empty() ? std::vector<int>() : paths)
            {
                harness.StartPath(path);
                for (int f : sheetFrames)
                {
                    char what[16];
                    std::snprintf(what, sizeof what, "f%03d", f);
                    out.Frame(f, PathName(path, what));
                    shots::Picture mirror;
                    if (mirrors && harness.CaptureSurface(harness.World().m_pReflectionLSurface, mirror))
                        out.Write(PathName(path, (std::string(what) + "_pools_mirror").c_str()), mirror);
                    if (mirrors && harness.CaptureSurface(harness.World().m_pReflectionRSurface, mirror))
                        out.Write(PathName(path, (std::string(what) + "_river_mirror").c_str()), mirror);
                }
            }
            if (!sheetFrames.empty())
                return out.Ok() ? 0 : 1;
            for (int path : paths)
            {
                harness.StartPath(path);
                out.Frame(0, PathName(path, "f000"));
                out.Frame(150, PathName(path, "f150"));
                out.Frame(303, PathName(path, "f303"));
            }
            SpecialShots(harness, out, paths[0]);
            status = out.Ok() ? 0 : 1;
        }
    }
    // harnesses of other sizes, each after the one before is gone
    if (benchFrames == 0 && !loadOnly && !OverlayShots(outDir, paths[0]))
        status = 1;
    return status;
}
