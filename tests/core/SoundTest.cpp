// The audio layer: decoding on demand, the mixer's output for known inputs
// (volumes, sums and clipping, loop seams, other rates, gliding volume), and
// the sample list's rules over an output that only records.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "sound/SoundData.h"
#include "sound/SoundMixer.h"
#include "sound/SoundSystem.h"
#include "tests/core/SoundTestSupport.h"

using soundtest::Fixture;
using soundtest::MixFrames;
using soundtest::PcmSound;

namespace {

double Rms(const int16_t* pcm, uint32_t frames, int channels, int channel)
{
    double sum = 0.0;
    for (uint32_t i = 0; i < frames; ++i)
        sum += static_cast<double>(pcm[i * channels + channel]) * pcm[i * channels + channel];
    return frames != 0 ? std::sqrt(sum / frames) : 0.0;
}

int UpwardCrossings(const int16_t* pcm, uint32_t frames, int channels)
{
    int n = 0;
    for (uint32_t i = 1; i < frames; ++i)
        n += pcm[(i - 1) * channels] < 0 && pcm[i * channels] >= 0;
    return n;
}

} // namespace

TEST(SoundData, DecodesOnDemandUpToItsStatedLength)
{
    struct Case
    {
        const char* file;
        int channels;
        uint32_t rate;
        uint32_t frames;
    };
    // 441 Hz sines at half scale; the 22 kHz one has it in the left channel only.
    for (const Case& c : {Case{"tone-mono.ogg", 1, 44100, 44100}, Case{"tone-left-22k.ogg", 2, 22050, 11025}})
    {
        SCOPED_TRACE(c.file);
        const std::vector<unsigned char> bytes = Fixture(c.file);
        ASSERT_FALSE(bytes.empty());
        CSoundData data;
        ASSERT_TRUE(data.Open(bytes.data(), bytes.size()));
        EXPECT_EQ(data.Channels(), c.channels);
        EXPECT_EQ(data.Rate(), c.rate);
        EXPECT_EQ(data.Frames(), c.frames);
        EXPECT_LT(data.Ready(), 5000u) << "decoded at open";
        EXPECT_GE(data.DecodeTo(3000), 3000u);
        EXPECT_LT(data.Ready(), c.frames);
        EXPECT_EQ(data.DecodeAll(), c.frames);
        EXPECT_EQ(data.Frames(), c.frames);

        EXPECT_NEAR(Rms(data.Pcm(), c.frames, c.channels, 0), 0.5 * 32767 / std::sqrt(2.0), 600.0);
        if (c.channels == 2)
            EXPECT_LT(Rms(data.Pcm(), c.frames, 2, 1), 300.0);
        const double seconds = static_cast<double>(c.frames) / c.rate;
        EXPECT_NEAR(UpwardCrossings(data.Pcm(), c.frames, c.channels), 441.0 * seconds, 2.0);
    }
}

TEST(SoundData, RefusesWhatItCannotPlayAndKeepsNothing)
{
    const std::vector<unsigned char> tone = Fixture("tone-mono.ogg");
    ASSERT_FALSE(tone.empty());
    std::vector<unsigned char> noise(4096);
    std::mt19937 random(7);
    for (unsigned char& b : noise)
        b = static_cast<unsigned char>(random());
    std::vector<unsigned char> oggsZeros(200, 0);
    std::copy_n("OggS", 4, oggsZeros.begin());
    std::vector<unsigned char> badCapture = tone;
    badCapture[1] = 'x'; // "OxgS": no page can be found
    const std::vector<unsigned char> headersCut(tone.begin(), tone.begin() + 60);
    const std::vector<unsigned char> threeChannels = Fixture("tone-3ch.ogg");
    ASSERT_FALSE(threeChannels.empty());

    struct Case
    {
        const char* name;
        const std::vector<unsigned char>* bytes;
    };
    for (const Case& c : {Case{"random bytes", &noise}, Case{"OggS and zeros", &oggsZeros},
                          Case{"damaged capture pattern", &badCapture}, Case{"cut inside the headers", &headersCut},
                          Case{"three channels", &threeChannels}})
    {
        SCOPED_TRACE(c.name);
        CSoundData data;
        EXPECT_FALSE(data.Open(c.bytes->data(), c.bytes->size()));
        EXPECT_EQ(data.Frames(), 0u);
        EXPECT_EQ(data.Pcm(), nullptr);
        EXPECT_EQ(data.DecodeAll(), 0u);
    }
    CSoundData data;
    EXPECT_FALSE(data.Open(nullptr, 0));
    EXPECT_FALSE(data.Open(tone.data(), 0));
}

