#include "data/ArchiveLoadCache.h"

#include <cstdlib>
#include <cstring>
#include <functional>
#include <new>
#include <utility>

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

uint8_t* ArchiveLoadCache::Copy(const Key& key, bool* claimed)
{
    if (claimed != nullptr)
        *claimed = false;
    std::unique_lock<std::mutex> lock(m_lock);
    for (;;)
    {
        const auto found = m_entries.find(key);
        if (found == m_entries.end())
        {
            if (claimed != nullptr)
            {
                try
                {
                    m_entries.emplace(key, Slot());
                    *claimed = true;
                }
                catch (const std::bad_alloc&)
                {
                    // unclaimed: the caller decodes the entry all the same
                }
            }
            return nullptr;
        }
        if (!found->second.ready)
        {
            m_settled.wait(lock);
            continue;
        }
        const std::vector<uint8_t>& bytes = found->second.bytes;
        uint8_t* copy = static_cast<uint8_t*>(std::malloc(bytes.empty() ? 1 : bytes.size()));
        if (copy == nullptr)
            return nullptr;
        if (!bytes.empty())
            std::memcpy(copy, bytes.data(), bytes.size());
        ++m_hits;
        return copy;
    }
}

void ArchiveLoadCache::Settle(const Key& key, std::vector<uint8_t>* bytes)
{
    const auto found = m_entries.find(key);
    if (found != m_entries.end() && !found->second.ready)
    {
        if (bytes != nullptr && key.unpSize <= m_byteLimit - m_bytesKept && bytes->size() == key.unpSize)
        {
            found->second.bytes.swap(*bytes);
            found->second.ready = true;
            m_bytesKept += key.unpSize;
        }
        else
        {
            m_entries.erase(found);
        }
    }
    m_settled.notify_all();
}

void ArchiveLoadCache::Keep(const Key& key, const uint8_t* bytes)
{
    std::vector<uint8_t> copy;
    try
    {
        copy.assign(bytes, bytes + key.unpSize);
    }
    catch (const std::bad_alloc&)
    {
        Abandon(key); // not kept: a later request decodes the entry again
        return;
    }
    Adopt(key, std::move(copy));
}

void ArchiveLoadCache::Adopt(const Key& key, std::vector<uint8_t>&& bytes)
{
    std::lock_guard<std::mutex> lock(m_lock);
    Settle(key, &bytes);
}

void ArchiveLoadCache::Abandon(const Key& key)
{
    std::lock_guard<std::mutex> lock(m_lock);
    Settle(key, nullptr);
}

bool ArchiveLoadCache::ClaimIfAbsent(const Key& key)
{
    std::lock_guard<std::mutex> lock(m_lock);
    try
    {
        return m_entries.emplace(key, Slot()).second;
    }
    catch (const std::bad_alloc&)
    {
        return false;
    }
}

uint32_t ArchiveLoadCache::Hits() const
{
    std::lock_guard<std::mutex> lock(m_lock);
    return m_hits;
}

uint32_t ArchiveLoadCache::BytesKept() const
{
    std::lock_guard<std::mutex> lock(m_lock);
    return m_bytesKept;
}
