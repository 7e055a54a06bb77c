// Portable core: the mixer.
#include "sound/SoundMixer.h"

#include <algorithm>
#include <cmath>

namespace {

int ClampVolume(int volume)
{
    return std::min(std::max(volume, 0), SOUND_VOLUME_MAX);
}

} // namespace

int CSoundMixer::AddVoice(std::unique_ptr<CSoundData> data)
{
    const int n = m_nVoices.load(std::memory_order_relaxed); // the main thread is the only writer
    if (n >= SOUND_MAX_VOICES || !data || data->Frames() == 0)
        return -1;
    ResetVoice(m_Voices[n], std::move(data));
    m_nVoices.store(n + 1, std::memory_order_release);
    return n;
}

void CSoundMixer::Play(int voice, bool loop)
{
    if (voice < 0 || voice >= Voices())
        return;
    Voice& v = m_Voices[voice];
    if (v.state.load(std::memory_order_acquire) != VOICE_IDLE)
        return;
    v.loop.store(loop, std::memory_order_relaxed);
    v.state.store(VOICE_START, std::memory_order_release);
}

bool CSoundMixer::IsPlaying(int voice) const
{
    return voice >= 0 && voice < Voices() && m_Voices[voice].state.load(std::memory_order_acquire) != VOICE_IDLE;
}

void CSoundMixer::Stop(int voice)
{
    if (voice >= 0 && voice < Voices())
        m_Voices[voice].state.store(VOICE_IDLE, std::memory_order_release);
}

void CSoundMixer::SetVolume(int voice, int volume)
{
    if (voice >= 0 && voice < Voices())
        m_Voices[voice].volume.store(ClampVolume(volume), std::memory_order_relaxed);
}

uint64_t CSoundMixer::StartedAt(int voice) const
{
    return voice >= 0 && voice < Voices() ? m_Voices[voice].startedAt.load(std::memory_order_relaxed) : 0;
}

int CSoundMixer::Volume(int voice) const
{
    return voice >= 0 && voice < Voices() ? m_Voices[voice].volume.load(std::memory_order_relaxed) : 0;
}

void CSoundMixer::SetMasterVolume(int volume)
{
    m_nMaster.store(ClampVolume(volume), std::memory_order_relaxed);
}

void CSoundMixer::Clear()
{
    const int n = m_nVoices.load(std::memory_order_relaxed);
    m_nVoices.store(0, std::memory_order_release);
    for (int i = 0; i < n; ++i)
        ResetVoice(m_Voices[i], nullptr);
}

void CSoundMixer::ResetVoice(Voice& v, std::unique_ptr<CSoundData> data)
{
    v.data = std::move(data);
    v.state.store(VOICE_IDLE, std::memory_order_relaxed);
    v.loop.store(false, std::memory_order_relaxed);
    v.volume.store(SOUND_VOLUME_MAX, std::memory_order_relaxed);
    v.startedAt.store(0, std::memory_order_relaxed);
    v.position = 0;
    v.step = 0;
    v.gain = 0.0f;
}

void CSoundMixer::Mix(int16_t* out, uint32_t frames)
{
    float sum[SOUND_MIX_PIECE * SOUND_OUTPUT_CHANNELS];
    const int voices = m_nVoices.load(std::memory_order_acquire);
    while (frames > 0)
    {
        const uint32_t n = std::min(frames, SOUND_MIX_PIECE);
        std::fill(sum, sum + n * SOUND_OUTPUT_CHANNELS, 0.0f);
        const int master = m_nMaster.load(std::memory_order_relaxed);
        for (int i = 0; i < voices; ++i)
            MixVoice(m_Voices[i], sum, n, master);
        for (uint32_t k = 0; k < n * SOUND_OUTPUT_CHANNELS; ++k)
        {
            // Clipped, not wrapped: loud sums flatten instead of flipping sign.
            const float s = std::min(std::max(sum[k], -32768.0f), 32767.0f);
            out[k] = static_cast<int16_t>(std::lrintf(s));
        }
        out += n * SOUND_OUTPUT_CHANNELS;
        frames -= n;
        m_nMixed.fetch_add(n, std::memory_order_relaxed);
    }
}

void CSoundMixer::MixVoice(Voice& voice, float* sum, uint32_t frames, int master)
{
    int state = voice.state.load(std::memory_order_acquire);
    const float target = static_cast<float>(voice.volume.load(std::memory_order_relaxed) * master) /
                         static_cast<float>(SOUND_VOLUME_MAX * SOUND_VOLUME_MAX);
    CSoundData& data = *voice.data;
    if (state == VOICE_START)
    {
        // A Stop that came in between wins.
        if (!voice.state.compare_exchange_strong(state, VOICE_PLAYING, std::memory_order_acq_rel))
            return;
        state = VOICE_PLAYING;
        voice.startedAt.store(m_nMixed.load(std::memory_order_relaxed), std::memory_order_relaxed);
        voice.position = 0;
        voice.step = static_cast<uint32_t>(((static_cast<uint64_t>(data.Rate()) << 16) + SOUND_OUTPUT_RATE / 2) /
                                           SOUND_OUTPUT_RATE);
        voice.gain = target; // a sound starts at its volume; only changes glide
    }
    if (state != VOICE_PLAYING)
        return;

    const bool loop = voice.loop.load(std::memory_order_relaxed);
    // This piece reads up to the frame after the one its last step lands on.
    const uint64_t last = (voice.position + static_cast<uint64_t>(frames) * voice.step) >> 16;
    data.DecodeTo(static_cast<uint32_t>(std::min<uint64_t>(last + 2, data.Frames())));
    const uint32_t total = data.Frames(); // shrinks if the stream ended early
    const uint64_t span = static_cast<uint64_t>(total) << 16;
    const int16_t* pcm = data.Pcm();
    const int channels = data.Channels();

    uint64_t position = voice.position;
    float gain = voice.gain;
    const float glide = (target - gain) / static_cast<float>(frames);
    bool ended = total == 0;
    for (uint32_t k = 0; k < frames && !ended; ++k)
    {
        if (position >= span)
        {
            if (!loop)
            {
                ended = true;
                break;
            }
            position %= span;
        }
        const uint32_t i = static_cast<uint32_t>(position >> 16);
        // the frame after i: the loop's first frame across the seam
        const uint32_t j = i + 1 < total ? i + 1 : (loop ? 0 : i);
        const float frac = static_cast<float>(position & 0xFFFF) * (1.0f / 65536.0f);
        gain += glide;
        if (channels == 1)
        {
            const float a = pcm[i];
            const float s = (a + (static_cast<float>(pcm[j]) - a) * frac) * gain;
            sum[2 * k] += s;
            sum[2 * k + 1] += s;
        }
        else
        {
            const float l = pcm[2 * i];
            const float r = pcm[2 * i + 1];
            sum[2 * k] += (l + (static_cast<float>(pcm[2 * j]) - l) * frac) * gain;
            sum[2 * k + 1] += (r + (static_cast<float>(pcm[2 * j + 1]) - r) * frac) * gain;
        }
        position += voice.step;
    }
    if (ended)
    {
        // a Play or Stop that came in meanwhile wins
        int playing = VOICE_PLAYING;
        voice.state.compare_exchange_strong(playing, VOICE_IDLE, std::memory_order_acq_rel);
        return;
    }
    voice.position = position;
    voice.gain = target;
}
