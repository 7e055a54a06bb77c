// Portable core: a scene load asks for some archive entries more than once
// (a texture shared by several models, the animations shared by two kinds of
// tree), and a worker can unpack entries ahead of it (ArchivePrefetch). While
// an ArchiveLoadCache lives, the reader keeps each entry unpacked on the
// threads it serves and answers a repeated request with a copy instead of
// decoding the entry again. Callers still own and free what they get.
#pragma once
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <unordered_map>
#include <vector>

class ArchiveLoadCache
{
public:
    // Bytes kept at most; an entry that does not fit is not kept.
    static constexpr uint32_t DEFAULT_LIMIT = 64u << 20;

    // Serves the thread that makes it until it ends there.
    explicit ArchiveLoadCache(uint32_t byteLimit = DEFAULT_LIMIT);
    ~ArchiveLoadCache();
    ArchiveLoadCache(const ArchiveLoadCache&) = delete;
    ArchiveLoadCache& operator=(const ArchiveLoadCache&) = delete;

    // The cache serving this thread, or null. Caches nest: the inner one
    // serves until it ends.
    static ArchiveLoadCache* Active();

    // Lets the cache serve another thread (a worker) while it lives.
    class Serve
    {
    public:
        explicit Serve(ArchiveLoadCache& cache);
        ~Serve();
        Serve(const Serve&) = delete;
        Serve& operator=(const Serve&) = delete;

    private:
        ArchiveLoadCache* m_outer;
    };

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

    enum class Claim
    {
        Copied, // *copy is a malloc'ed copy of the kept entry
        Decode, // the caller decodes the entry and then calls Keep or Drop
        Skip,   // kept or being decoded elsewhere (ahead), or no memory for the copy
    };

    // For a request (ahead false) an entry that another thread is decoding is
    // waited for; a worker unpacking ahead (true) skips it instead.
    Claim Take(const Key& key, bool ahead, uint8_t** copy);
    // Ends a Decode claim: keeps a copy of the unpacked bytes if they fit
    // under the limit, or keeps nothing (a failed decode).
    void Keep(const Key& key, const uint8_t* bytes);
    void Drop(const Key& key);

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
        bool kept = false; // false: a thread is decoding it
        std::vector<uint8_t> bytes;
    };

    mutable std::mutex m_mutex;
    std::condition_variable m_decoded;
    std::unordered_map<Key, Slot, KeyHash, KeyEqual> m_slots;
    uint32_t m_byteLimit;
    uint32_t m_bytesKept = 0;
    uint32_t m_hits = 0;
    ArchiveLoadCache* m_outer;
};
