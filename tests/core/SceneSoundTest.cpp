// The scene's sounds: the waterfalls' volume curve, which sounds the
// settings start, and the volumes the frame sets from the camera.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "data/RarWriter.h"
#include "src/ClassBase/SceneConstants.h"
#include "src/ClassBase/SceneSound.h"
#include "tests/core/SoundTestSupport.h"

namespace {

struct VolumeCase
{
    float distance;
    int musicVolume;
    int volume;
};

// An archive with the three entries: small tones stand in for the sounds.
std::vector<unsigned char> SoundArchive(bool withWater = true)
{
    rar::CRarWriter writer;
    writer.AddFile("music.ogg", soundtest::Fixture("tone-left-22k.ogg"), rar::PackMethod::Store);
    writer.AddFile("rain.ogg", soundtest::Fixture("tone-mono.ogg"), rar::PackMethod::Store);
    if (withWater)
        writer.AddFile("water_wall.ogg", soundtest::Fixture("tone-mono.ogg"), rar::PackMethod::Store);
    return writer.Bytes();
}

ArchiveView ViewOf(const std::vector<unsigned char>& bytes)
{
    return ArchiveView{bytes.data(), static_cast<uint32_t>(bytes.size()), 0};
}

SaverSettings Settings(bool music, bool sfx, int musicVolume = 35)
{
    SaverSettings s = {};
    s.Music = music;
    s.SFX = sfx;
    s.MusicVolume = musicVolume;
    return s;
}

bool Plays(const CSceneSound& scene, int index)
{
    return index >= 0 && scene.m_System.m_Samples[index].loaded &&
           scene.m_System.m_Mixer.IsPlaying(scene.m_System.m_Samples[index].sample);
}

int VolumeOf(const CSceneSound& scene, int index)
{
    return scene.m_System.m_Mixer.Volume(scene.m_System.m_Samples[index].sample);
}

} // namespace

TEST(SceneSound, WaterVolumeFollowsTheDistance)
{
    for (const VolumeCase& c :
         {VolumeCase{250.0f, 35, 0}, VolumeCase{250.5f, 35, 0}, VolumeCase{1e6f, 35, 0}, VolumeCase{249.0f, 35, 0},
          VolumeCase{150.0f, 35, 17}, VolumeCase{50.0f, 35, 35}, VolumeCase{49.99f, 35, 100},
          VolumeCase{49.0f, 35, 100}, VolumeCase{0.0f, 35, 100}, VolumeCase{50.0f, 100, 100},
          VolumeCase{150.0f, 100, 50}, VolumeCase{250.0f, 100, 0}, VolumeCase{50.0f, 0, 0}, VolumeCase{49.0f, 0, 100}})
        EXPECT_EQ(SceneWaterVolume(c.distance, c.musicVolume), c.volume)
            << "distance " << c.distance << " MusicVolume " << c.musicVolume;

    // At MusicVolume 100 it falls from 100 to 0 without a jump.
    int previous = SceneWaterVolume(50.0f, 100);
    for (float d = 50.0f; d <= 260.0f; d += 0.25f)
    {
        const int v = SceneWaterVolume(d, 100);
        ASSERT_LE(v, previous) << d;
        ASSERT_LE(previous - v, 1) << d;
        previous = v;
    }
    EXPECT_EQ(previous, 0);
}

TEST(SceneSound, SettingsChooseWhatStarts)
{
    struct Case
    {
        const char* name;
        bool music, sfx;
        uint8_t rainEnable;
        int32_t rainStrength;
        bool rain;
    };
    const std::vector<unsigned char> archive = SoundArchive();
    for (const Case& c :
         {Case{"music only", true, false, 1, 50, false}, Case{"effects only", false, true, 1, 50, true},
          Case{"everything", true, true, 1, 100, true}, Case{"rain on with strength 0", true, true, 1, 0, false},
          Case{"rain off", true, true, 0, 50, false}, Case{"everything off", false, false, 1, 50, false}})
    {
        SCOPED_TRACE(c.name);
        soundtest::LogCapture log;
        soundtest::RecordingOutput output;
        CSceneSound scene;
        scene.Prepare(Settings(c.music, c.sfx), &output);
        scene.Start(Settings(c.music, c.sfx), c.rainEnable, c.rainStrength, ViewOf(archive), &output);

        // The device is neither prepared nor opened when no sound is wanted.
        EXPECT_EQ(output.prepared, c.music || c.sfx ? 1 : 0);
        EXPECT_EQ(output.opened, c.music || c.sfx ? 1 : 0);
        EXPECT_EQ(scene.m_nMusicSound >= 0, c.music);
        EXPECT_EQ(Plays(scene, scene.m_nMusicSound), c.music);
        EXPECT_EQ(scene.m_nRainSound >= 0, c.rain);
        EXPECT_EQ(Plays(scene, scene.m_nRainSound), c.rain);
        for (int water : {scene.m_nWaterSoundA, scene.m_nWaterSoundB})
        {
            EXPECT_EQ(Plays(scene, water), c.sfx);
            if (c.sfx)
                EXPECT_EQ(VolumeOf(scene, water), 0) << "the waterfalls start silent";
        }
        if (c.sfx)
            EXPECT_NE(scene.m_nWaterSoundA, scene.m_nWaterSoundB);
        const size_t records = (c.music ? 1 : 0) + (c.rain ? 1 : 0) + (c.sfx ? 2 : 0);
        EXPECT_EQ(scene.m_System.m_Samples.size(), records);
        if (c.music || c.sfx)
            EXPECT_EQ(scene.m_System.m_Mixer.MasterVolume(), 35);
        // The music keeps its own volume: only the master scales it.
        if (c.music)
            EXPECT_EQ(VolumeOf(scene, scene.m_nMusicSound), 100);
        EXPECT_EQ(log.Lines(), std::vector<std::string>{"sound load - ok"});
        scene.Stop();
    }
}

