// scene_soak: an hour of the real scene's frames, driven by the clock seam,
// with the most rain and leaves (1000 of each), the clock and frame rate
// shown, on the recording fake with recording off (a device that draws
// nothing). Fails (exit 1) when the heap in use grows after the first minute,
// when any position, matrix or volume of a frame becomes NaN or infinite, or
// when a particle count leaves its target.
//
//   scene_soak [--minutes N] [--fps N] [--verbose]   (--verbose: the heap of every minute)
//
// 60 frames a second by default (the clock steps 16 or 17 ms): 216,000
// frames, about a minute and a half under Wine. --fps 10 steps 100 ms, the
// most frame time the world takes (WorldFrameTime), for a quicker hour in
// which every particle still covers the whole hour of motion.
#include <windows.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "settings/SceneOptions.h"
#include "src/ClassBase/RainSplashes.h"
#include "src/ClassBase/SceneSound.h"
#include "src/ClassRender/win/Overlay.h"
#include "src/ClassRender/win/RenderTypes.h"
#include "tests/common/ScopedParticleOptions.h"
#include "tests/render/HeapCount.h"
#include "tests/render/SceneHarness.h"
#include "tests/win/FakeDirect3D.h"

namespace {

constexpr uint32_t kMinuteMs = 60000;
constexpr uint32_t kMostParticles = 1000;

// The first value that is NaN or infinite, by name; the frame's check ends
// at it.
class FiniteCheck
{
public:
    bool Ok() const { return m_bad.empty(); }
    const std::string& Bad() const { return m_bad; }

