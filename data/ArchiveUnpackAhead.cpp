#include "data/ArchiveUnpackAhead.h"

#include <system_error>

ArchiveUnpackAhead::ArchiveUnpackAhead(ArchiveLoadCache& cache, const ArchiveView& archive, ArchiveEntryFilter wanted,
                                       unsigned processors)
{
    if (processors < 2)
        return;
    try
    {
        m_thread = std::thread([this, &cache, archive, wanted] {
            m_kept.store(UnpackAheadInto(cache, archive, wanted, m_stop), std::memory_order_release);
        });
    }
    catch (const std::system_error&)
    {
        // no thread: the load unpacks every entry itself, as on one processor
    }
}

ArchiveUnpackAhead::~ArchiveUnpackAhead()
{
    m_stop.store(true, std::memory_order_relaxed);
    if (m_thread.joinable())
        m_thread.join();
}

int ArchiveUnpackAhead::Finish()
{
    if (m_thread.joinable())
        m_thread.join();
    return m_kept.load(std::memory_order_acquire);
}
