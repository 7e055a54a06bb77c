// Portable core: one loaded sound. It keeps its own copy of the Ogg Vorbis
// bytes and decodes them on demand, as it plays, into PCM that it keeps for
// every later pass of a loop. Decoding a whole sound at load would cost far
// more than the scene's sound budget (the 64 s music takes about half a
// second); decoding it again on every pass would cost the mixer ten times its
// budget. So the first pass pays a little on the feeding thread, and the
// bytes and the decoder are dropped once the whole sound is decoded.
#pragma once
#include <cstddef>
#include <cstdint>
#include <memory>

struct stb_vorbis;

constexpr int SOUND_MAX_CHANNELS = 2;
constexpr uint32_t SOUND_MIN_RATE = 8000;
constexpr uint32_t SOUND_MAX_RATE = 192000;
// Longest sound kept: 2^25 frames (12.7 min at 44.1 kHz, 128 MiB of stereo).
constexpr uint32_t SOUND_MAX_FRAMES = 1u << 25;
// Memory the decoder may use for its tables and its scratch space. The
// headers state their table sizes, and a few hostile bytes could otherwise
// make it allocate and fill hundreds of MiB for seconds before refusing.
// Our sounds need about 180 KiB.
constexpr size_t SOUND_DECODER_MEMORY = 1u << 20;

class CSoundData
{
public:
    CSoundData() = default;
    ~CSoundData();
    CSoundData(const CSoundData&) = delete;
    CSoundData& operator=(const CSoundData&) = delete;

    // Copies the bytes and reads the stream's headers and its length. False,
    // with nothing kept, for anything but an Ogg Vorbis stream of 1 or 2
    // channels at 8 to 192 kHz whose length is known and at most
    // SOUND_MAX_FRAMES frames, and whose decoder fits in
    // SOUND_DECODER_MEMORY. The caller may free the bytes afterwards.
    bool Open(const void* bytes, size_t size);
    // A sound already decoded: copies `frames` interleaved frames. False, with
    // nothing kept, for the same limits as Open.
    bool OpenPcm(const int16_t* pcm, uint32_t frames, int channels, uint32_t rate);

    // Decodes until at least `frames` frames are ready or the sound ends, and
    // returns the frames ready. A stream that ends before its stated length,
    // or a packet that cannot be decoded, ends the sound there: Frames()
    // shrinks to what was decoded. Frames past the stated length are ignored.
    uint32_t DecodeTo(uint32_t frames);
    uint32_t DecodeAll() { return DecodeTo(m_nFrames); }

    // Length in frames (the stated one until decoding proves it shorter).
    uint32_t Frames() const { return m_nFrames; }
    // Frames decoded so far, interleaved in Pcm().
    uint32_t Ready() const { return m_nReady; }
    int Channels() const { return m_nChannels; }
    uint32_t Rate() const { return m_nRate; }
    const int16_t* Pcm() const { return m_pPcm.get(); }

private:
    void Reset();
    void CloseDecoder();

    std::unique_ptr<unsigned char[]> m_pBytes;         // the stream, until decoded
    std::unique_ptr<unsigned char[]> m_pDecoderMemory; // all the decoder allocates
    stb_vorbis* m_pDecoder = nullptr;
    std::unique_ptr<int16_t[]> m_pPcm;
    uint32_t m_nFrames = 0;
    uint32_t m_nReady = 0;
    int m_nChannels = 0;
    uint32_t m_nRate = 0;
};
