// Portable core: the scene's sounds.
#include "src/ClassBase/SceneSound.h"

#include <cmath>
#include <cstdlib>

#include "src/ClassBase/SceneConstants.h"
#include "src/ClassRender/Log.h"

int SceneWaterVolume(float distance, int musicVolume)
{
    if (distance > SCENE_WATER_FAR)
        return 0;
    if (distance < SCENE_WATER_NEAR)
        return SOUND_VOLUME_MAX;
    // (250 - d) * MusicVolume * 0.5 * 0.01, in double so that 50 units give
    // exactly MusicVolume.
    return static_cast<int>((static_cast<double>(SCENE_WATER_FAR) - distance) * musicVolume /
                            static_cast<double>(SCENE_WATER_FAR - SCENE_WATER_NEAR));
}

void CSceneSound::Prepare(const SaverSettings& settings, CSoundOutput* output)
{
    if ((settings.Music != 0 || settings.SFX != 0) && output != nullptr)
        output->Prepare();
}

void CSceneSound::Start(const SaverSettings& settings, uint8_t rainEnable, int32_t rainStrength,
                        const ArchiveView& archive, CSoundOutput* output)
{
    Stop(); // a prepared output stays: only a started one is closed
    m_nMusicSound = m_nRainSound = m_nWaterSoundA = m_nWaterSoundB = -1;
    m_nMusicVolume = settings.MusicVolume;
    if (settings.Music != 0 || settings.SFX != 0)
    {
        m_System.Start(output);
        if (m_System.m_bEnabled)
            m_System.SetMasterVolume(settings.MusicVolume);
        if (settings.Music != 0)
        {
            LoadEntry(archive, "music.ogg", 1, &m_nMusicSound);
            m_System.Play(m_nMusicSound, true);
        }
        if (settings.SFX != 0)
        {
            // Its loudness does not depend on the strength.
            if (rainEnable != 0 && rainStrength != 0)
            {
                LoadEntry(archive, "rain.ogg", 1, &m_nRainSound);
                m_System.Play(m_nRainSound, true);
            }
            int water[2] = {-1, -1};
            LoadEntry(archive, "water_wall.ogg", 2, water);
            m_nWaterSoundA = water[0];
            m_nWaterSoundB = water[1];
            // Silent before they start: the frame raises them.
            for (int index : water)
            {
                m_System.SetVolume(index, 0);
                m_System.Play(index, true);
            }
        }
    }
    LogWrite(g_szLogFile, "sound load - ok\n");
}

// Reads one entry and loads it `copies` times, each its own record.
void CSceneSound::LoadEntry(const ArchiveView& archive, const char* name, int copies, int* indices)
{
    unsigned char* bytes = nullptr;
    uint32_t size = 0;
    // With sound off the records are made without reading the archive.
    if (m_System.m_bEnabled)
    {
        ArchiveView view = archive;
        view.offset = 0;
        ExtractArchiveEntry("", name, &bytes, &size, &view);
    }
    for (int i = 0; i < copies; ++i)
        indices[i] = m_System.Load(bytes, size);
    std::free(bytes);
}

void CSceneSound::UpdateWater(const gfx::Vec3& eye)
{
    const ScenePoint falls[2] = {SCENE_FALL_A, SCENE_FALL_B};
    const int sounds[2] = {m_nWaterSoundA, m_nWaterSoundB};
    for (int i = 0; i < 2; ++i)
    {
        if (sounds[i] < 0)
            continue;
        const float dx = eye.x - falls[i].x;
        const float dy = eye.y - falls[i].y;
        const float dz = eye.z - falls[i].z;
        m_System.SetVolume(sounds[i], SceneWaterVolume(std::sqrt(dx * dx + dy * dy + dz * dz), m_nMusicVolume));
    }
}

void CSceneSound::Stop()
{
    m_System.Shutdown();
}
