// Portable core: a worker thread that unpacks the archive's entries into a
// load's ArchiveLoadCache while the load parses and uploads what it already
// has, so that a second core shares the decoding. It walks the archive from
// its end, the load asks in its own order; where they meet, the one that
// comes second takes the other's bytes (the load waits for an entry the
// worker is decoding, the worker skips one the load has).
#pragma once
#include <atomic>
#include <string>
#include <thread>
#include <vector>

#include "data/ArchiveLoadCache.h"
#include "data/RarArchive.h"

class ArchivePrefetch
{
public:
    // Starts the worker; without a thread the load simply decodes alone.
    ArchivePrefetch(const ArchiveView& archive, ArchiveLoadCache& cache);
    // Stop: the worker ends after the entry in hand, and is waited for.
    ~ArchivePrefetch();
    void Stop();
    ArchivePrefetch(const ArchivePrefetch&) = delete;
    ArchivePrefetch& operator=(const ArchivePrefetch&) = delete;

    bool Running() const { return m_thread.joinable(); }
    // Entries the worker unpacked (final once it stopped).
    uint32_t EntriesUnpacked() const { return m_unpacked.load(); }

private:
    void Run();

    ArchiveView m_archive;
    ArchiveLoadCache& m_cache;
    std::vector<std::string> m_names; // archive order
    std::atomic<bool> m_stop{false};
    std::atomic<uint32_t> m_unpacked{0};
    std::thread m_thread;
};
