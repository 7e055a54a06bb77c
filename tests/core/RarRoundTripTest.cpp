// Archives from our writer read back by our reader: entries larger than the
// window whose content changes midway (new code tables inside one entry),
// and a solid archive read in any order, every request on its own.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>

#include "data/RarArchive.h"
#include "data/RarWriter.h"
#include "tools/samples/SampleCorpus.h"

namespace {

using sample::Bytes;

bool ReadsBack(const Bytes& archive, const sample::Entry& e)
{
    ArchiveView view{archive.data(), uint32_t(archive.size()), 0};
    unsigned char* data = nullptr;
    uint32_t size = 0;
    bool ok = ExtractArchiveEntry("", e.name.c_str(), &data, &size, &view) && size == e.data.size() &&
              (size == 0 || std::memcmp(data, e.data.data(), size) == 0);
    std::free(data);
    return ok;
}

Bytes Concat(std::initializer_list<Bytes> parts)
{
    Bytes out;
    for (const Bytes& p : parts)
        out.insert(out.end(), p.begin(), p.end());
    return out;
}

struct ModeCase
{
    const char* label;
    rar::CompressMode mode;
    int channels;
};

TEST(RarRoundTrip, LargeEntriesWithChangingContent)
{
    // 1.4 MB: text, then 16-bit stereo sound, then records, then the text
    // again from about 1 MiB back (only partly reachable through the window)
    const Bytes text = sample::Text(300000, 41);
    const sample::Entry big{"scene\\big.bin",
                            Concat({text, sample::Pcm(100000, 2, 16, 42), sample::Binary(400000, 43), text})};
    const ModeCase cases[] = {
        {"LZ", rar::CompressMode::Lz, 0},
        {"auto", rar::CompressMode::Auto, 0},
    };
    for (const ModeCase& c : cases)
    {
        SCOPED_TRACE(c.label);
        rar::WriterOptions o;
        o.compress.mode = c.mode;
        o.compress.channels = c.channels;
        rar::CRarWriter w(o);
        ASSERT_TRUE(w.AddFile(big.name, big.data, rar::PackMethod::Compress));
        EXPECT_GT(w.LastStats().tableBlocks, 1);
        EXPECT_TRUE(ReadsBack(w.Bytes(), big));
    }
}

TEST(RarRoundTrip, SolidEntriesInAnyOrder)
{
    const std::vector<sample::Entry> corpus = {
        {"a.txt", sample::Text(40000, 51)},      {"b16s.raw", sample::Pcm(20000, 2, 16, 52)},
        {"c.txt", sample::Text(30000, 51)}, // repeats a.txt from far back
        {"d.tga", sample::Image(64, 32, 4, 53)}, {"e.bin", sample::Binary(70000, 54)},
    };
    rar::WriterOptions o;
    o.solid = true;
    rar::CRarWriter w(o);
    for (const sample::Entry& e : corpus)
        ASSERT_TRUE(w.AddFile(e.name, e.data, rar::PackMethod::Compress));
    const Bytes& archive = w.Bytes();
    for (int i = int(corpus.size()) - 1; i >= 0; --i)
        EXPECT_TRUE(ReadsBack(archive, corpus[size_t(i)])) << corpus[size_t(i)].name;
    EXPECT_TRUE(ReadsBack(archive, corpus[3]));
    EXPECT_TRUE(ReadsBack(archive, corpus[0]));

    // without the earlier entries' window the later ones cannot decode
    Bytes notSolid = archive;
    notSolid[10] &= uint8_t(~0x08);
    EXPECT_TRUE(ReadsBack(notSolid, corpus[0]));
    EXPECT_FALSE(ReadsBack(notSolid, corpus[2]));
}

} // namespace
