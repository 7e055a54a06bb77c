// The waveOut output: with no device it fails and leaves nothing; with one
// (a test run with a sound device, e.g. Wine's ALSA output sent to a file)
// it pulls the mix, and Close ends its thread at once and leaves nothing.
#include <gtest/gtest.h>
#include <windows.h>
#include <tlhelp32.h>

#include <memory>
#include <vector>

#include "sound/win/WaveOutput.h"

namespace {

int ThreadsOfThisProcess()
{
    const HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0);
    if (snapshot == INVALID_HANDLE_VALUE)
        return -1;
    THREADENTRY32 entry = {};
    entry.dwSize = sizeof(entry);
    int n = 0;
    for (BOOL more = Thread32First(snapshot, &entry); more; more = Thread32Next(snapshot, &entry))
        n += entry.th32OwnerProcessID == GetCurrentProcessId();
    CloseHandle(snapshot);
    return n;
}

} // namespace

TEST(WaveOutput, FeedsTheMixWhenADeviceOpensAndLeavesNothingBehind)
{
    CSoundMixer mixer;
    std::unique_ptr<CSoundData> tone(new CSoundData);
    const std::vector<int16_t> pcm(4410, 1000);
    ASSERT_TRUE(tone->OpenPcm(pcm.data(), 4410, 1, 44100));
    mixer.Play(mixer.AddVoice(std::move(tone)), true);

    // Four rounds: the system's audio stack starts threads of its own on the
    // first opens (one may come late) and keeps them; ours must not pile up,
    // which would add one a round.
    std::vector<int> threadsAfter;
    bool opened = false;
    for (int round = 0; round < 4; ++round)
    {
        CWaveOutput output;
        output.Prepare();
        opened = output.Open(mixer);
        const uint64_t before = mixer.MixedFrames();
        if (opened)
        {
            // About 100 ms are queued at once, then a buffer each 25 ms.
            const DWORD until = GetTickCount() + 2000;
            while (mixer.MixedFrames() - before < 3 * SOUND_OUTPUT_RATE / 10 && GetTickCount() < until)
                Sleep(10);
            EXPECT_GE(mixer.MixedFrames() - before, 3u * SOUND_OUTPUT_RATE / 10);
        }
        else
        {
            EXPECT_EQ(mixer.MixedFrames(), 0u);
        }
        const DWORD start = GetTickCount();
        output.Close();
        EXPECT_LT(GetTickCount() - start, 200u) << "Close waited";
        output.Close(); // twice is harmless
        const uint64_t mixed = mixer.MixedFrames();
        Sleep(60);
        EXPECT_EQ(mixer.MixedFrames(), mixed) << "mixing after Close";
        threadsAfter.push_back(ThreadsOfThisProcess());
    }
    EXPECT_GT(threadsAfter[0], 0);
    EXPECT_LT(threadsAfter[3] - threadsAfter[1], 2);
    std::printf("wave output %s\n", opened ? "opened" : "unavailable (no device)");
}
