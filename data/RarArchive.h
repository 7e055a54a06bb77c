// Portable core: the reader of the data archive (RAR 1.5/2.0 block layout,
// stored and RAR 2.0 compressed entries, RAR 1.5 and 2.0 encryption).
#pragma once
#include <atomic>
#include <cstdint>

class ArchiveLoadCache;

// The reader's cursor over an archive in memory.
struct ArchiveView
{
    const unsigned char* data; // first byte, read-only
    uint32_t size;             // bytes
    uint32_t offset;           // current read position
};

// Longest stored name that takes part in matching.
constexpr int ARCHIVE_NAME_MAX = 259;

// Finds the entry called name (separators '\' and '/' and '_' alike, case
// ignored) and returns its bytes. password may be null; only entries flagged
// encrypted are decrypted, and only with a non-empty password.
// Success: *data is a malloc'ed buffer the caller frees (never null, even for
// an empty entry), *size its byte count, and the entry's CRC has been checked.
// Failure: *data null, *size 0, nothing left allocated.
bool ExtractArchiveEntry(const char* password, const char* name, unsigned char** data, uint32_t* size,
                         ArchiveView* view);

// Called once per file entry, in archive order, with its normalised name (the
// form ExtractArchiveEntry matches) and its unpacked size.
using ArchiveEntryVisitor = void (*)(void* context, const char* name, uint32_t size);

// Walks the file entries' headers without unpacking anything and returns how
// many were visited. The walk stops at the end of the data or at the first
// broken block, so a damaged archive lists the entries before the damage.
int ListArchiveEntries(const ArchiveView& view, ArchiveEntryVisitor visit, void* context);

// Decides by an entry's normalised name whether to unpack it ahead.
using ArchiveEntryFilter = bool (*)(const char* name);

// Unpacks, the largest first, every entry wanted accepts (all when it is
// null) that the cache neither holds nor has another thread unpacking, and
// hands it to the cache. Stops after the entry in hand once stop turns true.
// Solid archives, folders and encrypted entries are left to the requests, and so is
// an entry that fails its check: its request fails as before. Returns how
// many entries were kept.
int UnpackAheadInto(ArchiveLoadCache& cache, const ArchiveView& view, ArchiveEntryFilter wanted,
                    const std::atomic<bool>& stop);
