// Portable core: the program's sound operations over the mixer: start (open
// the output), load a sound from memory, play it, set its volume, set the
// master volume, shut down. The output device is a seam (CSoundOutput): the
// Windows layer feeds waveOut, tests feed nothing or read the mix directly.
#pragma once
#include <cstdint>
#include <vector>

#include "sound/SoundMixer.h"

// Where the mix goes. Prepare may start opening the device ahead of time;
// Open finishes that (or does it all) and starts pulling blocks from the
// mixer on a thread of its own; Close stops that thread and waits for it,
// after which the mixer is no longer touched. Close is safe without Open and
// twice.
class CSoundOutput
{
public:
    virtual ~CSoundOutput() = default;
    virtual void Prepare() {}
    virtual bool Open(CSoundMixer& mixer) = 0;
    virtual void Close() = 0;
};

// A record of the sample list; a sound refused at load keeps its record.
struct SoundSample
{
    int32_t sample;  // its voice in the mixer, -1 when the data was refused
    char name[128];  // always "Sample"
    bool loaded;     // the data was accepted
    int32_t channel; // 0 before the first play, then the voice + 1
};

class CSoundSystem
{
public:
    CSoundSystem() = default;
    ~CSoundSystem() { Shutdown(); }
    CSoundSystem(const CSoundSystem&) = delete;
    CSoundSystem& operator=(const CSoundSystem&) = delete;

    // Opens the output (not owned; it must outlive Shutdown), which may have
    // been prepared. When it cannot be opened, or there is none, sound is
    // off: one log line, every later load is refused and the rest runs on
    // silently.
    void Start(CSoundOutput* output);
    // Appends a record for the bytes and returns its index (never -1). The
    // record is not loaded when sound is off or the bytes are no sound we can
    // play. The bytes may be freed after the call.
    int Load(const void* bytes, uint32_t size);
    // Starts a loaded sound from the beginning; ignored for an index out of
    // range, a record not loaded, and a sound that is still playing.
    void Play(int index, bool loop);
    // The volume 0..100 of a loaded sound (ignored otherwise). It belongs to
    // the sound, 100 at load and kept across plays, so a sound can be made
    // silent before it starts.
    void SetVolume(int index, int volume);
    // The master volume 0..100: it scales our own mix, never the system's.
    void SetMasterVolume(int volume);
    // Stops the output (its thread ended and waited for), then stops and
    // frees every sound. The records stay, no longer loaded. Safe twice.
    void Shutdown();

    bool m_bEnabled = false; // the output is open
    uint8_t m_nVolume = SOUND_VOLUME_MAX;
    std::vector<SoundSample> m_Samples;
    CSoundMixer m_Mixer;

private:
    CSoundOutput* m_pOutput = nullptr;
};
