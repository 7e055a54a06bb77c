// Windows layer: waveOut output on a feeding thread.
#include "sound/win/WaveOutput.h"

void CWaveOutput::Prepare()
{
    if (m_hThread != nullptr)
        return;
    Close();
    m_hDeviceEvent = CreateEventA(nullptr, FALSE, FALSE, nullptr);
    m_hReady = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    m_hGo = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    if (m_hDeviceEvent == nullptr || m_hReady == nullptr || m_hGo == nullptr)
        return;
    m_bOpened = false;
    m_bStop.store(false);
    // Windows 9x creates no thread without somewhere to write its id
    DWORD threadId = 0;
    m_hThread = CreateThread(nullptr, 0, ThreadMain, this, 0, &threadId);
    // The mix must not wait behind the frame's drawing.
    if (m_hThread != nullptr)
        SetThreadPriority(m_hThread, THREAD_PRIORITY_HIGHEST);
}

bool CWaveOutput::Open(CSoundMixer& mixer)
{
    Prepare();
    if (m_hThread == nullptr || WaitForSingleObject(m_hReady, INFINITE) != WAIT_OBJECT_0 || !m_bOpened)
    {
        Close();
        return false;
    }
    m_pMixer = &mixer;
    SetEvent(m_hGo);
    return true;
}

DWORD WINAPI CWaveOutput::ThreadMain(void* self)
{
    CWaveOutput* output = static_cast<CWaveOutput*>(self);
    output->m_bOpened = output->OpenDevice();
    SetEvent(output->m_hReady);
    if (output->m_bOpened)
    {
        WaitForSingleObject(output->m_hGo, INFINITE);
        output->Feed();
    }
    return 0;
}

bool CWaveOutput::OpenDevice()
{
    WAVEFORMATEX format = {};
    format.wFormatTag = WAVE_FORMAT_PCM;
    format.nChannels = SOUND_OUTPUT_CHANNELS;
    format.nSamplesPerSec = SOUND_OUTPUT_RATE;
    format.wBitsPerSample = 16;
    format.nBlockAlign = static_cast<WORD>(format.nChannels * format.wBitsPerSample / 8);
    format.nAvgBytesPerSec = format.nSamplesPerSec * format.nBlockAlign;
    if (waveOutOpen(&m_hWaveOut, WAVE_MAPPER, &format, reinterpret_cast<DWORD_PTR>(m_hDeviceEvent), 0,
                    CALLBACK_EVENT) != MMSYSERR_NOERROR)
    {
        m_hWaveOut = nullptr;
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
    return true;
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
        WaitForSingleObject(m_hDeviceEvent, 50);
    }
}

void CWaveOutput::Close()
{
    if (m_hThread != nullptr)
    {
        m_bStop.store(true);
        SetEvent(m_hGo);
        SetEvent(m_hDeviceEvent);
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
    for (HANDLE* h : {&m_hDeviceEvent, &m_hReady, &m_hGo})
    {
        if (*h != nullptr)
            CloseHandle(*h);
        *h = nullptr;
    }
    m_bOpened = false;
    m_pMixer = nullptr;
}
