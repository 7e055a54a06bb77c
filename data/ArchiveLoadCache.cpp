#include "data/ArchiveLoadCache.h"

#include <cstdlib>
#include <cstring>
#include <functional>
#include <new>

namespace {

// Per thread, so that a sound thread reading the archive while a load runs
// never sees the load's cache.
thread_local ArchiveLoadCache* t_active = nullptr;

} // namespace

ArchiveLoadCache::ArchiveLoadCache(uint32_t byteLimit) : m_byteLimit(byteLimit), m_outer(t_active)
{
    t_active = this;
}

ArchiveLoadCache::~ArchiveLoadCache()
{
    t_active = m_outer;
}

ArchiveLoadCache* ArchiveLoadCache::Active()
{
    return t_active;
}

ArchiveLoadCache::Serve::Serve(ArchiveLoadCache& cache) : m_outer(t_active)
{
    t_active = &cache;
}

ArchiveLoadCache::Serve::~Serve()
{
    t_active = m_outer;
}

size_t ArchiveLoadCache::KeyHash::operator()(const Key& key) const
{
    size_t h = std::hash<const void*>()(key.packed);
    h = h * 31 + key.packSize;
    h = h * 31 + key.unpSize;
    return h * 31 + key.crc;
}

bool ArchiveLoadCache::KeyEqual::operator()(const Key& a, const Key& b) const
{
    return a.packed == b.packed && a.packSize == b.packSize && a.unpSize == b.unpSize && a.crc == b.crc;
}

ArchiveLoadCache::Claim ArchiveLoadCache::Take(const Key& key, bool ahead, uint8_t** copy)
{
    *copy = nullptr;
    std::unique_lock<std::mutex> lock(m_mutex);
    for (;;)
    {
        const auto found = m_slots.find(key);
        if (found == m_slots.end())
            break;
        if (found->second.kept)
        {
            if (ahead)
                return Claim::Skip;
            const std::vector<uint8_t>& bytes = found->second.bytes;
            *copy = static_cast<uint8_t*>(std::malloc(bytes.empty() ? 1 : bytes.size()));
            if (*copy == nullptr)
                return Claim::Skip;
            if (!bytes.empty())
                std::memcpy(*copy, bytes.data(), bytes.size());
            ++m_hits;
            return Claim::Copied;
        }
        if (ahead)
            return Claim::Skip;
        m_decoded.wait(lock);
    }
    try
    {
        m_slots.emplace(key, Slot());
    }
    catch (const std::bad_alloc&)
    {
        // no claim to hold: the caller decodes without keeping, or skips
        return ahead ? Claim::Skip : Claim::Decode;
    }
    return Claim::Decode;
}

void ArchiveLoadCache::Keep(const Key& key, const uint8_t* bytes)
{
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        const auto found = m_slots.find(key);
        if (found == m_slots.end() || found->second.kept)
            return;
        bool kept = false;
        if (key.unpSize <= m_byteLimit - m_bytesKept)
        {
            try
            {
                found->second.bytes.assign(bytes, bytes + key.unpSize);
                kept = true;
            }
            catch (const std::bad_alloc&)
            {
                // not kept: a later request decodes the entry again
            }
        }
        if (kept)
        {
            found->second.kept = true;
            m_bytesKept += key.unpSize;
        }
        else
        {
            m_slots.erase(found);
        }
    }
    m_decoded.notify_all();
}

void ArchiveLoadCache::Drop(const Key& key)
{
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        const auto found = m_slots.find(key);
        if (found == m_slots.end() || found->second.kept)
            return;
        m_slots.erase(found);
    }
    m_decoded.notify_all();
}

uint32_t ArchiveLoadCache::Hits() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_hits;
}

uint32_t ArchiveLoadCache::BytesKept() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_bytesKept;
}
