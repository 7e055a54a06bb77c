// Portable core: while a scene loads, a second thread unpacks the archive's
// entries into the load's cache ahead of its requests, so that the load's
// own thread spends its time on the device rather than in the decoder. On a
// single processor no thread is started: the two would only take turns.
#pragma once
#include <atomic>
#include <thread>

#include "data/ArchiveLoadCache.h"
#include "data/RarArchive.h"

class ArchiveUnpackAhead
{
public:
    // The cache and the archive's bytes must outlive this object.
    ArchiveUnpackAhead(ArchiveLoadCache& cache, const ArchiveView& archive, ArchiveEntryFilter wanted,
                       unsigned processors = std::thread::hardware_concurrency());
    // Stops after the entry in hand and waits for the thread.
    ~ArchiveUnpackAhead();
    ArchiveUnpackAhead(const ArchiveUnpackAhead&) = delete;
    ArchiveUnpackAhead& operator=(const ArchiveUnpackAhead&) = delete;

    bool Running() const { return m_thread.joinable(); }
    // Waits until every wanted entry is unpacked; how many were kept.
    int Finish();

private:
    std::atomic<bool> m_stop{false};
    std::atomic<int> m_kept{0};
    std::thread m_thread;
};
