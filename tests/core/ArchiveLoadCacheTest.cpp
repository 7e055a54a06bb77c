// The load's cache of unpacked entries: a repeated request is a copy of the
// same bytes, and what must not be kept (solid, decrypted, too large, another
// archive, another thread) is decoded as before; the worker that unpacks ahead
// shares the decoding with the requests without doing any entry twice.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <thread>

#include "RarArchiveTestSupport.h"
#include "data/ArchiveLoadCache.h"
#include "data/ArchivePrefetch.h"
#include "data/RarWriter.h"

using namespace rartest;

namespace {

struct Extracted
{
    bool ok = false;
    Bytes bytes;
    const void* buffer = nullptr;
    uint32_t offsetAfter = 0;
};

// One request over the archive in place (the cache knows entries by where
// their packed bytes lie).
Extracted ExtractInPlace(const Bytes& archive, const char* name, const char* password = "")
{
    ArchiveView view{archive.data(), uint32_t(archive.size()), 0};
    unsigned char* data = nullptr;
    uint32_t size = 0;
    Extracted e;
    e.ok = ExtractArchiveEntry(password, name, &data, &size, &view);
    if (e.ok)
        e.bytes.assign(data, data + size);
    e.buffer = data;
    e.offsetAfter = view.offset;
    std::free(data);
    return e;
}

TEST(ArchiveLoadCache, RepeatedRequestIsACopyOfTheSameEntry)
{
    const Bytes archive = ReadFileBytes(TestDataPath("lz-codes.rar"));
    ASSERT_FALSE(archive.empty());
    const Extracted plain = ExtractInPlace(archive, "lz\\codes.bin");
    ASSERT_TRUE(plain.ok);

    ArchiveLoadCache cache;
    EXPECT_EQ(ArchiveLoadCache::Active(), &cache);
    const Extracted first = ExtractInPlace(archive, "lz\\codes.bin");
    EXPECT_EQ(cache.Hits(), 0u);
    EXPECT_EQ(cache.BytesKept(), plain.bytes.size());
    // another spelling of the same name
    const Extracted second = ExtractInPlace(archive, "LZ/CODES.BIN");
    EXPECT_EQ(cache.Hits(), 1u);
    EXPECT_TRUE(second.ok);
    EXPECT_EQ(first.bytes, plain.bytes);
    EXPECT_EQ(second.bytes, plain.bytes);
    EXPECT_EQ(second.offsetAfter, plain.offsetAfter);
    // a name the archive lacks still fails
    EXPECT_FALSE(ExtractInPlace(archive, "lz\\missing.bin").ok);
}

TEST(ArchiveLoadCache, KeepsOnlyWhatIsSafeToHandOutAgain)
{
    const Bytes solid = ReadFileBytes(TestDataPath("solid-pair.rar"));
    const Bytes encrypted = ReadFileBytes(TestDataPath("encrypted.rar"));
    const Bytes lz = ReadFileBytes(TestDataPath("lz-codes.rar"));
    ASSERT_FALSE(solid.empty() || encrypted.empty() || lz.empty());
    {
        ArchiveLoadCache cache;
        // solid entries need the earlier entries' state: decoded every time
        EXPECT_TRUE(ExtractInPlace(solid, "second.txt").ok);
        EXPECT_TRUE(ExtractInPlace(solid, "second.txt").ok);
        // a decrypted entry must not outlive the request that had the password
        EXPECT_TRUE(ExtractInPlace(encrypted, "stored20.txt", "Quenmoor pond 2.0").ok);
        EXPECT_FALSE(ExtractInPlace(encrypted, "stored20.txt", "").ok);
        EXPECT_EQ(cache.BytesKept(), 0u);
        EXPECT_EQ(cache.Hits(), 0u);
    }
    {
        ArchiveLoadCache small(1000);
        EXPECT_TRUE(ExtractInPlace(lz, "lz\\codes.bin").ok);
        EXPECT_TRUE(ExtractInPlace(lz, "lz\\codes.bin").ok);
        EXPECT_EQ(small.BytesKept(), 0u);
        EXPECT_EQ(small.Hits(), 0u);
    }
}

TEST(ArchiveLoadCache, ArchivesThreadsAndNestingStayApart)
{
    EntrySpec a{"pond.txt", Text("pond one")};
    EntrySpec b{"pond.txt", Text("pond two")};
    const Bytes first = Concat({MarkerAndMain(), FileBlock(a)});
    const Bytes second = Concat({MarkerAndMain(), FileBlock(b)});

    EXPECT_EQ(ArchiveLoadCache::Active(), nullptr);
    ArchiveLoadCache outer;
    EXPECT_EQ(ExtractInPlace(first, "pond.txt").bytes, a.data);
    EXPECT_EQ(ExtractInPlace(second, "pond.txt").bytes, b.data);
    EXPECT_EQ(ExtractInPlace(first, "pond.txt").bytes, a.data);
    EXPECT_EQ(outer.Hits(), 1u);

    std::thread other([] { EXPECT_EQ(ArchiveLoadCache::Active(), nullptr); });
    other.join();
    {
        ArchiveLoadCache inner;
        EXPECT_EQ(ArchiveLoadCache::Active(), &inner);
        EXPECT_EQ(ExtractInPlace(first, "pond.txt").bytes, a.data);
        EXPECT_EQ(inner.Hits(), 0u);
    }
    EXPECT_EQ(ArchiveLoadCache::Active(), &outer);
}

// An archive of compressed entries of mixed sizes, each with its own bytes.
struct PackedSet
{
    std::vector<std::string> names;
    std::vector<Bytes> contents;
    Bytes archive;
};

PackedSet MakePackedSet(int count)
{
    PackedSet set;
    rar::CRarWriter writer;
    uint32_t seed = 12345;
    for (int i = 0; i < count; ++i)
    {
        Bytes content(size_t(2000 + (i % 7) * 9000));
        for (size_t k = 0; k < content.size(); ++k)
        {
            seed = seed * 1103515245u + 12345u;
            // repeats for the LZ coder, noise so that entries differ
            content[k] = uint8_t((k % 61) < 40 ? (k * i) & 0xff : seed >> 24);
        }
        set.names.push_back("part\\entry" + std::to_string(i) + ".bin");
        EXPECT_TRUE(writer.AddFile(set.names.back(), content, rar::PackMethod::Compress));
        set.contents.push_back(content);
    }
    set.archive = writer.Bytes();
    return set;
}

TEST(ArchivePrefetch, RequestsMeetTheWorkerAndEveryEntryIsUnpackedOnce)
{
    const PackedSet set = MakePackedSet(48);
    size_t total = 0;
    for (const Bytes& c : set.contents)
        total += c.size();
    const ArchiveView view{set.archive.data(), uint32_t(set.archive.size()), 0};
    // Forward meets the worker's backward walk in the middle; backward follows
    // it, so that requests often wait for an entry the worker is decoding.
    for (const bool forward : {true, false})
    {
        SCOPED_TRACE(forward ? "forward" : "backward");
        ArchiveLoadCache cache;
        {
            ArchivePrefetch ahead(view, cache);
            EXPECT_TRUE(ahead.Running());
            for (int n = 0; n < int(set.names.size()); ++n)
            {
                const int i = forward ? n : int(set.names.size()) - 1 - n;
                const Extracted e = ExtractInPlace(set.archive, set.names[size_t(i)].c_str());
                ASSERT_TRUE(e.ok);
                EXPECT_EQ(e.bytes, set.contents[size_t(i)]);
            }
            ahead.Stop();
            // each entry decoded by one thread only: the requests copied
            // exactly what the worker had unpacked before them
            EXPECT_EQ(cache.BytesKept(), total);
            EXPECT_EQ(cache.Hits(), ahead.EntriesUnpacked());
        }
    }
}

TEST(ArchivePrefetch, StopsWhenTheLoadEndsAndLeavesNothingBehind)
{
    const PackedSet set = MakePackedSet(48);
    const ArchiveView view{set.archive.data(), uint32_t(set.archive.size()), 0};
    ArchiveLoadCache cache;
    {
        const ArchivePrefetch ahead(view, cache);
    }
    // the worker ended without finishing (or finished): either way it is gone
    // and what it kept is whole
    const Extracted last = ExtractInPlace(set.archive, set.names.back().c_str());
    EXPECT_EQ(last.bytes, set.contents.back());

    // nothing it may keep (a solid archive) or nothing at all: no work
    const Bytes solid = ReadFileBytes(TestDataPath("solid-pair.rar"));
    for (const ArchiveView& other : {ArchiveView{solid.data(), uint32_t(solid.size()), 0}, ArchiveView{nullptr, 0, 0}})
    {
        ArchiveLoadCache otherCache;
        ArchivePrefetch none(other, otherCache);
        none.Stop();
        EXPECT_EQ(none.EntriesUnpacked(), 0u);
        EXPECT_EQ(otherCache.BytesKept(), 0u);
    }
}

} // namespace
