// Windows layer: the thread that unpacks a load's archive entries ahead of
// it (see data/ArchivePrefetch.h), attached to the load's entry cache.
#pragma once
#include <windows.h>

#include "data/ArchiveLoadCache.h"
#include "data/ArchivePrefetch.h"

class CArchivePrefetchThread : private ArchivePrefetch::Sync
{
public:
    // Starts unpacking the archive's entries for the loads that go through
    // cache. Without a thread (or with one processor, where it would only
    // take turns with the load) the load unpacks everything itself.
    CArchivePrefetchThread(const ArchiveView& archive, ArchiveLoadCache& cache);
    // Stops the thread at its next entry, waits for it, detaches the cache
    // and frees what the load did not take.
    ~CArchivePrefetchThread();
    CArchivePrefetchThread(const CArchivePrefetchThread&) = delete;
    CArchivePrefetchThread& operator=(const CArchivePrefetchThread&) = delete;

    bool Running() const { return m_hThread != nullptr; }

private:
    void Lock() override { EnterCriticalSection(&m_lock); }
    void Unlock() override { LeaveCriticalSection(&m_lock); }
    void Wait() override;
    void Signal() override { SetEvent(m_hSignal); }
    static DWORD WINAPI ThreadMain(void* self);

    CRITICAL_SECTION m_lock;
    HANDLE m_hSignal = nullptr;
    HANDLE m_hThread = nullptr;
    ArchivePrefetch m_prefetch;
    ArchiveLoadCache& m_cache;
};