namespace {

// Ogg's page checksum: CRC-32, polynomial 0x04C11DB7, not reflected, over
// the page with its checksum field zeroed.
void ResealOggPage(unsigned char* page, size_t size)
{
    std::fill(page + 22, page + 26, 0);
    uint32_t crc = 0;
    for (size_t i = 0; i < size; ++i)
    {
        crc ^= static_cast<uint32_t>(page[i]) << 24;
        for (int bit = 0; bit < 8; ++bit)
            crc = (crc & 0x80000000u) != 0 ? (crc << 1) ^ 0x04C11DB7u : crc << 1;
    }
    for (int i = 0; i < 4; ++i)
        page[22 + i] = static_cast<unsigned char>(crc >> (8 * i));
}

// The tone with its audio packets from number `from` on flagged as
// non-audio, in pages whose checksums still hold: the stream states its
// whole length but stops decoding partway.
std::vector<unsigned char> ToneBrokenFromPacket(int from)
{
    std::vector<unsigned char> ogg = Fixture("tone-mono.ogg");
    for (size_t at = 0, page = 0; at + 27 < ogg.size(); ++page)
    {
        const int segments = ogg[at + 26];
        size_t body = at + 27 + segments;
        size_t end = body;
        for (int i = 0; i < segments; ++i)
            end += ogg[at + 27 + i];
        if (page == 2) // the audio page; a lacing value under 255 ends a packet
        {
            int packet = 0;
            size_t start = body;
            for (int i = 0; i < segments; ++i)
            {
                const unsigned char lacing = ogg[at + 27 + i];
                body += lacing;
                if (lacing == 255)
                    continue;
                if (packet++ >= from && body > start)
                    ogg[start] |= 1;
                start = body;
            }
        }
        ResealOggPage(&ogg[at], end - at);
        at = end;
    }
    return ogg;
}

} // namespace

TEST(SoundData, AStreamThatStopsDecodingEndsTheSoundThere)
{
    const std::vector<unsigned char> bytes = ToneBrokenFromPacket(10);
    CSoundData data;
    ASSERT_TRUE(data.Open(bytes.data(), bytes.size()));
    EXPECT_EQ(data.Frames(), 44100u) << "the stated length";
    const uint32_t decoded = data.DecodeAll();
    EXPECT_GT(decoded, 0u);
    EXPECT_LT(decoded, 44100u / 2);
    EXPECT_EQ(data.Frames(), decoded);

    // Played as a loop, it wraps where the decoding stopped.
    CSoundMixer mixer;
    std::unique_ptr<CSoundData> sound(new CSoundData);
    ASSERT_TRUE(sound->Open(bytes.data(), bytes.size()));
    const int v = mixer.AddVoice(std::move(sound));
    mixer.Play(v, true);
    const std::vector<int16_t> out = MixFrames(mixer, decoded + 100);
    for (uint32_t k = 0; k < 100; ++k)
        ASSERT_EQ(out[2 * (decoded + k)], data.Pcm()[k]) << "frame " << k << " after the wrap";
}

TEST(SoundMixer, ScalesByVoiceAndMasterVolume)
{
    struct Case
    {
        int volume;
        int master;
        int16_t in;
        int16_t out;
    };
    for (const Case& c : {Case{100, 100, 10000, 10000}, Case{50, 100, 10000, 5000}, Case{100, 50, 10000, 5000},
                          Case{35, 100, 10000, 3500}, Case{35, 35, 10000, 1225}, Case{0, 100, 10000, 0},
                          Case{100, 0, 10000, 0}, Case{150, 100, -10000, -10000}, Case{-5, 100, 10000, 0}})
    {
        SCOPED_TRACE(testing::Message() << "volume " << c.volume << " master " << c.master);
        CSoundMixer mixer;
        const int v = mixer.AddVoice(PcmSound(std::vector<int16_t>(100, c.in), 1));
        ASSERT_EQ(v, 0);
        mixer.SetVolume(v, c.volume);
        mixer.SetMasterVolume(c.master);
        mixer.Play(v, true);
        const std::vector<int16_t> out = MixFrames(mixer, 300);
        // A mono sound is heard equally on both sides.
        for (size_t k = 0; k < out.size(); ++k)
            ASSERT_NEAR(out[k], c.out, 1) << "sample " << k;
    }
}

TEST(SoundMixer, SumsVoicesAndClipsInsteadOfWrapping)
{
    struct Case
    {
        int16_t a, b, out;
    };
    for (const Case& c :
         {Case{20000, -5000, 15000}, Case{30000, 30000, 32767}, Case{-30000, -30000, -32768}, Case{32767, 1, 32767}})
    {
        CSoundMixer mixer;
        mixer.Play(mixer.AddVoice(PcmSound(std::vector<int16_t>(64, c.a), 1)), true);
        mixer.Play(mixer.AddVoice(PcmSound(std::vector<int16_t>(64, c.b), 1)), true);
        for (int16_t s : MixFrames(mixer, 200))
            ASSERT_EQ(s, c.out) << c.a << " + " << c.b;
    }
}

