// Helpers of the sound tests: fixture sounds, PCM sounds, mixing by hand, an
// output that only records, and the log captured into a file.
#pragma once
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "sound/SoundData.h"
#include "sound/SoundMixer.h"
#include "sound/SoundSystem.h"
#include "src/ClassRender/Log.h"

namespace soundtest {

inline std::vector<unsigned char> ReadFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::vector<unsigned char>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// tests/data/sound (see its README.md).
inline std::vector<unsigned char> Fixture(const char* name)
{
    return ReadFile(std::string(QM_SOURCE_DIR) + "/tests/data/sound/" + name);
}

// A sound of the generated content; empty in a tree that makes none.
inline std::vector<unsigned char> ContentSound(const char* name)
{
#ifdef QM_CONTENT_DIR
    return ReadFile(std::string(QM_CONTENT_DIR) + "/" + name);
#else
    (void)name;
    return {};
#endif
}

inline std::unique_ptr<CSoundData> PcmSound(const std::vector<int16_t>& pcm, int channels, uint32_t rate = 44100)
{
    std::unique_ptr<CSoundData> data(new CSoundData);
    if (!data->OpenPcm(pcm.data(), static_cast<uint32_t>(pcm.size() / channels), channels, rate))
        data.reset();
    return data;
}

inline std::vector<int16_t> MixFrames(CSoundMixer& mixer, uint32_t frames)
{
    std::vector<int16_t> out(static_cast<size_t>(frames) * SOUND_OUTPUT_CHANNELS, 12345);
    mixer.Mix(out.data(), frames);
    return out;
}

// Opens (or refuses to) and counts; the test mixes by hand.
class RecordingOutput : public CSoundOutput
{
public:
    bool opens = true;
    int prepared = 0;
    int opened = 0;
    int closed = 0;
    int voicesAtClose = -1;

    void Prepare() override { ++prepared; }
    bool Open(CSoundMixer& mixer) override
    {
        ++opened;
        if (opens)
            m_pMixer = &mixer;
        return opens;
    }
    void Close() override
    {
        if (m_pMixer == nullptr)
            return;
        ++closed;
        voicesAtClose = m_pMixer->Voices();
        m_pMixer = nullptr;
    }

private:
    CSoundMixer* m_pMixer = nullptr;
};

// The program's log in a file of the test's own while it lives.
class LogCapture
{
public:
    LogCapture()
    {
        std::snprintf(m_saved, sizeof(m_saved), "%s", g_szLogFile);
        std::snprintf(g_szLogFile, sizeof(g_szLogFile), "%s", m_path.c_str());
        std::remove(m_path.c_str());
    }
    ~LogCapture()
    {
        std::snprintf(g_szLogFile, sizeof(g_szLogFile), "%s", m_saved);
        std::remove(m_path.c_str());
    }
    std::vector<std::string> Lines() const
    {
        std::vector<std::string> lines;
        std::ifstream in(m_path);
        for (std::string line; std::getline(in, line);)
            lines.push_back(line);
        return lines;
    }

private:
    std::string m_path = testing::TempDir() + "sound-test.log";
    char m_saved[sizeof(g_szLogFile)] = {};
};

} // namespace soundtest