TEST(SceneSound, WithoutADeviceOrASoundEntryTheRecordsStayUnloaded)
{
    const std::vector<unsigned char> archive = SoundArchive(false);
    {
        soundtest::LogCapture log;
        soundtest::RecordingOutput output;
        CSceneSound scene;
        scene.Start(Settings(true, true), 1, 50, ViewOf(archive), &output);
        EXPECT_TRUE(Plays(scene, scene.m_nMusicSound));
        ASSERT_GE(scene.m_nWaterSoundA, 0);
        EXPECT_FALSE(scene.m_System.m_Samples[scene.m_nWaterSoundA].loaded) << "no water_wall.ogg";
        scene.UpdateWater({SCENE_FALL_A.x, SCENE_FALL_A.y, SCENE_FALL_A.z});
        EXPECT_EQ(log.Lines(), std::vector<std::string>{"sound load - ok"});
    }
    {
        soundtest::LogCapture log;
        soundtest::RecordingOutput output;
        output.opens = false;
        CSceneSound scene;
        scene.Start(Settings(true, true), 1, 50, ViewOf(SoundArchive()), &output);
        EXPECT_EQ(scene.m_System.m_Samples.size(), 4u);
        for (const SoundSample& s : scene.m_System.m_Samples)
            EXPECT_FALSE(s.loaded);
        scene.UpdateWater({0.0f, 0.0f, 0.0f});
        EXPECT_EQ(log.Lines(), (std::vector<std::string>{"sound device unavailable, sound off", "sound load - ok"}));
    }
}

TEST(SceneSound, EachWaterfallFollowsItsOwnDistanceFromTheEye)
{
    const std::vector<unsigned char> archive = SoundArchive();
    soundtest::RecordingOutput output;
    CSceneSound scene;
    scene.Start(Settings(true, true, 35), 1, 50, ViewOf(archive), &output);
    const ScenePoint a = SCENE_FALL_A, b = SCENE_FALL_B;
    struct Case
    {
        gfx::Vec3 eye;
        int a, b;
    };
    for (const Case& c : {Case{{a.x + 30.0f, a.y, a.z}, 100, 0}, Case{{a.x, a.y + 150.0f, a.z}, 17, 0},
                          Case{{b.x, b.y, b.z - 50.0f}, 0, 35}, Case{{b.x, b.y - 49.0f, b.z}, 0, 100},
                          Case{{a.x + 250.0f, a.y, a.z}, 0, 0}, Case{{0.0f, 40.0f, 0.0f}, 0, 0}})
    {
        scene.UpdateWater(c.eye);
        EXPECT_EQ(VolumeOf(scene, scene.m_nWaterSoundA), c.a) << c.eye.x << " " << c.eye.y << " " << c.eye.z;
        EXPECT_EQ(VolumeOf(scene, scene.m_nWaterSoundB), c.b) << c.eye.x << " " << c.eye.y << " " << c.eye.z;
        EXPECT_EQ(VolumeOf(scene, scene.m_nMusicSound), 100);
    }

    // Music without effects: the frame's update has nothing to set.
    CSceneSound musicOnly;
    musicOnly.Start(Settings(true, false), 1, 50, ViewOf(archive), &output);
    musicOnly.UpdateWater({a.x, a.y, a.z});
    EXPECT_EQ(musicOnly.m_System.m_Samples.size(), 1u);
    EXPECT_EQ(VolumeOf(musicOnly, musicOnly.m_nMusicSound), 100);
}
