// Windows layer: the mix played through waveOut, 44,100 Hz stereo 16-bit,
// from a feeding thread of its own.
//
// Opening the device can take a good part of a second (the system's audio
// stack starts on the first open; under Wine 0.1 to 0.7 s), so Prepare
// starts the thread early, at the start of the scene load, and the thread
// opens the device while the scene loads. Open, at the end of the load, only
// waits for that result and lets the thread start feeding.
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
// What the threads share: the mixer (see CSoundMixer: atomics only), the
// stop flag (atomic), and the device handle and buffers, which the thread
// sets up before it signals "ready" and the main thread touches again only
// after the thread has ended. Close sets the stop flag, wakes the thread
// through both events and waits for it; the thread checks the flag on every
// wake and waits at most 50 ms at a time, so Close returns within one wait
// even if the device stopped signalling. Then the device is reset, the
// buffers are unprepared and everything is closed: no thread, handle or
// buffer is left.
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

    // Starts the thread, which opens the default output device.
    void Prepare() override;
    // Waits for the device (Prepare first if that has not run) and starts
    // feeding from the mixer; false, with nothing left open, when there is
    // no device or no thread.
    bool Open(CSoundMixer& mixer) override;
    void Close() override;

private:
    static DWORD WINAPI ThreadMain(void* self);
    bool OpenDevice();
    void Feed();

    HWAVEOUT m_hWaveOut = nullptr;
    HANDLE m_hDeviceEvent = nullptr; // the device's "buffer done"
    HANDLE m_hReady = nullptr;       // the thread's "device opened, or not"
    HANDLE m_hGo = nullptr;          // "feed now", or stop
    HANDLE m_hThread = nullptr;
    bool m_bOpened = false; // set by the thread before m_hReady
    std::atomic<bool> m_bStop{false};
    CSoundMixer* m_pMixer = nullptr; // set before m_hGo
    WAVEHDR m_Headers[WAVE_BUFFERS] = {};
    int16_t m_Samples[WAVE_BUFFERS][WAVE_BUFFER_FRAMES * SOUND_OUTPUT_CHANNELS] = {};
};