TEST(SoundMixer, LoopsWithoutASeamAndPlaysOnceThenFallsSilent)
{
    std::vector<int16_t> ramp(1000);
    for (size_t i = 0; i < ramp.size(); ++i)
        ramp[i] = static_cast<int16_t>(i * 30 - 15000);
    CSoundMixer mixer;
    const int looping = mixer.AddVoice(PcmSound(ramp, 1));
    mixer.Play(looping, true);
    // Odd pieces, so that the seam falls inside a piece and between pieces.
    std::vector<int16_t> out;
    for (uint32_t n : {333u, 667u, 1u, 999u, 500u})
    {
        const std::vector<int16_t> piece = MixFrames(mixer, n);
        out.insert(out.end(), piece.begin(), piece.end());
    }
    for (size_t k = 0; k < out.size() / 2; ++k)
        ASSERT_EQ(out[2 * k], ramp[k % ramp.size()]) << "frame " << k;

    CSoundMixer once;
    const int v = once.AddVoice(PcmSound(ramp, 1));
    once.Play(v, false);
    out = MixFrames(once, 1500);
    for (size_t k = 0; k < 1500; ++k)
        ASSERT_EQ(out[2 * k], k < ramp.size() ? ramp[k] : 0) << "frame " << k;
    EXPECT_FALSE(once.IsPlaying(v));
    once.Play(v, false); // from the beginning again
    EXPECT_EQ(MixFrames(once, 1)[0], ramp[0]);
}

TEST(SoundMixer, RealLoopsHaveNoClickAtTheirSeam)
{
    for (const char* name : {"music.ogg", "rain.ogg", "water_wall.ogg"})
    {
        SCOPED_TRACE(name);
        const std::vector<unsigned char> bytes = soundtest::ContentSound(name);
        if (bytes.empty())
            GTEST_SKIP() << "no generated content in this build tree";
        CSoundData data;
        ASSERT_TRUE(data.Open(bytes.data(), bytes.size()));
        const uint32_t n = data.DecodeAll();
        const int ch = data.Channels();
        const int16_t* pcm = data.Pcm();
        // The step from the last frame to the first is no bigger than the
        // steps the sound itself makes (its 99.9th percentile).
        for (int c = 0; c < ch; ++c)
        {
            std::vector<int> steps;
            for (uint32_t i = 1; i < n; ++i)
                steps.push_back(std::abs(pcm[i * ch + c] - pcm[(i - 1) * ch + c]));
            std::nth_element(steps.begin(), steps.begin() + steps.size() * 999 / 1000, steps.end());
            const int typical = steps[steps.size() * 999 / 1000];
            EXPECT_LE(std::abs(pcm[c] - pcm[(n - 1) * ch + c]), typical) << "channel " << c;
        }
    }
}

TEST(SoundMixer, AVolumeChangeGlidesOverOnePiece)
{
    CSoundMixer mixer;
    const int v = mixer.AddVoice(PcmSound(std::vector<int16_t>(4096, 20000), 1));
    mixer.Play(v, true);
    EXPECT_EQ(MixFrames(mixer, SOUND_MIX_PIECE).back(), 20000);
    mixer.SetVolume(v, 0);
    const std::vector<int16_t> glide = MixFrames(mixer, SOUND_MIX_PIECE);
    for (size_t k = 2; k < glide.size(); k += 2)
    {
        ASSERT_LE(glide[k], glide[k - 2]);
        ASSERT_LE(glide[k - 2] - glide[k], 20000 / static_cast<int>(SOUND_MIX_PIECE) + 1);
    }
    EXPECT_EQ(glide.back(), 0);
    for (int16_t s : MixFrames(mixer, 100))
        ASSERT_EQ(s, 0);
}

TEST(SoundMixer, PlaysOtherRatesAtTheirOwnSpeedAndKeepsLeftAndRight)
{
    // 22,050 Hz stereo: every source frame lasts two output frames, the
    // second one halfway to the next.
    std::vector<int16_t> pcm;
    for (int i = 0; i < 100; ++i)
    {
        pcm.push_back(static_cast<int16_t>(100 * i));
        pcm.push_back(static_cast<int16_t>(-100 * i));
    }
    CSoundMixer mixer;
    mixer.Play(mixer.AddVoice(PcmSound(pcm, 2, 22050)), false);
    const std::vector<int16_t> out = MixFrames(mixer, 220);
    for (int k = 0; k < 198; ++k)
    {
        const int left = 100 * (k / 2) + (k % 2 != 0 ? 50 : 0);
        ASSERT_EQ(out[2 * k], left) << "frame " << k;
        ASSERT_EQ(out[2 * k + 1], -left) << "frame " << k;
    }
    for (int k = 200; k < 220; ++k)
        ASSERT_EQ(out[2 * k], 0) << "frame " << k;
}

