// Portable core: the sound operations.
#include "sound/SoundSystem.h"

#include <algorithm>
#include <cstring>
#include <new>

#include "src/ClassRender/Log.h"

void CSoundSystem::Start(CSoundOutput* output)
{
    Shutdown(); // a prepared output stays: only a started one is closed
    m_Mixer.SetMasterVolume(m_nVolume);
    if (output != nullptr && output->Open(m_Mixer))
    {
        m_pOutput = output;
        m_bEnabled = true;
    }
    else
    {
        LogWrite(g_szLogFile, "sound device unavailable, sound off\n");
    }
}

int CSoundSystem::Load(const void* bytes, uint32_t size)
{
    SoundSample record = {};
    record.sample = -1;
    std::strcpy(record.name, "Sample");
    if (m_bEnabled)
    {
        std::unique_ptr<CSoundData> data(new (std::nothrow) CSoundData);
        if (data && data->Open(bytes, size))
            record.sample = m_Mixer.AddVoice(std::move(data));
    }
    record.loaded = record.sample >= 0;
    m_Samples.push_back(record);
    return static_cast<int>(m_Samples.size()) - 1;
}

void CSoundSystem::Play(int index, bool loop)
{
    if (index < 0 || index >= static_cast<int>(m_Samples.size()) || !m_Samples[index].loaded)
        return;
    SoundSample& s = m_Samples[index];
    if (m_Mixer.IsPlaying(s.sample))
        return;
    s.channel = s.sample + 1;
    m_Mixer.Play(s.sample, loop);
}

void CSoundSystem::SetVolume(int index, int volume)
{
    if (index < 0 || index >= static_cast<int>(m_Samples.size()) || !m_Samples[index].loaded)
        return;
    m_Mixer.SetVolume(m_Samples[index].sample, volume);
}

void CSoundSystem::SetMasterVolume(int volume)
{
    m_nVolume = static_cast<uint8_t>(std::min(std::max(volume, 0), SOUND_VOLUME_MAX));
    m_Mixer.SetMasterVolume(m_nVolume);
}

void CSoundSystem::Shutdown()
{
    // The thread first: after Close nothing mixes, so the voices can go.
    if (m_pOutput != nullptr)
        m_pOutput->Close();
    m_pOutput = nullptr;
    for (SoundSample& s : m_Samples)
    {
        m_Mixer.Stop(s.sample);
        s.loaded = false;
    }
    m_Mixer.Clear();
    m_bEnabled = false;
}
