// The RAR 2.0 writer and compressor: every archive it writes must come back
// byte for byte through unar, which shares no code with us, and through our
// own reader; headers must be well formed; the compressor must choose its
// modes for the data and actually compress.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "data/Crc32.h"
#include "data/Rar20Format.h"
#include "data/RarWriter.h"
#include "tests/support/UnarCheck.h"
#include "tools/samples/SampleCorpus.h"

#if __has_include("data/RarArchive.h")
#include "data/RarArchive.h"
#define QM_HAVE_RAR_READER 1
#endif

namespace {

using sample::Bytes;
using sample::Entry;

uint32_t Le16(const unsigned char* p)
{
    return p[0] | p[1] << 8;
}
uint32_t Le32(const unsigned char* p)
{
    return Le16(p) | Le16(p + 2) << 16;
}

struct FileBlock
{
    size_t offset;
    uint32_t flags, headSize, packSize, unpSize, crc, attr;
    uint8_t unpVer, method;
    std::string name;
};

// Walks the archive; every header CRC and size must be right.
std::vector<FileBlock> WalkArchive(const Bytes& a)
{
    std::vector<FileBlock> blocks;
    EXPECT_GE(a.size(), 20u);
    if (a.size() < 20)
        return blocks;
    EXPECT_EQ(0, std::memcmp(a.data(), rar::MARKER, 7));
    EXPECT_EQ(a[9], rar::BLOCK_MAIN);
    EXPECT_EQ(Le16(&a[12]), 13u);
    EXPECT_EQ(Le16(&a[7]), Crc32(&a[9], 11) & 0xFFFF) << "main HEAD_CRC";
    size_t pos = 20;
    while (pos < a.size())
    {
        EXPECT_LE(pos + 32, a.size());
        if (pos + 32 > a.size())
            break;
        const unsigned char* b = &a[pos];
        FileBlock f;
        f.offset = pos;
        f.flags = Le16(b + 3);
        f.headSize = Le16(b + 5);
        f.packSize = Le32(b + 7);
        f.unpSize = Le32(b + 11);
        f.crc = Le32(b + 16);
        f.unpVer = b[24];
        f.method = b[25];
        f.attr = Le32(b + 28);
        EXPECT_EQ(b[2], rar::BLOCK_FILE);
        EXPECT_TRUE(f.flags & rar::FLAG_LONG_BLOCK);
        EXPECT_EQ(f.headSize, 32 + Le16(b + 26));
        EXPECT_LE(pos + f.headSize + f.packSize, a.size());
        if (pos + f.headSize + f.packSize > a.size())
            break;
        EXPECT_EQ(Le16(b), Crc32(b + 2, f.headSize - 2) & 0xFFFF) << "HEAD_CRC at " << pos;
        f.name.assign(reinterpret_cast<const char*>(b + 32), f.headSize - 32);
        blocks.push_back(f);
        pos += f.headSize + f.packSize;
    }
    return blocks;
}

struct Config
{
    const char* label;
    bool solid;
    rar::CompressMode mode;
    int channels;
};

Bytes Pack(const std::vector<Entry>& entries, const Config& cfg, rar::PackMethod method = rar::PackMethod::Auto)
{
    rar::WriterOptions o;
    o.solid = cfg.solid;
    o.compress.mode = cfg.mode;
    o.compress.channels = cfg.channels;
    rar::CRarWriter w(o);
    for (const Entry& e : entries)
        EXPECT_TRUE(w.AddFile(e.name, e.data, method)) << e.name;
    return w.Bytes();
}

void ExpectUnarExtracts(const Bytes& archive, const std::vector<Entry>& entries, const std::string& label)
{
    for (const std::string& fault : unarcheck::Check(archive, entries))
        ADD_FAILURE() << label << ": " << fault;
}

#ifdef QM_HAVE_RAR_READER
void ExpectReaderExtracts(const Bytes& archive, const std::vector<Entry>& entries, const std::string& label)
{
    for (const Entry& e : entries)
    {
        ArchiveView view{archive.data(), static_cast<uint32_t>(archive.size()), 0};
        unsigned char* data = nullptr;
        uint32_t size = 0;
        ASSERT_TRUE(ExtractArchiveEntry("", e.name.c_str(), &data, &size, &view)) << label << ": " << e.name;
        EXPECT_TRUE(size == e.data.size() && (size == 0 || std::memcmp(data, e.data.data(), size) == 0))
            << label << ": " << e.name;
        std::free(data);
    }
}
#endif

// The corpus without its 1.2 MB far-match file, which one config carries.
std::vector<Entry> SmallCorpus()
{
    std::vector<Entry> c = sample::MixedCorpus(1, true);
    std::vector<Entry> out;
    for (Entry& e : c)
        if (e.name != "far.bin")
            out.push_back(std::move(e));
    return out;
}

TEST(RarWriterUnar, CorpusComesBackExactlyInEveryMode)
{
    ASSERT_TRUE(unarcheck::Available()) << "unar is not installed";
    const Config configs[] = {
        {"non-solid auto", false, rar::CompressMode::Auto, 0},
        {"non-solid LZ", false, rar::CompressMode::Lz, 0},
        {"non-solid multimedia", false, rar::CompressMode::Multimedia, 0},
        {"solid auto", true, rar::CompressMode::Auto, 0},
        {"solid LZ", true, rar::CompressMode::Lz, 0},
        {"solid multimedia", true, rar::CompressMode::Multimedia, 0},
    };
    const std::vector<Entry> full = sample::MixedCorpus(1, true);
    const std::vector<Entry> small = SmallCorpus();
    for (const Config& cfg : configs)
    {
        // The file above 1 MiB goes through one config: unar is slow on it.
        const std::vector<Entry>& corpus = cfg.solid && cfg.mode == rar::CompressMode::Auto ? full : small;
        const Bytes archive = Pack(corpus, cfg, rar::PackMethod::Compress);
        WalkArchive(archive);
        ExpectUnarExtracts(archive, corpus, cfg.label);
#ifdef QM_HAVE_RAR_READER
        ExpectReaderExtracts(archive, corpus, cfg.label);
#endif
    }
}

TEST(RarWriterUnar, EveryChannelCountDecodes)
{
    ASSERT_TRUE(unarcheck::Available()) << "unar is not installed";
    const std::vector<Entry> corpus = {
        {"music16s.raw", sample::Pcm(12000, 2, 16, 21)},
        {"bark.tga", sample::Image(64, 48, 3, 22)},
        {"words.txt", sample::Text(9000, 23)},
        {"odd.bin", sample::Random(333, 24)},
    };
    for (int channels = 1; channels <= rar::MAX_CHANNELS; channels++)
        for (bool solid : {false, true})
        {
            const Config cfg{"", solid, rar::CompressMode::Multimedia, channels};
            const std::string label = std::to_string(channels) + (solid ? " channels solid" : " channels");
            const Bytes archive = Pack(corpus, cfg, rar::PackMethod::Compress);
            ExpectUnarExtracts(archive, corpus, label);
#ifdef QM_HAVE_RAR_READER
            ExpectReaderExtracts(archive, corpus, label);
#endif
        }
}

// Modes switch inside one solid stream: multimedia entries between LZ ones,
// with channel counts that change and entries of odd sizes.
TEST(RarWriterUnar, SolidStreamSwitchesModes)
{
    ASSERT_TRUE(unarcheck::Available()) << "unar is not installed";
    const std::vector<Entry> corpus = {
        {"a.txt", sample::Text(20000, 31)},      {"b16s.raw", sample::Pcm(7001, 2, 16, 32)},
        {"c.txt", sample::Text(15000, 33)},      {"d.tga", sample::Image(33, 17, 3, 34)},
        {"e8.raw", sample::Pcm(9999, 1, 8, 35)}, {"f.txt", sample::Text(5000, 31)},
        {"g.tga", sample::Image(40, 20, 4, 36)},
    };
    rar::WriterOptions o;
    o.solid = true;
    rar::CRarWriter w(o);
    int multimedia = 0, lz = 0;
    for (const Entry& e : corpus)
    {
        ASSERT_TRUE(w.AddFile(e.name, e.data));
        (w.LastStats().multimedia ? multimedia : lz)++;
    }
    EXPECT_GE(multimedia, 2);
    EXPECT_GE(lz, 2);
    ExpectUnarExtracts(w.Bytes(), corpus, "mode switches");
#ifdef QM_HAVE_RAR_READER
    ExpectReaderExtracts(w.Bytes(), corpus, "mode switches");
#endif
}

TEST(RarWriter, HeadersDescribeTheEntries)
{
    rar::CRarWriter w;
    const Bytes text = sample::Text(5000, 41), noise = sample::Random(3000, 42);
    ASSERT_TRUE(w.AddDirectory("camera"));
    ASSERT_TRUE(w.AddFile("camera\\camera01.transobj", text));
    ASSERT_TRUE(w.AddFile("noise.bin", noise));
    ASSERT_TRUE(w.AddFile("stored.txt", text, rar::PackMethod::Store));
    ASSERT_TRUE(w.AddFile("empty.dat", nullptr, 0));
    const Bytes& a = w.Bytes();
    EXPECT_EQ(Le16(&a[10]), 0u) << "main flags of a non-solid archive";

    const std::vector<FileBlock> f = WalkArchive(a);
    ASSERT_EQ(f.size(), 5u);
    struct Want
    {
        const char* name;
        uint32_t flags, unpSize, attr;
        uint8_t method;
        const Bytes* data;
    };
    const Want want[] = {
        {"camera", 0x80E0, 0, 0x10, 0x30, nullptr},      {"camera\\camera01.transobj", 0x8080, 5000, 0x20, 0x33, &text},
        {"noise.bin", 0x8080, 3000, 0x20, 0x30, &noise}, // incompressible: stored
        {"stored.txt", 0x8080, 5000, 0x20, 0x30, &text}, {"empty.dat", 0x8080, 0, 0x20, 0x30, nullptr},
    };
    for (size_t i = 0; i < f.size(); i++)
    {
        SCOPED_TRACE(want[i].name);
        EXPECT_EQ(f[i].name, want[i].name);
        EXPECT_EQ(f[i].flags, want[i].flags);
        EXPECT_EQ(f[i].unpSize, want[i].unpSize);
        EXPECT_EQ(f[i].attr, want[i].attr);
        EXPECT_EQ(f[i].method, want[i].method);
        EXPECT_EQ(f[i].unpVer, 20);
        const uint32_t crc = want[i].data ? Crc32(want[i].data->data(), want[i].data->size()) : 0;
        EXPECT_EQ(f[i].crc, crc);
        if (want[i].method == 0x30)
        {
            ASSERT_EQ(f[i].packSize, f[i].unpSize);
            if (want[i].data)
                EXPECT_EQ(0, std::memcmp(&a[f[i].offset + f[i].headSize], want[i].data->data(), f[i].packSize));
        }
        else
            EXPECT_LT(f[i].packSize, f[i].unpSize);
    }
}

// Solid: the compressed entries form one unbroken stream, first without and
// then with flag 0x10; everything outside the stream goes ahead of it.
TEST(RarWriter, SolidArchiveKeepsItsStreamTogether)
{
    rar::WriterOptions o;
    o.solid = true;
    rar::CRarWriter w(o);
    const Bytes text = sample::Text(4000, 51);
    ASSERT_TRUE(w.AddFile("c1.txt", text));
    ASSERT_TRUE(w.AddDirectory("dir"));
    ASSERT_TRUE(w.AddFile("c2.txt", text));
    ASSERT_TRUE(w.AddFile("s3.txt", text, rar::PackMethod::Store));
    ASSERT_TRUE(w.AddFile("e4.dat", nullptr, 0));
    ASSERT_TRUE(w.AddFile("c5.bin", sample::Random(2000, 52))); // solid: compressed even though it grows
    const Bytes& a = w.Bytes();
    EXPECT_EQ(Le16(&a[10]), rar::MAIN_SOLID);
    const std::vector<FileBlock> f = WalkArchive(a);
    ASSERT_EQ(f.size(), 6u);
    const char* order[] = {"dir", "s3.txt", "e4.dat", "c1.txt", "c2.txt", "c5.bin"};
    for (size_t i = 0; i < f.size(); i++)
    {
        EXPECT_EQ(f[i].name, order[i]);
        const bool compressed = i >= 3;
        EXPECT_EQ(f[i].method, compressed ? 0x33 : 0x30) << order[i];
        EXPECT_EQ((f[i].flags & rar::FILE_SOLID) != 0, i >= 4) << order[i];
    }
    // The second copy of the text is a continuation: it codes to a few bytes.
    EXPECT_LT(f[4].packSize, 40u);
    ExpectUnarExtracts(a, {{"c1.txt", text}, {"c2.txt", text}, {"s3.txt", text}, {"e4.dat", {}}}, "solid layout");
}

TEST(RarWriter, SameInputGivesSameBytes)
{
    const std::vector<Entry> corpus = SmallCorpus();
    for (bool solid : {false, true})
    {
        const Config cfg{"", solid, rar::CompressMode::Auto, 0};
        EXPECT_EQ(Pack(corpus, cfg), Pack(corpus, cfg)) << (solid ? "solid" : "non-solid");
    }
}

// Auto mode codes each kind of data the way that suits it.
TEST(RarWriter, AutoModeChoosesForTheData)
{
    struct Case
    {
        const char* what;
        Bytes data;
        uint8_t method;
        bool multimedia;
        int channels; // 0: any
    };
    const Case cases[] = {
        {"text", sample::Text(40000, 61), 0x33, false, 0},
        {"binary records", sample::Binary(40000, 62), 0x33, false, 0},
        {"noise", sample::Random(40000, 63), 0x30, false, 0},
        {"8-bit mono PCM", sample::Pcm(40000, 1, 8, 64), 0x33, true, 1},
        {"16-bit stereo PCM", sample::Pcm(20000, 2, 16, 65), 0x33, true, 4},
        {"24-bit image", sample::Image(128, 96, 3, 66), 0x33, true, 3},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.what);
        rar::CRarWriter w;
        ASSERT_TRUE(w.AddFile("x", c.data));
        EXPECT_EQ(w.LastMethod(), c.method);
        if (c.method == 0x33)
        {
            EXPECT_EQ(w.LastStats().multimedia, c.multimedia);
            if (c.channels)
                EXPECT_EQ(w.LastStats().channels, c.channels);
        }
    }
}

