// Windows layer: the mix played through waveOut, 44,100 Hz stereo 16-bit,
// from a feeding thread of its own.
//
// Four buffers of 25 ms (100 ms in all) circle between the thread and the
// device: the device signals an event as each one finishes, the thread mixes
// the next block into it and queues it again. About 100 ms therefore lie
// between a volume change and its sound, so the waterfalls follow the camera
// without a lag anyone hears, and a frame that stalls for less than that
// does not starve the device. The event is the only signal the device sends
// (no callback runs code inside winmm, where calling waveOut would
// deadlock).
//
// The thread touches the mixer (see CSoundMixer: atomics only) and the
// buffers; the main thread touches the device only before the thread starts
// and after it ended. Close sets the stop flag, wakes the thread through the
// event and waits for it; the thread checks the flag on every wake and
// waits at most 50 ms at a time, so Close returns within one wait even if
// the device stopped signalling. Then the device is reset, the buffers are
// unprepared and everything is closed: no thread, handle or buffer is left.
#pragma once
#include <windows.h>
#include <mmsystem.h>

#include <atomic>
#include <cstdint>

#include "sound/SoundSystem.h"

constexpr int WAVE_BUFFERS = 4;
constexpr int WAVE_BUFFER_FRAMES = SOUND_OUTPUT_RATE / 40; // 25 ms

class CWaveOutput : public CSoundOutput
{
public:
    CWaveOutput() = default;
    ~CWaveOutput() override { Close(); }
    CWaveOutput(const CWaveOutput&) = delete;
    CWaveOutput& operator=(const CWaveOutput&) = delete;

    // Opens the default output device and starts the thread; false, with
    // nothing left open, when there is no device or no thread.
    bool Open(CSoundMixer& mixer) override;
    void Close() override;

private:
    static DWORD WINAPI ThreadMain(void* self);
    void Feed();

    HWAVEOUT m_hWaveOut = nullptr;
    HANDLE m_hEvent = nullptr;
    HANDLE m_hThread = nullptr;
    std::atomic<bool> m_bStop{false};
    CSoundMixer* m_pMixer = nullptr;
    WAVEHDR m_Headers[WAVE_BUFFERS] = {};
    int16_t m_Samples[WAVE_BUFFERS][WAVE_BUFFER_FRAMES * SOUND_OUTPUT_CHANNELS] = {};
};
