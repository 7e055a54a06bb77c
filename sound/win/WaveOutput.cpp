// Windows layer: waveOut output on a feeding thread.
#include "sound/win/WaveOutput.h"

bool CWaveOutput::Open(CSoundMixer& mixer)
{
    Close();
    WAVEFORMATEX format = {};
    format.wFormatTag = WAVE_FORMAT_PCM;
    format.nChannels = SOUND_OUTPUT_CHANNELS;
    format.nSamplesPerSec = SOUND_OUTPUT_RATE;
    format.wBitsPerSample = 16;
    format.nBlockAlign = static_cast<WORD>(format.nChannels * format.wBitsPerSample / 8);
    format.nAvgBytesPerSec = format.nSamplesPerSec * format.nBlockAlign;

    m_hEvent = CreateEventA(nullptr, FALSE, FALSE, nullptr);
    if (m_hEvent == nullptr)
        return false;
    const MMRESULT opened =
        waveOutOpen(&m_hWaveOut, WAVE_MAPPER, &format, reinterpret_cast<DWORD_PTR>(m_hEvent), 0, CALLBACK_EVENT);
    if (opened != MMSYSERR_NOERROR)
    {
        m_hWaveOut = nullptr;
        Close();
        return false;
    }
    for (int i = 0; i < WAVE_BUFFERS; ++i)
    {
        WAVEHDR& h = m_Headers[i];
        h = {};
        h.lpData = reinterpret_cast<LPSTR>(m_Samples[i]);
        h.dwBufferLength = sizeof(m_Samples[i]);
        waveOutPrepareHeader(m_hWaveOut, &h, sizeof(h));
        // Marked done: the thread fills every buffer on its first pass.
        h.dwFlags |= WHDR_DONE;
    }
    m_pMixer = &mixer;
    m_bStop.store(false);
    m_hThread = CreateThread(nullptr, 0, ThreadMain, this, 0, nullptr);
    if (m_hThread == nullptr)
    {
        Close();
        return false;
    }
    // The mix must not wait behind the frame's drawing.
    SetThreadPriority(m_hThread, THREAD_PRIORITY_HIGHEST);
    return true;
}

DWORD WINAPI CWaveOutput::ThreadMain(void* self)
{
    static_cast<CWaveOutput*>(self)->Feed();
    return 0;
}

void CWaveOutput::Feed()
{
    int next = 0; // the device gives buffers back in the order they were queued
    while (!m_bStop.load())
    {
        // The device sets the done flag from its own thread, then signals.
        while ((reinterpret_cast<volatile DWORD&>(m_Headers[next].dwFlags) & WHDR_DONE) != 0 && !m_bStop.load())
        {
            WAVEHDR& h = m_Headers[next];
            m_pMixer->Mix(m_Samples[next], WAVE_BUFFER_FRAMES);
            h.dwFlags &= ~static_cast<DWORD>(WHDR_DONE);
            waveOutWrite(m_hWaveOut, &h, sizeof(h));
            next = (next + 1) % WAVE_BUFFERS;
        }
        WaitForSingleObject(m_hEvent, 50);
    }
}

void CWaveOutput::Close()
{
    if (m_hThread != nullptr)
    {
        m_bStop.store(true);
        SetEvent(m_hEvent);
        WaitForSingleObject(m_hThread, INFINITE);
        CloseHandle(m_hThread);
        m_hThread = nullptr;
    }
    if (m_hWaveOut != nullptr)
    {
        // Gives every queued buffer back at once.
        waveOutReset(m_hWaveOut);
        for (WAVEHDR& h : m_Headers)
            if ((h.dwFlags & WHDR_PREPARED) != 0)
                waveOutUnprepareHeader(m_hWaveOut, &h, sizeof(h));
        waveOutClose(m_hWaveOut);
        m_hWaveOut = nullptr;
    }
    if (m_hEvent != nullptr)
    {
        CloseHandle(m_hEvent);
        m_hEvent = nullptr;
    }
    m_pMixer = nullptr;
}
