// Windows layer: the thread that unpacks a load's archive entries ahead of it.
#include "data/win/ArchivePrefetchThread.h"

CArchivePrefetchThread::CArchivePrefetchThread(const ArchiveView& archive, ArchiveLoadCache& cache)
    : m_prefetch(archive, *this), m_cache(cache)
{
    InitializeCriticalSection(&m_lock);
    SYSTEM_INFO system = {};
    GetSystemInfo(&system);
    if (system.dwNumberOfProcessors < 2 || m_prefetch.EntryCount() == 0)
        return;
    m_hSignal = CreateEventA(nullptr, FALSE, FALSE, nullptr);
    if (m_hSignal == nullptr)
        return;
    // Windows 9x creates no thread without somewhere to write its id
    DWORD threadId = 0;
    m_hThread = CreateThread(nullptr, 0, ThreadMain, this, 0, &threadId);
    if (m_hThread != nullptr)
        m_cache.UsePrefetch(&m_prefetch);
}

CArchivePrefetchThread::~CArchivePrefetchThread()
{
    if (m_hThread != nullptr)
    {
        m_prefetch.Stop();
        WaitForSingleObject(m_hThread, INFINITE);
        CloseHandle(m_hThread);
        m_cache.UsePrefetch(nullptr);
    }
    if (m_hSignal != nullptr)
        CloseHandle(m_hSignal);
    DeleteCriticalSection(&m_lock);
}

void CArchivePrefetchThread::Wait()
{
    // an auto-reset event wakes one waiter; the other looks again a moment later
    LeaveCriticalSection(&m_lock);
    WaitForSingleObject(m_hSignal, 1);
    EnterCriticalSection(&m_lock);
}

DWORD WINAPI CArchivePrefetchThread::ThreadMain(void* self)
{
    ArchivePrefetch& prefetch = static_cast<CArchivePrefetchThread*>(self)->m_prefetch;
    while (prefetch.UnpackNext())
    {}
    return 0;
}
