#include "data/ArchivePrefetch.h"

#include <cstdlib>

ArchivePrefetch::ArchivePrefetch(const ArchiveView& archive, Sync& sync, uint32_t holdLimit)
    : m_archive{archive.data, archive.size, 0}, m_sync(sync), m_holdLimit(holdLimit)
{
    if (!ArchiveIsSolid(m_archive))
        ListArchiveEntries(m_archive, ListEntry, this);
}

ArchivePrefetch::~ArchivePrefetch()
{
    for (Entry& e : m_entries)
        std::free(e.data);
}

void ArchivePrefetch::ListEntry(void* context, const char* name, uint32_t)
{
    auto* self = static_cast<ArchivePrefetch*>(context);
    // a later entry of the same name is never what the reader finds
    if (self->m_byName.emplace(name, self->m_entries.size()).second)
        self->m_entries.push_back(Entry{name});
}

bool ArchivePrefetch::UnpackNext()
{
    m_sync.Lock();
    // the load takes what it needs; a worker far ahead waits for it
    while (!m_stopped && m_held > m_holdLimit)
        m_sync.Wait();
    while (m_next < m_entries.size() && m_entries[m_next].state != State::Free)
        ++m_next;
    if (m_stopped || m_next == m_entries.size())
    {
        m_sync.Unlock();
        return false;
    }
    Entry& e = m_entries[m_next++];
    e.state = State::Unpacking;
    m_sync.Unlock();

    ArchiveView view = m_archive;
    unsigned char* data = nullptr;
    uint32_t size = 0;
    const bool ok = ExtractArchiveEntry("", e.name.c_str(), &data, &size, &view);

    m_sync.Lock();
    e.state = ok ? State::Ready : State::Done;
    e.data = data;
    e.size = size;
    if (ok)
        m_held += size;
    m_sync.Signal();
    m_sync.Unlock();
    return true;
}

void ArchivePrefetch::Stop()
{
    m_sync.Lock();
    m_stopped = true;
    m_sync.Signal();
    m_sync.Unlock();
}

uint8_t* ArchivePrefetch::Take(const uint8_t* archiveData, const char* name, uint32_t* size)
{
    *size = 0;
    if (archiveData != m_archive.data || name == nullptr)
        return nullptr;
    const auto found = m_byName.find(name);
    if (found == m_byName.end())
        return nullptr;
    Entry& e = m_entries[found->second];

    m_sync.Lock();
    while (e.state == State::Unpacking)
        m_sync.Wait();
    uint8_t* data = nullptr;
    if (e.state == State::Ready)
    {
        data = e.data;
        *size = e.size;
        e.data = nullptr;
        m_held -= e.size;
        ++m_takenReady;
        m_sync.Signal(); // a worker waiting for room may go on
    }
    e.state = State::Done;
    m_sync.Unlock();
    return data;
}
