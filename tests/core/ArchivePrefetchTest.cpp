// Entries unpacked on a second thread for a load: the load gets the same
// bytes as when it unpacks them itself, each entry is unpacked by one thread,
// a worker holding too much waits and still stops, and what cannot be
// unpacked apart (a solid archive, a damaged entry) is left to the reader.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "RarArchiveTestSupport.h"
#include "data/ArchiveLoadCache.h"
#include "data/ArchivePrefetch.h"
#include "data/RarWriter.h"

using namespace rartest;

namespace {

class ThreadSync : public ArchivePrefetch::Sync
{
public:
    void Lock() override { m_mutex.lock(); }
    void Unlock() override { m_mutex.unlock(); }
    void Wait() override
    {
        std::unique_lock<std::mutex> lock(m_mutex, std::adopt_lock);
        m_signal.wait_for(lock, std::chrono::milliseconds(1));
        lock.release();
    }
    void Signal() override { m_signal.notify_all(); }

private:
    std::mutex m_mutex;
    std::condition_variable m_signal;
};

struct Archive
{
    std::vector<std::string> names;
    std::vector<Bytes> contents;
    Bytes bytes;
};

// Entries of a few kilobytes each, compressed and stored, with a repeated
// name at the end (the reader finds the first).
Archive MakeArchive(bool solid)
{
    Archive a;
    rar::WriterOptions options;
    options.solid = solid;
    rar::CRarWriter writer(options);
    for (int i = 0; i < 24; ++i)
    {
        Bytes content(2000 + 373 * i);
        for (size_t k = 0; k < content.size(); ++k)
            content[k] = uint8_t((k * (i + 3)) ^ (k >> 5) ^ i);
        const std::string name = "dir\\entry" + std::to_string(i) + ".bin";
        EXPECT_TRUE(writer.AddFile(name, content, i % 4 == 0 ? rar::PackMethod::Store : rar::PackMethod::Compress));
        a.names.push_back(name);
        a.contents.push_back(content);
    }
    EXPECT_TRUE(writer.AddFile("dir\\entry3.bin", Bytes(10, 7)));
    a.bytes = writer.Bytes();
    return a;
}

Bytes ExtractWith(const Bytes& archive, const std::string& name, bool* ok)
{
    ArchiveView view{archive.data(), uint32_t(archive.size()), 0};
    unsigned char* data = nullptr;
    uint32_t size = 0;
    *ok = ExtractArchiveEntry("", name.c_str(), &data, &size, &view);
    Bytes out;
    if (*ok)
        out.assign(data, data + size);
    std::free(data);
    return out;
}

// The names as the reader matches them, in archive order.
std::vector<std::string> NormalisedNames(const Bytes& archive)
{
    std::vector<std::string> names;
    ListArchiveEntries(
        {archive.data(), uint32_t(archive.size()), 0},
        [](void* context, const char* name, uint32_t) {
            static_cast<std::vector<std::string>*>(context)->push_back(name);
        },
        &names);
    return names;
}

} // namespace

TEST(ArchivePrefetch, TheLoadGetsTheSameBytesWithAWorkerAheadBesideOrBehindIt)
{
    const Archive a = MakeArchive(false);
    enum Timing
    {
        WorkerFirst,
        Together,
        WorkerNever
    };
    for (const Timing timing : {WorkerFirst, Together, WorkerNever})
    {
        SCOPED_TRACE(timing);
        ThreadSync sync;
        ArchivePrefetch prefetch({a.bytes.data(), uint32_t(a.bytes.size()), 0}, sync);
        ASSERT_EQ(prefetch.EntryCount(), a.names.size()); // the repeated name once
        int unpackedByWorker = 0;
        std::thread worker;
        if (timing == WorkerFirst)
            while (prefetch.UnpackNext())
                ++unpackedByWorker;
        else if (timing == Together)
            worker = std::thread([&] {
                while (prefetch.UnpackNext())
                    ++unpackedByWorker;
            });

        {
            ArchiveLoadCache cache;
            cache.UsePrefetch(&prefetch);
            // the load asks in another order than the archive's, one twice
            for (size_t k = a.names.size(); k-- > 0;)
            {
                bool ok = false;
                EXPECT_EQ(ExtractWith(a.bytes, a.names[k], &ok), a.contents[k]) << a.names[k];
                EXPECT_TRUE(ok);
            }
            bool ok = false;
            EXPECT_EQ(ExtractWith(a.bytes, "DIR/ENTRY5.BIN", &ok), a.contents[5]);
            EXPECT_EQ(cache.Hits(), 1u);
        }
        prefetch.Stop();
        if (worker.joinable())
            worker.join();
        // every entry the worker unpacked reached the load, and no other
        EXPECT_EQ(prefetch.TakenReady(), uint32_t(unpackedByWorker));
        if (timing == WorkerFirst)
            EXPECT_EQ(unpackedByWorker, int(a.names.size()));
        if (timing == WorkerNever)
            EXPECT_EQ(unpackedByWorker, 0);
    }
}

