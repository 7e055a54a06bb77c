// Portable core: the mixer. One voice per loaded sound (at most one playback
// of each), looping or once, each with its volume 0..100, under a master
// volume 0..100, summed into 44,100 Hz stereo 16-bit with clipping.
//
// Threads: the main thread adds voices, starts, stops and sets volumes; the
// feeding thread of the output calls Mix. They share only atomics:
//   - the voice count, stored with release after a voice is complete and
//     read with acquire by Mix, so Mix never sees a half-made voice;
//   - each voice's state (idle, start asked, playing): the main thread moves
//     it from idle to "start asked" (or to idle, to stop), Mix moves it on
//     with compare-and-swap, so neither side can undo the other's change;
//   - each voice's loop flag and volume, the master volume and the count of
//     frames mixed (relaxed: a value one block late is harmless).
// Everything else of a voice (its position, its gain, its sound's decoding)
// belongs to Mix alone. Nothing blocks, so neither thread can wait on the
// other. Voices are only freed by Clear, which the caller runs once the
// feeding thread has ended.
#pragma once
#include <atomic>
#include <cstdint>
#include <memory>

#include "sound/SoundData.h"

constexpr int SOUND_OUTPUT_RATE = 44100;
constexpr int SOUND_OUTPUT_CHANNELS = 2;
constexpr int SOUND_VOLUME_MAX = 100;
constexpr int SOUND_MAX_VOICES = 64;
// Mix works in pieces of at most this many frames; a volume change glides
// over one piece (11.6 ms) so that it does not click.
constexpr uint32_t SOUND_MIX_PIECE = 512;

class CSoundMixer
{
public:
    CSoundMixer() = default;
    ~CSoundMixer() = default;
    CSoundMixer(const CSoundMixer&) = delete;
    CSoundMixer& operator=(const CSoundMixer&) = delete;

    // Main thread. Takes the sound and gives it a voice (idle, volume 100);
    // -1 when every voice is taken or there is no sound (nothing kept).
    int AddVoice(std::unique_ptr<CSoundData> data);
    // Starts the voice from the beginning, looping or once; ignored while it
    // plays (or is about to) and for an index without a voice.
    void Play(int voice, bool loop);
    // True from Play until a sound played once has ended (or Stop).
    bool IsPlaying(int voice) const;
    void Stop(int voice);
    // Clamped to 0..100; kept across plays.
    void SetVolume(int voice, int volume);
    int Volume(int voice) const;
    void SetMasterVolume(int volume);
    int MasterVolume() const { return m_nMaster.load(std::memory_order_relaxed); }
    int Voices() const { return m_nVoices.load(std::memory_order_acquire); }
    // Output frames mixed so far: the mix's own clock.
    uint64_t MixedFrames() const { return m_nMixed.load(std::memory_order_relaxed); }
    // That clock when the voice last started playing (its first frame).
    uint64_t StartedAt(int voice) const;

    // Feeding thread: the next `frames` stereo frames, interleaved left and
    // right. Silence when nothing plays.
    void Mix(int16_t* out, uint32_t frames);

    // Main thread, with no Mix running or to come: frees every voice.
    void Clear();

private:
    enum : int
    {
        VOICE_IDLE,
        VOICE_START,
        VOICE_PLAYING
    };

    struct Voice
    {
        std::unique_ptr<CSoundData> data;
        std::atomic<int> state{VOICE_IDLE};
        std::atomic<bool> loop{false};
        std::atomic<int> volume{SOUND_VOLUME_MAX};
        std::atomic<uint64_t> startedAt{0};
        // Mix only:
        uint64_t position = 0; // source frames, 16 fractional bits
        uint32_t step = 0;     // source frames per output frame, 16 fractional bits
        float gain = 0.0f;     // gain reached at the end of the last piece
    };

    // A voice idle at volume 100 holding `data`; only where Mix cannot see it.
    static void ResetVoice(Voice& v, std::unique_ptr<CSoundData> data);
    void MixVoice(Voice& voice, float* sum, uint32_t frames, int master);

    Voice m_Voices[SOUND_MAX_VOICES];
    std::atomic<int> m_nVoices{0};
    std::atomic<int> m_nMaster{SOUND_VOLUME_MAX};
    std::atomic<uint64_t> m_nMixed{0};
};