namespace {

// Decoded tone frames, for comparing the mix with.
std::vector<int16_t> DecodedTone()
{
    const std::vector<unsigned char> bytes = Fixture("tone-mono.ogg");
    CSoundData data;
    if (!data.Open(bytes.data(), bytes.size()))
        return {};
    return std::vector<int16_t>(data.Pcm(), data.Pcm() + data.DecodeAll());
}

} // namespace

TEST(SoundSystem, PlayIgnoresBadIndicesAndPlayingSoundsAndCopiesPlayApart)
{
    const std::vector<unsigned char> bytes = Fixture("tone-mono.ogg");
    const std::vector<int16_t> tone = DecodedTone();
    ASSERT_EQ(tone.size(), 44100u);
    soundtest::RecordingOutput output;
    CSoundSystem sound;
    sound.Start(&output);
    ASSERT_TRUE(sound.m_bEnabled);
    const int a = sound.Load(bytes.data(), static_cast<uint32_t>(bytes.size()));
    const int b = sound.Load(bytes.data(), static_cast<uint32_t>(bytes.size()));
    const unsigned char junk[] = "not a sound";
    const int refused = sound.Load(junk, sizeof(junk));
    EXPECT_EQ(a, 0);
    EXPECT_EQ(b, 1);
    EXPECT_EQ(refused, 2) << "a refused sound keeps its record";
    EXPECT_TRUE(sound.m_Samples[a].loaded);
    EXPECT_FALSE(sound.m_Samples[refused].loaded);
    EXPECT_STREQ(sound.m_Samples[refused].name, "Sample");

    for (int index : {-1, refused, 3, 1000})
        sound.Play(index, true);
    for (int16_t s : MixFrames(sound.m_Mixer, 500))
        ASSERT_EQ(s, 0);

    // 1,025 frames: a quarter period of the tone apart, so the two copies
    // do not clip when they sum.
    sound.Play(a, true);
    std::vector<int16_t> out = MixFrames(sound.m_Mixer, 1025);
    sound.Play(a, true); // still playing: not started again
    sound.Play(b, true); // the second copy starts on its own
    out = MixFrames(sound.m_Mixer, 1000);
    for (size_t k = 0; k < 1000; ++k)
        ASSERT_EQ(out[2 * k], tone[1025 + k] + tone[k]) << "frame " << k;

    // Each copy has its own volume.
    sound.SetVolume(a, 0);
    MixFrames(sound.m_Mixer, SOUND_MIX_PIECE); // the glide
    out = MixFrames(sound.m_Mixer, 1000);
    // b started 1,025 frames after a, and 1,000 + one piece ago.
    for (size_t k = 0; k < 1000; ++k)
        ASSERT_EQ(out[2 * k], tone[1000 + SOUND_MIX_PIECE + k]) << "frame " << k;
    sound.Shutdown();
}

TEST(SoundSystem, WithoutADeviceSoundIsOffAfterOneLogLine)
{
    soundtest::LogCapture log;
    const std::vector<unsigned char> bytes = Fixture("tone-mono.ogg");
    soundtest::RecordingOutput output;
    output.opens = false;
    CSoundSystem sound;
    sound.Start(&output);
    EXPECT_FALSE(sound.m_bEnabled);
    const int a = sound.Load(bytes.data(), static_cast<uint32_t>(bytes.size()));
    EXPECT_EQ(a, 0);
    EXPECT_FALSE(sound.m_Samples[a].loaded);
    sound.Play(a, true);
    EXPECT_EQ(sound.m_Mixer.Voices(), 0);
    sound.Shutdown();
    EXPECT_EQ(log.Lines(), std::vector<std::string>{"sound device unavailable, sound off"});
}

TEST(SoundSystem, ShutdownStopsTheOutputBeforeFreeingAndKeepsTheRecords)
{
    const std::vector<unsigned char> bytes = Fixture("tone-mono.ogg");
    soundtest::RecordingOutput output;
    CSoundSystem sound;
    sound.Start(&output);
    const int a = sound.Load(bytes.data(), static_cast<uint32_t>(bytes.size()));
    sound.Play(a, true);
    sound.Shutdown();
    EXPECT_EQ(output.opened, 1);
    EXPECT_EQ(output.closed, 1);
    EXPECT_EQ(output.voicesAtClose, 1) << "the voices went before the output stopped";
    EXPECT_EQ(sound.m_Mixer.Voices(), 0);
    ASSERT_EQ(sound.m_Samples.size(), 1u);
    EXPECT_FALSE(sound.m_Samples[a].loaded);
    sound.Play(a, true);
    sound.SetVolume(a, 50);
    sound.Shutdown();
    EXPECT_EQ(output.closed, 1);
}