    void Value(const char* what, int index, float v)
    {
        if (m_bad.empty() && !std::isfinite(v))
        {
            char text[96];
            std::snprintf(text, sizeof(text), "%s[%d] = %g", what, index, static_cast<double>(v));
            m_bad = text;
        }
    }
    void Vec(const char* what, int index, const gfx::Vec3& v)
    {
        Value(what, index, v.x);
        Value(what, index, v.y);
        Value(what, index, v.z);
    }
    void Mat(const char* what, int index, const gfx::Mat4& m)
    {
        for (const auto& row : m.m)
            for (float v : row)
                Value(what, index, v);
    }

private:
    std::string m_bad;
};

float Distance(const gfx::Vec3& a, const ScenePoint& b)
{
    const float dx = a.x - b.x, dy = a.y - b.y, dz = a.z - b.z;
    return std::sqrt(dx * dx + dy * dy + dz * dz);
}

// Everything a frame left behind that could go wrong over time.
void CheckFrame(const CWorld& world, int musicVolume, FiniteCheck& check)
{
    const WorldFrame& frame = world.m_Frame;
    check.Value("frame time", 0, frame.fFrameTime);
    check.Value("blend", 0, frame.fBlend);
    check.Vec("sound eye", 0, frame.vSoundEye);
    for (int v = 0; v < frame.nViews; ++v)
    {
        const WorldFrameView& view = frame.views[v];
        check.Mat("projection", v, view.mProjection);
        for (int p = 0; p < WORLD_SCENE_PASSES; ++p)
        {
            check.Mat("view", v * WORLD_SCENE_PASSES + p, view.mView[p]);
            check.Mat("sky view", v * WORLD_SCENE_PASSES + p, view.mSkyView[p]);
        }
        check.Mat("inverse view", v, view.mInverseView);
        check.Vec("view eye", v, view.vEye);
        check.Value("river flow", v, view.fRiverFlow);
        for (int k = 0; k < WORLD_FLOATING_LEAVES; ++k)
        {
            check.Value("floating leaf x", k, view.fLeafX[k]);
            check.Value("floating leaf z", k, view.fLeafZ[k]);
        }
    }
    const RainDrops& rain = world.m_Rain.m_Drops;
    for (uint32_t i = 0; i < rain.m_nCount; ++i)
    {
        const RainDrop& d = rain.m_Drops[i];
        check.Vec("rain drop", static_cast<int>(i), {d.x, d.y, d.z});
        check.Value("rain drop level", static_cast<int>(i), d.level);
    }
    const FallingLeaves& leaves = world.m_LeafFall.m_Leaves;
    for (uint32_t i = 0; i < leaves.m_nCount; ++i)
    {
        const FallingLeaf& l = leaves.m_Leaves[i];
        const int at = static_cast<int>(i);
        check.Vec("leaf", at, {l.x, l.y, l.z});
        check.Value("leaf rest", at, l.rest);
        check.Value("leaf life", at, l.life);
        check.Value("leaf spin", at, l.spin);
        check.Mat("leaf world", at, world.m_LeafFall.m_World[i]);
        check.Value("leaf fade", at, world.m_LeafFall.m_Fade[i]);
    }
    for (int k = 0; k < 2; ++k)
        for (int i = 0; i < SPRAY_PARTICLES; ++i)
        {
            const SprayParticle& p = world.m_Sprays[k].m_Particles.m_Particles[i];
            const int at = k * SPRAY_PARTICLES + i;
            check.Vec("spray", at, {p.x, p.y, p.z});
            check.Vec("spray speed", at, {p.vx, p.vy, p.vz});
            check.Value("spray angle", at, p.angle);
            check.Value("spray size", at, p.size);
            check.Value("spray life", at, p.life);
        }
    const int splashes = RainSplashCount(rain.m_nCount);
    for (int i = 0; i < splashes; ++i)
    {
        const RainSplash& s = world.m_SplashPool.m_Pool[i];
        check.Vec("splash", i, {s.x, s.y, s.z});
        check.Value("splash life", i, s.life);
    }
    // The waterfalls' volumes come from the sound eye's distances.
    for (const ScenePoint& fall : {SCENE_FALL_A, SCENE_FALL_B})
    {
        const float distance = Distance(frame.vSoundEye, fall);
        check.Value("distance to a fall", 0, distance);
        if (check.Ok())
        {
            const int volume = SceneWaterVolume(distance, musicVolume);
            if (volume < 0 || volume > 100)
                check.Value("waterfall volume out of 0..100", volume, NAN);
        }
    }
}

// The counts the settings ask for, as the frame left them; "" when they hold.
std::string CountsOff(const CWorld& world)
{
    char text[160] = "";
    const uint32_t drops = world.m_Rain.Count(), leaves = world.m_LeafFall.Count();
    const int rings = world.m_Frame.nRings;
    if (drops != kMostParticles || leaves != kMostParticles || rings != static_cast<int>(kMostParticles / 3) ||
        RainSplashCount(drops) != static_cast<int>(kMostParticles / RAIN_DROPS_PER_SPLASH))
        std::snprintf(text, sizeof(text), "drops %u, leaves %u, rings %d, splashes %d", drops, leaves, rings,
                      RainSplashCount(drops));
    return text;
}

} // namespace