TEST(ArchivePrefetch, AWorkerHoldingTooMuchWaitsForTheLoadAndStillStops)
{
    const Archive a = MakeArchive(false);
    ThreadSync sync;
    ArchivePrefetch prefetch({a.bytes.data(), uint32_t(a.bytes.size()), 0}, sync, 1);
    std::atomic<int> unpacked{0};
    std::thread worker([&] {
        while (prefetch.UnpackNext())
            ++unpacked;
    });
    // one entry ready, then the worker waits for room
    while (unpacked.load() < 1)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    EXPECT_EQ(unpacked.load(), 1);
    const std::vector<std::string> names = NormalisedNames(a.bytes);
    uint32_t size = 0;
    uint8_t* first = prefetch.Take(a.bytes.data(), names[0].c_str(), &size);
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(Bytes(first, first + size), a.contents[0]);
    std::free(first);
    // taking it made room for the next
    while (unpacked.load() < 2)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    prefetch.Stop();
    worker.join();
    EXPECT_EQ(unpacked.load(), 2);
    // the rest are the load's own
    EXPECT_EQ(prefetch.Take(a.bytes.data(), names[7].c_str(), &size), nullptr);
}

TEST(ArchivePrefetch, WhatCannotBeUnpackedApartIsLeftToTheReader)
{
    ThreadSync sync;
    {
        const Archive solid = MakeArchive(true);
        ArchivePrefetch prefetch({solid.bytes.data(), uint32_t(solid.bytes.size()), 0}, sync);
        EXPECT_EQ(prefetch.EntryCount(), 0u);
        EXPECT_FALSE(prefetch.UnpackNext());
    }
    {
        // the last byte of a stored entry broken: its CRC fails
        const Archive a = MakeArchive(false);
        ArchiveView find{a.bytes.data(), uint32_t(a.bytes.size()), 0};
        unsigned char* data = nullptr;
        uint32_t size = 0;
        ASSERT_TRUE(ExtractArchiveEntry("", a.names[4].c_str(), &data, &size, &find));
        std::free(data);
        Bytes broken = a.bytes;
        broken[find.offset - 1] ^= 0x5A;
        bool ok = true;
        ExtractWith(broken, a.names[4], &ok);
        ASSERT_FALSE(ok);

        ArchivePrefetch prefetch({broken.data(), uint32_t(broken.size()), 0}, sync);
        while (prefetch.UnpackNext())
        {}
        const std::vector<std::string> names = NormalisedNames(broken);
        uint32_t got = 7;
        EXPECT_EQ(prefetch.Take(broken.data(), names[4].c_str(), &got), nullptr);
        EXPECT_EQ(got, 0u);
        // another archive's entry of the same name is not this one's
        EXPECT_EQ(prefetch.Take(a.bytes.data(), names[2].c_str(), &got), nullptr);
        ArchiveLoadCache cache;
        cache.UsePrefetch(&prefetch);
        ExtractWith(broken, a.names[4], &ok);
        EXPECT_FALSE(ok);
        EXPECT_EQ(ExtractWith(broken, a.names[2], &ok), a.contents[2]);
        EXPECT_TRUE(ok);
    }
}
