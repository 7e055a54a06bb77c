// Portable core: the scene's sounds. Music, the rain and the rush of the two
// waterfalls, which grows as the camera flies near them. Which of them play
// follows the settings; the output is a seam (the Windows layer hands over
// waveOut).
#pragma once
#include <cstdint>

#include "data/RarArchive.h"
#include "settings/SaverSettings.h"
#include "sound/SoundSystem.h"
#include "src/ClassRender/GfxMath.h"

// A waterfall is heard at full volume closer than this, and not at all
// farther than the far distance.
constexpr float SCENE_WATER_NEAR = 50.0f;
constexpr float SCENE_WATER_FAR = 250.0f;

// The volume of one waterfall heard from `distance` units: 100 closer than
// 50 (100, not MusicVolume), 0 farther than 250, and between them
// MusicVolume at 50 falling linearly to 0 at 250, truncated.
int SceneWaterVolume(float distance, int musicVolume);

class CSceneSound
{
public:
    // Which sound is which in the sample list, -1 until loaded.
    int m_nMusicSound = -1;
    int m_nRainSound = -1;
    int m_nWaterSoundA = -1;
    int m_nWaterSoundB = -1;
    int m_nMusicVolume = 0;
    CSoundSystem m_System;

    // Starts opening the output when the settings ask for any sound, so that
    // the device is ready by the time Start runs.
    void Prepare(const SaverSettings& settings, CSoundOutput* output);
    // Opens the output and starts what the settings ask for, all looping:
    // music when Music is on; with SFX on, the rain (when rain is on with a
    // strength other than 0) and both waterfalls, silent until the first
    // UpdateWater. MusicVolume is the master volume of everything. With
    // neither Music nor SFX the output is never opened. Ends with the log
    // line "sound load - ok" in every case.
    void Start(const SaverSettings& settings, uint8_t rainEnable, int32_t rainStrength, const ArchiveView& archive,
               CSoundOutput* output);
    // Sets both waterfalls' volumes from where the sound is heard.
    void UpdateWater(const gfx::Vec3& eye);
    // Stops the output and frees every sound.
    void Stop();

private:
    void LoadEntry(const ArchiveView& archive, const char* name, int copies, int* indices);
};