// Guards against a compressor that is merely correct: repeats, far matches
// and table blocks must pay off.
TEST(RarWriter, CompressesWhatRepeats)
{
    struct Case
    {
        const char* what;
        Bytes data;
        size_t maxPacked;
    };
    const Bytes far = sample::FarRepeat(71);
    const Case cases[] = {
        {"300 KB of zeros", Bytes(300000, 0), 1000},
        {"short pattern", sample::Repeat("abcabd", 120000), 1000},
        // The second copy of the block lies about 1,040,000 bytes back.
        {"block repeated near the window size", far, far.size() - 190000},
        {"text", sample::Text(100000, 72), 45000},
    };
    for (const Case& c : cases)
    {
        rar::CRarWriter w;
        ASSERT_TRUE(w.AddFile("x", c.data, rar::PackMethod::Compress));
        const std::vector<FileBlock> f = WalkArchive(w.Bytes());
        ASSERT_EQ(f.size(), 1u);
        EXPECT_LE(f[0].packSize, c.maxPacked) << c.what;
    }
    // Text then binary in one entry: two table blocks beat one.
    rar::CRarWriter w;
    Bytes two = sample::Text(60000, 73);
    const Bytes bin = sample::Binary(60000, 74);
    two.insert(two.end(), bin.begin(), bin.end());
    ASSERT_TRUE(w.AddFile("two", two, rar::PackMethod::Compress));
    EXPECT_GE(w.LastStats().tableBlocks, 2);
}

TEST(RarWriter, RejectsEntriesItCannotWrite)
{
    rar::CRarWriter w;
    const Bytes before = w.Bytes();
    const Bytes data(10, 'x');
    EXPECT_FALSE(w.AddFile("", data));
    EXPECT_FALSE(w.AddFile(std::string(1025, 'n'), data));
    EXPECT_FALSE(w.AddFile("null", nullptr, 5));
    EXPECT_FALSE(w.AddDirectory(""));
    EXPECT_EQ(w.Bytes(), before);
    EXPECT_TRUE(w.AddFile(std::string(1024, 'n'), data));
}

} // namespace
