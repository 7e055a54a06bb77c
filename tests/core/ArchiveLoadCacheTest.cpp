// The load's cache of unpacked entries: a repeated request is a copy of the
// same bytes, and what must not be kept (solid, decrypted, too large, another
// archive, another thread) is decoded as before. A thread unpacking ahead
// fills the same cache; a request never gets other bytes for it, and never
// waits for an entry nobody unpacks.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <string>
#include <atomic>
#include <chrono>
#include <thread>
#include <vector>

#include "RarArchiveTestSupport.h"
#include "data/ArchiveLoadCache.h"
#include "data/ArchiveUnpackAhead.h"

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

// A claimed entry makes other requests wait until its claim ends: with the
// bytes when they are kept, or with the claim passed on when they are not.
TEST(ArchiveLoadCache, ARequestWaitsForTheClaimOnItsEntry)
{
    const Bytes bytes = Text("unpacked");
    const ArchiveLoadCache::Key key{bytes.data(), 5, uint32_t(bytes.size()), 7};
    for (const bool kept : {true, false})
    {
        ArchiveLoadCache cache;
        ASSERT_TRUE(cache.ClaimIfAbsent(key));
        EXPECT_FALSE(cache.ClaimIfAbsent(key)); // one thread unpacks an entry
        std::atomic<bool> answered{false};
        bool claimed = false;
        uint8_t* copy = nullptr;
        std::thread request([&] {
            copy = cache.Copy(key, &claimed);
            answered = true;
        });
        std::this_thread::sleep_for(std::chrono::milliseconds(30));
        EXPECT_FALSE(answered) << kept;
        if (kept)
            cache.Keep(key, bytes.data());
        else
            cache.Abandon(key);
        request.join();
        if (kept)
        {
            ASSERT_NE(copy, nullptr);
            EXPECT_EQ(Bytes(copy, copy + bytes.size()), bytes);
            EXPECT_FALSE(claimed);
        }
        else
        {
            EXPECT_EQ(copy, nullptr);
            EXPECT_TRUE(claimed); // the waiting request unpacks it now
            cache.Abandon(key);
        }
        std::free(copy);
        EXPECT_EQ(cache.BytesKept(), kept ? bytes.size() : 0u);
    }
}

// Unpacked ahead, every wanted entry is kept, and a request is answered from
// the cache with exactly the bytes it would have decoded; entries left out,
// damaged, encrypted or in a solid archive are left to the requests.
TEST(ArchiveLoadCache, UnpackingAheadKeepsWhatRequestsWouldGet)
{
    const Bytes sample = ReadFileBytes(TestDataPath("scene-sample.rar"));
    const Bytes lz = ReadFileBytes(TestDataPath("lz-codes.rar"));
    const Bytes solid = ReadFileBytes(TestDataPath("solid-pair.rar"));
    const Bytes encrypted = ReadFileBytes(TestDataPath("encrypted.rar"));
    ASSERT_FALSE(sample.empty() || lz.empty() || solid.empty() || encrypted.empty());
    EntrySpec damaged{"pond.txt", Text("pond water")};
    damaged.crc = 1234;
    const Bytes broken = Concat({MarkerAndMain(), FileBlock({"bank.txt", Text("bank")}), FileBlock(damaged)});

    struct Case
    {
        const Bytes* archive;
        ArchiveEntryFilter wanted;
        int kept;
        std::vector<const char*> names; // every one is requested
        uint32_t hits;                  // of those requests
    };
    const ArchiveEntryFilter noAudio = [](const char* name) { return std::strncmp(name, "AUDIO_", 6) != 0; };
    const Case cases[] = {
        {&sample, nullptr, 3, {"camera\\camera01.transobj", "Leaveswater01.tga", "audio\\pcm1.raw"}, 3},
        {&sample, noAudio, 2, {"camera\\camera01.transobj", "audio\\pcm1.raw"}, 1},
        {&lz, nullptr, 1, {"lz\\codes.bin"}, 1},
        {&broken, nullptr, 1, {"bank.txt", "pond.txt"}, 1},
        {&solid, nullptr, 0, {"second.txt"}, 0},
        {&encrypted, nullptr, 1, {"stored20.txt", "plain.txt"}, 1},
    };
    for (const Case& c : cases)
    {
        std::vector<Extracted> plain;
        for (const char* name : c.names)
            plain.push_back(ExtractInPlace(*c.archive, name));
        ArchiveLoadCache cache;
        const std::atomic<bool> stop{false};
        EXPECT_EQ(
            UnpackAheadInto(cache, ArchiveView{c.archive->data(), uint32_t(c.archive->size()), 0}, c.wanted, stop),
            c.kept)
            << c.names[0];
        for (size_t i = 0; i < c.names.size(); ++i)
        {
            const Extracted cached = ExtractInPlace(*c.archive, c.names[i]);
            EXPECT_EQ(cached.ok, plain[i].ok) << c.names[i];
            EXPECT_EQ(cached.bytes, plain[i].bytes) << c.names[i];
            EXPECT_EQ(cached.offsetAfter, plain[i].offsetAfter) << c.names[i];
        }
        EXPECT_EQ(cache.Hits(), c.hits) << c.names[0];
    }

    // asked to stop, it unpacks nothing more
    ArchiveLoadCache cache;
    const std::atomic<bool> stopped{true};
    EXPECT_EQ(UnpackAheadInto(cache, ArchiveView{sample.data(), uint32_t(sample.size()), 0}, nullptr, stopped), 0);
}

