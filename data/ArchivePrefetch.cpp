#include "data/ArchivePrefetch.h"

#include <system_error>

ArchivePrefetch::ArchivePrefetch(const ArchiveView& archive, ArchiveLoadCache& cache)
    : m_archive{archive.data, archive.size, 0}, m_cache(cache)
{
    try
    {
        ListArchiveEntries(
            m_archive,
            [](void* context, const char* name, uint32_t size) {
                if (size > 0)
                    static_cast<std::vector<std::string>*>(context)->push_back(name);
            },
            &m_names);
        m_thread = std::thread(&ArchivePrefetch::Run, this);
    }
    catch (const std::exception&)
    {
        // no list or no thread: nothing is unpacked ahead
    }
}

ArchivePrefetch::~ArchivePrefetch()
{
    Stop();
}

void ArchivePrefetch::Stop()
{
    m_stop = true;
    if (m_thread.joinable())
        m_thread.join();
}

void ArchivePrefetch::Run()
{
    const ArchiveLoadCache::Serve serve(m_cache);
    for (auto name = m_names.rbegin(); name != m_names.rend() && !m_stop; ++name)
    {
        if (UnpackEntryAhead(m_archive, name->c_str()))
            ++m_unpacked;
    }
}
