// Portable core: unpacks the entries of an archive on a second thread while
// a load asks for them on its own. A load spends about as long unpacking as
// it does uploading and parsing; on two processors the two halves overlap.
//
// Every entry is unpacked by one thread only. The worker takes the entries in
// archive order, skipping those the load has claimed; the load takes what the
// worker has ready, waits for an entry the worker is at, and claims one the
// worker has not reached, to unpack it itself as before.
#pragma once
#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

#include "data/RarArchive.h"

class ArchivePrefetch
{
public:
    // What the two threads share: one lock, and a wait that lets go of it
    // until the other thread signals or a moment has passed (callers look
    // again either way).
    class Sync
    {
    public:
        virtual ~Sync() = default;
        virtual void Lock() = 0;
        virtual void Unlock() = 0;
        virtual void Wait() = 0; // called and returns with the lock held
        virtual void Signal() = 0;
    };

    // Unpacked bytes the worker holds at most before it waits for the load
    // to take some.
    static constexpr uint32_t DEFAULT_HOLD_LIMIT = 16u << 20;

    // Lists the archive's entries. A solid archive, or no archive, gives an
    // empty list: its entries cannot be unpacked apart.
    ArchivePrefetch(const ArchiveView& archive, Sync& sync, uint32_t holdLimit = DEFAULT_HOLD_LIMIT);
    // Frees what the load never took. The worker must have returned.
    ~ArchivePrefetch();
    ArchivePrefetch(const ArchivePrefetch&) = delete;
    ArchivePrefetch& operator=(const ArchivePrefetch&) = delete;

    // The worker: unpacks the next entry nobody has claimed. False once none
    // is left or Stop was called.
    bool UnpackNext();
    // The load: the worker stops before its next entry.
    void Stop();

    // The load: the bytes of the entry of this archive with this normalised
    // name (malloc'ed, the caller frees them) and their count, waiting while
    // the worker unpacks it. Null when the caller is to unpack it itself: the
    // worker has not reached it (it is then the caller's), it failed there, or
    // it was taken before.
    uint8_t* Take(const uint8_t* archiveData, const char* name, uint32_t* size);

    uint32_t EntryCount() const { return static_cast<uint32_t>(m_entries.size()); }
    uint32_t TakenReady() const { return m_takenReady; }

private:
    enum class State
    {
        Free,      // nobody's yet
        Unpacking, // the worker is at it
        Ready,     // unpacked, waiting for the load
        Done,      // taken, claimed by the load, or failed: no more to give
    };
    struct Entry
    {
        std::string name;
        State state = State::Free;
        uint8_t* data = nullptr;
        uint32_t size = 0;
    };

    static void ListEntry(void* context, const char* name, uint32_t size);

    ArchiveView m_archive;
    Sync& m_sync;
    uint32_t m_holdLimit;
    std::vector<Entry> m_entries;
    std::unordered_map<std::string, size_t> m_byName; // the first entry of a name, as the reader finds it
    size_t m_next = 0;                                // where the worker looks next
    uint32_t m_held = 0;                              // bytes unpacked and not taken
    uint32_t m_takenReady = 0;
    bool m_stopped = false;
};
