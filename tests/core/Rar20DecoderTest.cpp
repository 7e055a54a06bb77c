// The RAR 2.0 decompressor on its own: the output limit, short input and
// input that is no RAR stream at all.
#include <gtest/gtest.h>

#include <cstdlib>
#include <random>

#include "RarArchiveTestSupport.h"
#include "data/Rar20Compressor.h"
#include "data/Rar20Decoder.h"

using namespace rartest;

namespace {

struct Stream
{
    Bytes packed;
    Bytes unpacked;
};

Stream LoadStream(const char* file, const char* entry)
{
    Stream s;
    Bytes archive = ReadFileBytes(TestDataPath(file));
    size_t offset = 0, size = 0;
    if (FirstEntryData(archive, &offset, &size))
        s.packed.assign(archive.begin() + offset, archive.begin() + offset + size);
    s.unpacked = Extract(archive, entry).bytes;
    return s;
}

// Decodes into an exact-size heap buffer so that ASan catches any write past it.
Bytes Decode(const Bytes& packed, uint32_t outSize)
{
    uint8_t* in = static_cast<uint8_t*>(std::malloc(packed.empty() ? 1 : packed.size()));
    std::copy(packed.begin(), packed.end(), in);
    uint8_t* out = static_cast<uint8_t*>(std::malloc(outSize == 0 ? 1 : outSize));
    uint32_t produced = 0;
    EXPECT_TRUE(Rar20Decode(in, uint32_t(packed.size()), out, outSize, &produced));
    EXPECT_LE(produced, outSize);
    Bytes result(out, out + produced);
    std::free(out);
    std::free(in);
    return result;
}

TEST(Rar20Decode, StopsAtTheOutputLimit)
{
    Stream s = LoadStream("lz-codes.rar", "lz/codes.bin");
    ASSERT_FALSE(s.packed.empty());
    ASSERT_EQ(s.unpacked.size(), 1118802u);
    for (uint32_t limit : {0u, 1u, 3001u, 3042u, 0x40000u, 0x100000u, 0x100001u, 1118801u, 1118802u})
    {
        SCOPED_TRACE(limit);
        Bytes out = Decode(s.packed, limit);
        ASSERT_EQ(out.size(), limit);
        EXPECT_TRUE(std::equal(out.begin(), out.end(), s.unpacked.begin()));
    }
    // room for more than the stream holds: it ends with its input (the pad
    // bits of the last byte may still read as one more symbol)
    Bytes out = Decode(s.packed, 2000000);
    EXPECT_GE(out.size(), s.unpacked.size());
    EXPECT_LE(out.size(), s.unpacked.size() + 260);
    EXPECT_TRUE(std::equal(s.unpacked.begin(), s.unpacked.end(), out.begin()));
}

TEST(Rar20Decode, ShortInputEndsEarly)
{
    for (const char* file : {"audio-4ch.rar", "lz-codes.rar"})
    {
        Stream s = LoadStream(file, file[0] == 'a' ? "audio/pcm4.raw" : "lz/codes.bin");
        ASSERT_FALSE(s.packed.empty());
        size_t step = s.packed.size() / 23 + 1;
        for (size_t cut = 0; cut < s.packed.size(); cut += step)
        {
            Bytes prefix(s.packed.begin(), s.packed.begin() + cut);
            Bytes out = Decode(prefix, uint32_t(s.unpacked.size()));
            ASSERT_LT(out.size(), s.unpacked.size()) << cut;
        }
    }
}

TEST(Rar20Decode, ArbitraryInputTerminatesInsideItsBuffers)
{
    std::mt19937 rng(1234);
    std::vector<Bytes> inputs = {Bytes(64, 0x00), Bytes(64, 0xFF), Bytes(3, 0x80), Bytes(1, 0x40)};
    for (size_t size : {5u, 40u, 300u, 4096u})
    {
        for (int k = 0; k < 20; ++k)
        {
            Bytes b(size);
            for (auto& v : b)
                v = uint8_t(rng());
            inputs.push_back(b);
        }
    }
    for (const Bytes& in : inputs)
    {
        Bytes out = Decode(in, 1u << 22);
        // no stream packs tighter than 260 bytes per bit
        EXPECT_LE(out.size(), in.size() * 8 * 260);
    }
}

// A solid entry reads the window its predecessor left, whether that one was
// decoded into memory (straight into its output) or only into the window.
TEST(Rar20Decode, SolidEntryContinuesTheWindowOfTheEntryBefore)
{
    std::mt19937 rng(77);
    Bytes first(70000);
    for (auto& v : first)
        v = uint8_t('a' + rng() % 7);
    Bytes second(first.begin() + 1000, first.begin() + 41000); // far matches into the first
    for (int i = 0; i < 3000; ++i)
        second.push_back(uint8_t(rng()));
    rar::CRar20Compressor comp;
    const Bytes a = comp.CompressEntry(first.data(), first.size());
    const Bytes b = comp.CompressEntry(second.data(), second.size());

    for (bool firstIntoMemory : {true, false})
    {
        SCOPED_TRACE(firstIntoMemory);
        CRar20Decoder dec;
        ASSERT_TRUE(dec.Init());
        Bytes outA(first.size()), outB(second.size());
        EXPECT_EQ(dec.DecodeEntry(a.data(), uint32_t(a.size()), firstIntoMemory ? outA.data() : nullptr,
                                  uint32_t(outA.size()), false),
                  outA.size());
        EXPECT_EQ(dec.DecodeEntry(b.data(), uint32_t(b.size()), outB.data(), uint32_t(outB.size()), true), outB.size());
        if (firstIntoMemory)
            EXPECT_EQ(outA, first);
        EXPECT_EQ(outB, second);
    }
}

// A short match that ends exactly where the 1 MiB window ends: the next byte
// goes to the window's start, not past its end. A solid entry after a short
// first one puts the window's end inside it, away from where the compressor
// itself splits its input. Random bytes keep the compressor to literals and
// chance matches of two bytes elsewhere; the bytes before the window's end
// repeat those before them.
TEST(Rar20Decode, MatchEndingAtTheWindowsEndWrapsIt)
{
    constexpr size_t kWindow = 0x100000, kFirst = 1000;
    for (size_t length : {8u, 16u, 32u})
    {
        SCOPED_TRACE(length);
        std::mt19937 rng{uint32_t(length)};
        Bytes first(kFirst), second(kWindow);
        for (auto& v : first)
            v = uint8_t(rng());
        for (auto& v : second)
            v = uint8_t(rng());
        const size_t end = kWindow - kFirst; // the window's end, in the second entry
        std::copy(second.begin() + long(end - 2 * length), second.begin() + long(end - length),
                  second.begin() + long(end - length));
        // the match starts and stops where it is meant to
        second[end - 2 * length - 1] = uint8_t(second[end - length - 1] + 1);
        second[end] = uint8_t(second[end - length] + 1);
        rar::CompressOptions lz;
        lz.mode = rar::CompressMode::Lz;
        rar::CRar20Compressor comp(lz);
        const Bytes a = comp.CompressEntry(first.data(), first.size());
        const Bytes b = comp.CompressEntry(second.data(), second.size());
        CRar20Decoder dec;
        ASSERT_TRUE(dec.Init());
        Bytes outA(first.size()), outB(second.size());
        EXPECT_EQ(dec.DecodeEntry(a.data(), uint32_t(a.size()), outA.data(), uint32_t(outA.size()), false),
                  outA.size());
        EXPECT_EQ(dec.DecodeEntry(b.data(), uint32_t(b.size()), outB.data(), uint32_t(outB.size()), true), outB.size());
        EXPECT_EQ(outB, second);
    }
}

} // namespace
