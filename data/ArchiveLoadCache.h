// Portable core: a scene load asks for some archive entries more than once
// (a texture shared by several models, the animations shared by two kinds of
// tree). While an ArchiveLoadCache lives, the reader keeps each entry it
// unpacks on this thread and answers a repeated request with a copy instead
// of decoding the entry again. Callers still own and free what they get.
//
// A second thread may fill the same cache ahead of the requests (see
// ArchiveUnpackAhead). Each entry is unpacked by one thread at a time: the
// thread that claims it; a request for an entry another thread is unpacking
// waits for it instead of decoding it twice.
#pragma once
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <mutex>
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

    // The cache serving this thread's requests, or null. Caches nest: the
    // inner one serves until it ends.
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

    // A malloc'ed copy of the entry (at least one byte allocated), or null.
    // While another thread unpacks the entry, waits for it first. When the
    // entry is not kept and claimed is not null, the caller becomes the one
    // that unpacks it (*claimed turns true) and must end the claim with Keep
    // or Abandon.
    uint8_t* Copy(const Key& key, bool* claimed = nullptr);
    // Keeps a copy of the unpacked bytes if they fit under the limit, and
    // ends the caller's claim either way.
    void Keep(const Key& key, const uint8_t* bytes);
    // Ends a claim with nothing kept; a waiting request unpacks the entry
    // itself.
    void Abandon(const Key& key);

    // For the thread that unpacks ahead: claims the entry unless it is kept
    // or claimed already.
    bool ClaimIfAbsent(const Key& key);
    // Keep for bytes the caller gives up.
    void Adopt(const Key& key, std::vector<uint8_t>&& bytes);

    uint32_t Hits() const;
    uint32_t BytesKept() const;

private:
    struct KeyHash
    {
        size_t operator()(const Key& key) const;
    };
    struct KeyEqual
    {
        bool operator()(const Key& a, const Key& b) const;
    };
    struct Slot
    {
        bool ready = false; // false: claimed, being unpacked
        std::vector<uint8_t> bytes;
    };

    // Under m_lock: stores the claimed entry's bytes, or drops the claim when
    // they do not fit, and wakes the waiting requests.
    void Settle(const Key& key, std::vector<uint8_t>* bytes);

    mutable std::mutex m_lock;
    std::condition_variable m_settled;
    std::unordered_map<Key, Slot, KeyHash, KeyEqual> m_entries;
    uint32_t m_byteLimit;
    uint32_t m_bytesKept = 0;
    uint32_t m_hits = 0;
    ArchiveLoadCache* m_outer;
};