// The thread and the requests race over the same entries, round after round:
// every request gets its entry's bytes, and each entry is decoded once.
TEST(ArchiveLoadCache, ThreadUnpackingAheadRacesTheRequests)
{
    const Bytes sample = ReadFileBytes(TestDataPath("scene-sample.rar"));
    const Bytes lz = ReadFileBytes(TestDataPath("lz-codes.rar"));
    ASSERT_FALSE(sample.empty() || lz.empty());
    const char* const names[] = {"lz\\codes.bin", "camera\\camera01.transobj", "Leaveswater01.tga", "audio\\pcm1.raw"};
    std::vector<Extracted> plain;
    for (const char* name : names)
        plain.push_back(ExtractInPlace(name[0] == 'l' ? lz : sample, name));
    for (int round = 0; round < 20; ++round)
    {
        ArchiveLoadCache cache;
        {
            const ArchiveUnpackAhead ahead(cache, ArchiveView{lz.data(), uint32_t(lz.size()), 0}, nullptr, 2);
            const ArchiveUnpackAhead aheadToo(cache, ArchiveView{sample.data(), uint32_t(sample.size()), 0}, nullptr,
                                              2);
            EXPECT_TRUE(ahead.Running());
            for (int pass = 0; pass < 2; ++pass)
                for (size_t i = 0; i < plain.size(); ++i)
                    EXPECT_EQ(ExtractInPlace(names[i][0] == 'l' ? lz : sample, names[i]).bytes, plain[i].bytes);
        }
        // each entry kept once, whichever thread unpacked it
        size_t total = 0;
        for (const Extracted& e : plain)
            total += e.bytes.size();
        EXPECT_EQ(cache.BytesKept(), total);
    }

    // one processor: no thread, and the requests unpack as before
    ArchiveLoadCache cache;
    ArchiveUnpackAhead alone(cache, ArchiveView{lz.data(), uint32_t(lz.size()), 0}, nullptr, 1);
    EXPECT_FALSE(alone.Running());
    EXPECT_EQ(alone.Finish(), 0);
    EXPECT_EQ(ExtractInPlace(lz, "lz\\codes.bin").bytes, plain[0].bytes);
    EXPECT_EQ(cache.Hits(), 0u);
}

} // namespace
