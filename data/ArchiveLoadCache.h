// Portable core: a scene load asks for some archive entries more than once
// (a texture shared by several models, the animations shared by two kinds of
// tree). While an ArchiveLoadCache lives, the reader keeps each entry it
// unpacks on this thread and answers a repeated request with a copy instead
// of decoding the entry again. Callers still own and free what they get.
#pragma once
#include <cstddef>
#include <cstdint>
#include <unordered_map>
#include <vector>

class ArchiveLoadCache
{
public:
    // Bytes kept at most; an entry that does not fit is not kept.
    static constexpr uint32_t DEFAULT_LIMIT = 64u << 20;

    explicit ArchiveLoadCache(uint32_t byteLimit = DEFAULT_LIMIT);
    ~ArchiveLoadCache();
    ArchiveLoadCache(const ArchiveLoadCache&) = delete;
    ArchiveLoadCache& operator=(const ArchiveLoadCache&) = delete;

    // The cache serving this thread, or null. Caches nest: the inner one
    // serves until it ends.
    static ArchiveLoadCache* Active();

    // What identifies an unpacked entry: where its packed bytes lie in memory
    // and what its header says of them. The archives read while the cache
    // lives must stay in place and unchanged.
    struct Key
    {
        const uint8_t* packed;
        uint32_t packSize;
        uint32_t unpSize;
        uint32_t crc;
    };

    // A malloc'ed copy of the entry (at least one byte allocated), or null
    // when it is not kept or the copy could not be made.
    uint8_t* Copy(const Key& key) const;
    // Keeps a copy of the unpacked bytes if they fit under the limit.
    void Keep(const Key& key, const uint8_t* bytes);

    uint32_t Hits() const { return m_hits; }
    uint32_t BytesKept() const { return m_bytesKept; }

private:
    struct KeyHash
    {
        size_t operator()(const Key& key) const;
    };
    struct KeyEqual
    {
        bool operator()(const Key& a, const Key& b) const;
    };

    std::unordered_map<Key, std::vector<uint8_t>, KeyHash, KeyEqual> m_entries;
    uint32_t m_byteLimit;
    uint32_t m_bytesKept = 0;
    mutable uint32_t m_hits = 0;
    ArchiveLoadCache* m_outer;
};
