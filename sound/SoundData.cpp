// Portable core: one loaded sound, decoded on demand.
#include "sound/SoundData.h"

#include <cstring>
#include <limits>
#include <new>

#include "sound/StbVorbisConfig.h"
#define STB_VORBIS_HEADER_ONLY
#include "third_party/stb_vorbis/stb_vorbis.h"

CSoundData::~CSoundData()
{
    CloseDecoder();
}

void CSoundData::CloseDecoder()
{
    if (m_pDecoder != nullptr)
        stb_vorbis_close(m_pDecoder);
    m_pDecoder = nullptr;
    m_pDecoderMemory.reset();
    m_pBytes.reset();
}

void CSoundData::Reset()
{
    CloseDecoder();
    m_pPcm.reset();
    m_nFrames = m_nReady = m_nRate = 0;
    m_nChannels = 0;
}

bool CSoundData::OpenPcm(const int16_t* pcm, uint32_t frames, int channels, uint32_t rate)
{
    Reset();
    if (pcm == nullptr || frames == 0 || frames > SOUND_MAX_FRAMES || channels < 1 || channels > SOUND_MAX_CHANNELS ||
        rate < SOUND_MIN_RATE || rate > SOUND_MAX_RATE)
        return false;
    const size_t count = static_cast<size_t>(frames) * static_cast<size_t>(channels);
    m_pPcm.reset(new (std::nothrow) int16_t[count]);
    if (!m_pPcm)
        return false;
    std::memcpy(m_pPcm.get(), pcm, count * sizeof(int16_t));
    m_nFrames = m_nReady = frames;
    m_nChannels = channels;
    m_nRate = rate;
    return true;
}

bool CSoundData::Open(const void* bytes, size_t size)
{
    Reset();
    if (bytes == nullptr || size == 0 || size > static_cast<size_t>(std::numeric_limits<int>::max()))
        return false;

    m_pBytes.reset(new (std::nothrow) unsigned char[size]);
    if (!m_pBytes)
        return false;
    std::memcpy(m_pBytes.get(), bytes, size);
    m_pDecoderMemory.reset(new (std::nothrow) unsigned char[SOUND_DECODER_MEMORY]);
    if (!m_pDecoderMemory)
    {
        m_pBytes.reset();
        return false;
    }
    stb_vorbis_alloc memory = {};
    memory.alloc_buffer = reinterpret_cast<char*>(m_pDecoderMemory.get());
    memory.alloc_buffer_length_in_bytes = static_cast<int>(SOUND_DECODER_MEMORY);
    int error = 0;
    m_pDecoder = stb_vorbis_open_memory(m_pBytes.get(), static_cast<int>(size), &error, &memory);
    if (m_pDecoder == nullptr)
    {
        CloseDecoder();
        return false;
    }
    const stb_vorbis_info info = stb_vorbis_get_info(m_pDecoder);
    // 0 when the last page holds no position.
    const uint32_t frames = stb_vorbis_stream_length_in_samples(m_pDecoder);
    if (info.channels < 1 || info.channels > SOUND_MAX_CHANNELS || info.sample_rate < SOUND_MIN_RATE ||
        info.sample_rate > SOUND_MAX_RATE || frames == 0 || frames > SOUND_MAX_FRAMES)
    {
        CloseDecoder();
        return false;
    }
    // Left uninitialised: only the decoded part is ever read.
    m_pPcm.reset(new (std::nothrow) int16_t[static_cast<size_t>(frames) * static_cast<size_t>(info.channels)]);
    if (!m_pPcm)
    {
        CloseDecoder();
        return false;
    }
    m_nChannels = info.channels;
    m_nRate = info.sample_rate;
    m_nFrames = frames;
    // Finding the length read the last page; decode from the first.
    if (!stb_vorbis_seek_start(m_pDecoder))
    {
        Reset();
        return false;
    }
    return true;
}

uint32_t CSoundData::DecodeTo(uint32_t frames)
{
    if (frames > m_nFrames)
        frames = m_nFrames;
    while (m_nReady < frames && m_pDecoder != nullptr)
    {
        const uint32_t want = frames - m_nReady; // at most 2^25 frames of 2 channels: fits an int
        const int got = stb_vorbis_get_samples_short_interleaved(
            m_pDecoder, m_nChannels, m_pPcm.get() + static_cast<size_t>(m_nReady) * m_nChannels,
            static_cast<int>(want) * m_nChannels);
        if (got <= 0)
        {
            m_nFrames = m_nReady; // ended early, or a packet it cannot decode
            break;
        }
        m_nReady += static_cast<uint32_t>(got) < want ? static_cast<uint32_t>(got) : want;
    }
    if (m_nReady >= m_nFrames)
        CloseDecoder();
    return m_nReady;
}
