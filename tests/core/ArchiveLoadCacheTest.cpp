// The load's cache of unpacked entries: a repeated request is a copy of the
// same bytes, and what must not be kept (solid, decrypted, too large, another
// archive, another thread) is decoded as before.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <thread>

#include "RarArchiveTestSupport.h"
#include "data/ArchiveLoadCache.h"

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

} // namespace
