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

uint8_t* ArchiveLoadCache::Copy(const Key& key) const
{
    const auto found = m_entries.find(key);
    if (found == m_entries.end())
        return nullptr;
    const std::vector<uint8_t>& bytes = found->second;
    uint8_t* copy = static_cast<uint8_t*>(std::malloc(bytes.empty() ? 1 : bytes.size()));
    if (copy == nullptr)
        return nullptr;
    if (!bytes.empty())
        std::memcpy(copy, bytes.data(), bytes.size());
    ++m_hits;
    return copy;
}

void ArchiveLoadCache::Keep(const Key& key, const uint8_t* bytes)
{
    if (key.unpSize > m_byteLimit - m_bytesKept || m_entries.count(key) != 0)
        return;
    try
    {
        m_entries.emplace(key, std::vector<uint8_t>(bytes, bytes + key.unpSize));
        m_bytesKept += key.unpSize;
    }
    catch (const std::bad_alloc&)
    {
        // not kept: a later request decodes the entry again
    }
}