int main(int argc, char** argv)
{
    int minutes = 60;
    int fps = 60;
    bool verbose = false;
    for (int i = 1; i < argc; ++i)
    {
        const std::string arg = argv[i];
        if (arg == "--minutes" && i + 1 < argc)
            minutes = std::max(2, std::atoi(argv[++i]));
        else if (arg == "--verbose")
            verbose = true;
        else if (arg == "--fps" && i + 1 < argc)
            fps = std::min(1000, std::max(1, std::atoi(argv[++i])));
        else
        {
            std::fprintf(stderr, "usage: scene_soak [--minutes N] [--fps N] [--verbose]\n");
            return 2;
        }
    }

    fake3d::FakeDirect3DDevice9 device;
    device.caps.TextureOpCaps |= D3DTEXOPCAPS_BUMPENVMAP | D3DTEXOPCAPS_SELECTARG1 | D3DTEXOPCAPS_MODULATE;
    device.caps.MaxTextureBlendStages = 8;
    device.caps.MaxSimultaneousTextures = 8;
    fake3d::FakeCallLog::SetRecording(false);
    ClearTextureStageCache();

    int failures = 0;
    {
        shots::CSceneHarness harness;
        harness.UseDevice(&device);
        // after the application's construction, which reads the settings
        const testsupport::ScopedParticleOptions mostParticles(1, 100);
        SaverSettings& settings = harness.App().m_Settings;
        settings.ShowTime = 1;
        settings.ShowFPS = 1;
        // no sound device: its mixer thread would take the heap at its own pace
        settings.Music = 0;
        settings.SFX = 0;
        harness.LoadOverlay();
        harness.LoadScene();
        CWorld& world = harness.World();

        LARGE_INTEGER start;
        QueryPerformanceCounter(&start);
        const uint32_t startMs = shots::HARNESS_START_MS;
        const uint64_t totalFrames = static_cast<uint64_t>(minutes) * 60u * static_cast<uint64_t>(fps);
        std::vector<int64_t> liveBytes, liveBlocks; // at the end of each minute
        // reserved: the samples must not take the heap they measure
        liveBytes.reserve(static_cast<size_t>(minutes) + 1);
        liveBlocks.reserve(static_cast<size_t>(minutes) + 1);
        std::string firstBad, firstCounts;
        int badFrames = 0, countFrames = 0;
        uint64_t frames = 0;
        uint32_t nextMinute = startMs + kMinuteMs;
        for (uint64_t f = 0; f < totalFrames; ++f)
        {
            const uint32_t now = startMs + static_cast<uint32_t>(f * 1000u / static_cast<uint64_t>(fps));
            const uint32_t next = startMs + static_cast<uint32_t>((f + 1) * 1000u / static_cast<uint64_t>(fps));
            harness.RenderFrameAt(now);
            ++frames;
            FiniteCheck check;
            CheckFrame(world, settings.MusicVolume, check);
            if (!check.Ok() && badFrames++ == 0)
                firstBad = "frame at " + std::to_string(now - startMs) + " ms: " + check.Bad();
            const std::string counts = CountsOff(world);
            if (!counts.empty() && countFrames++ == 0)
                firstCounts = "frame at " + std::to_string(now - startMs) + " ms: " + counts;
            if (next >= nextMinute)
            {
                liveBytes.push_back(heapcount::LiveBytes());
                liveBlocks.push_back(heapcount::LiveBlocks());
                nextMinute += kMinuteMs;
            }
        }
        const double wallS = shots::ElapsedMs(start) / 1000.0;

        // Flat: no minute after the first holds more than the first did.
        const int64_t firstMinute = liveBytes.front();
        const int64_t most = *std::max_element(liveBytes.begin() + 1, liveBytes.end());
        const int64_t firstBlocks = liveBlocks.front();
        const int64_t mostBlocks = *std::max_element(liveBlocks.begin() + 1, liveBlocks.end());
        std::printf("soak minutes=%d fps=%d frames=%llu wall_s=%.1f\n", minutes, fps,
                    static_cast<unsigned long long>(frames), wallS);
        std::printf("soak heap_bytes_minute1=%lld heap_bytes_most_after=%lld heap_bytes_end=%lld\n",
                    static_cast<long long>(firstMinute), static_cast<long long>(most),
                    static_cast<long long>(liveBytes.back()));
        std::printf("soak heap_blocks_minute1=%lld heap_blocks_most_after=%lld heap_blocks_end=%lld\n",
                    static_cast<long long>(firstBlocks), static_cast<long long>(mostBlocks),
                    static_cast<long long>(liveBlocks.back()));
        const bool grew = most > firstMinute || mostBlocks > firstBlocks;
        if (grew || verbose)
            for (size_t m = 0; m < liveBytes.size(); ++m)
                std::printf("  minute %zu: %lld bytes in %lld blocks\n", m + 1, static_cast<long long>(liveBytes[m]),
                            static_cast<long long>(liveBlocks[m]));
        if (grew)
        {
            std::printf("FAIL heap in use grew after the first minute\n");
            ++failures;
        }
        if (badFrames > 0)
        {
            std::printf("FAIL %d frames with a NaN or infinite value; first %s\n", badFrames, firstBad.c_str());
            ++failures;
        }
        if (countFrames > 0)
        {
            std::printf("FAIL %d frames with counts off their targets; first %s\n", countFrames, firstCounts.c_str());
            ++failures;
        }
    }
    fake3d::FakeCallLog::SetRecording(true);
    ClearTextureStageCache();
    std::printf(failures == 0 ? "soak ok\n" : "soak FAILED\n");
    return failures == 0 ? 0 : 1;
}
