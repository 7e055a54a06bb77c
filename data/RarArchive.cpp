// Portable core: the reader of the data archive.
#include "data/RarArchive.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <cstring>
#include <new>
#include <utility>
#include <vector>

#include "data/ArchiveLoadCache.h"
#include "data/Rar15Cipher.h"
#include "data/Rar20Cipher.h"
#include "data/Rar20Decoder.h"
#include "data/Rar20Format.h"
#include "data/RarCrc.h"

namespace {

constexpr uint32_t MARKER_SIZE = 7;
constexpr uint32_t MAIN_HEADER_SIZE = 13;
constexpr uint32_t BASE_HEADER_SIZE = 7;
constexpr uint32_t FILE_HEADER_SIZE = 32;
constexpr int NAME_COPY_MAX = 512;
constexpr int PASSWORD_MAX = 128;
constexpr uint8_t UNP_VER_MIN = 13;
constexpr uint8_t UNP_VER_MAX = 20;
constexpr uint8_t UNP_VER_RAR20 = 20;
// The longest match the decompressor can emit from one bit: no entry packs
// tighter than this many bytes per input bit.
constexpr uint64_t MAX_BYTES_PER_BIT = 260;

inline uint16_t Get16(const uint8_t* p)
{
    return uint16_t(p[0] | p[1] << 8);
}

inline uint32_t Get32(const uint8_t* p)
{
    return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}

// '\' and '/' become '_', letters upper case, so the three separators and
// either case compare equal.
void NormaliseName(char* dst, const char* src, size_t srcLength)
{
    size_t n = srcLength < size_t(NAME_COPY_MAX - 1) ? srcLength : size_t(NAME_COPY_MAX - 1);
    for (size_t i = 0; i < n; ++i)
    {
        char c = src[i];
        if (c == '\\' || c == '/')
            c = '_';
        dst[i] = char(std::toupper(static_cast<unsigned char>(c)));
    }
    dst[n] = '\0';
}

void WipeBytes(void* p, size_t n)
{
    volatile uint8_t* b = static_cast<volatile uint8_t*>(p);
    for (size_t i = 0; i < n; ++i)
        b[i] = 0;
}

// One request's working state.
struct ExtractState
{
    char wanted[NAME_COPY_MAX];
    char password[PASSWORD_MAX];
    CRar20Decoder* decoder = nullptr;
    bool decoderUsed = false;
    uint8_t* output = nullptr;
    uint8_t* scratch = nullptr;

    ~ExtractState()
    {
        delete decoder;
        std::free(output);
        if (scratch != nullptr)
            std::free(scratch);
        WipeBytes(password, sizeof(password));
    }
};

struct FileHeader
{
    uint16_t flags;
    uint32_t packSize;
    uint32_t unpSize;
    uint32_t fileCrc;
    uint8_t unpVer;
    uint8_t method;
    uint64_t dataStart; // offset of the packed data
    char name[NAME_COPY_MAX];
};

// Passes one entry through the decryption and the decompressor or the stored
// copy. out is null for an earlier entry of a solid archive. Returns false
// when the request must fail.
bool ProcessEntry(ExtractState& st, const FileHeader& fh, const uint8_t* packed, bool solid, uint8_t* out)
{
    if (fh.unpVer < UNP_VER_MIN || fh.unpVer > UNP_VER_MAX)
        return false;
    // a stored entry leaves no trace in the window of a solid archive
    if (fh.method == rar::METHOD_STORE && out == nullptr)
        return true;

    const uint8_t* input = packed;
    if ((fh.flags & rar::FILE_ENCRYPTED) != 0 && st.password[0] != '\0')
    {
        st.scratch = static_cast<uint8_t*>(std::malloc(fh.packSize > 0 ? fh.packSize : 1));
        if (st.scratch == nullptr)
            return false;
        std::memcpy(st.scratch, packed, fh.packSize);
        if (fh.unpVer == UNP_VER_RAR20)
        {
            CRar20Cipher cipher;
            cipher.SetPassword(st.password);
            cipher.Decrypt(st.scratch, fh.packSize);
        }
        else
        {
            CRar15Cipher cipher;
            cipher.SetPassword(st.password);
            cipher.Crypt(st.scratch, fh.packSize);
        }
        input = st.scratch;
    }

    bool ok = true;
    if (fh.method == rar::METHOD_STORE)
    {
        if (out != nullptr)
        {
            // the caller made sure the packed data holds UNP_SIZE bytes
            std::memcpy(out, input, fh.unpSize);
        }
    }
    else
    {
        if (st.decoder == nullptr)
        {
            st.decoder = new (std::nothrow) CRar20Decoder();
            if (st.decoder == nullptr || !st.decoder->Init())
                ok = false;
        }
        if (ok)
        {
            uint32_t produced =
                st.decoder->DecodeEntry(input, fh.packSize, out, fh.unpSize, solid && st.decoderUsed, solid);
            st.decoderUsed = true;
            // a short stream would leave part of the buffer unwritten
            if (out != nullptr && produced != fh.unpSize)
                ok = false;
        }
    }

    if (st.scratch != nullptr)
    {
        WipeBytes(st.scratch, fh.packSize);
        std::free(st.scratch);
        st.scratch = nullptr;
    }
    return ok;
}

// Where the walk over the blocks stands after reading one.
enum class BlockStep
{
    File,  // a file header was read into the FileHeader
    Other, // a block of another type, to be stepped over
    End,   // no further block: the data ends or a block is broken
};

// Opens the walk: checks the marker and the main header and gives the offset
// of the first block. False for a view that is no archive.
bool BeginWalk(const ArchiveView& view, uint64_t* first, bool* solid)
{
    const uint8_t* base = view.data;
    const uint64_t total = view.size;
    if (base == nullptr || total < MARKER_SIZE || std::memcmp(base, rar::MARKER, MARKER_SIZE) != 0)
        return false;
    if (total < MARKER_SIZE + MAIN_HEADER_SIZE)
        return false;
    const uint8_t* mainHeader = base + MARKER_SIZE;
    uint16_t mainFlags = Get16(mainHeader + 3);
    uint16_t mainSize = Get16(mainHeader + 5);
    // a main header shorter than its own fields would run the walk backwards
    if (mainSize < MAIN_HEADER_SIZE)
        return false;
    *solid = (mainFlags & rar::MAIN_SOLID) != 0;
    *first = MARKER_SIZE + uint64_t(mainSize);
    return true;
}

// Reads the block at start: its type, where the next one begins, and for a
// file block its header with the normalised name.
BlockStep ReadBlock(const ArchiveView& view, uint64_t start, uint64_t* next, FileHeader* fh)
{
    const uint8_t* base = view.data;
    const uint64_t total = view.size;
    if (start > total || total - start < FILE_HEADER_SIZE)
        return BlockStep::End;
    const uint8_t* block = base + start;
    uint8_t type = block[2];
    uint16_t flags = Get16(block + 3);
    uint16_t headSize = Get16(block + 5);
    if (headSize < BASE_HEADER_SIZE)
        return BlockStep::End;
    uint64_t dataSize = (flags & rar::FLAG_LONG_BLOCK) != 0 ? Get32(block + 7) : 0;
    *next = start + headSize + dataSize;
    if (*next <= start)
        return BlockStep::End;
    if (type == rar::BLOCK_SUB)
        return BlockStep::End;
    if (type != rar::BLOCK_FILE)
        return BlockStep::Other;

    fh->flags = flags;
    // without flag 0x8000 no data area follows, whatever PACK_SIZE says
    fh->packSize = (flags & rar::FLAG_LONG_BLOCK) != 0 ? Get32(block + 7) : 0;
    fh->unpSize = Get32(block + 11);
    fh->fileCrc = Get32(block + 16);
    fh->unpVer = block[24];
    fh->method = block[25];
    fh->dataStart = start + headSize;
    uint16_t nameSize = Get16(block + 26);
    // the name lies inside the header; the data starts at its end
    if (uint32_t(FILE_HEADER_SIZE) + nameSize > headSize)
        return BlockStep::End;
    uint32_t nameLength = nameSize < ARCHIVE_NAME_MAX ? nameSize : ARCHIVE_NAME_MAX;
    if (start + FILE_HEADER_SIZE + nameLength > total)
        return BlockStep::End;
    char stored[ARCHIVE_NAME_MAX + 1];
    std::memcpy(stored, block + FILE_HEADER_SIZE, nameLength);
    stored[nameLength] = '\0';
    NormaliseName(fh->name, stored, std::strlen(stored));
    return BlockStep::File;
}

// Sizes no packed data of this length can deliver.
bool PlausibleSizes(const FileHeader& fh)
{
    return fh.method == rar::METHOD_STORE ? fh.unpSize <= fh.packSize
                                          : fh.unpSize <= uint64_t(fh.packSize) * 8 * MAX_BYTES_PER_BIT;
}

// An entry this request unpacks for the cache: kept when it checks out,
// given up on every other way out, so that no request waits for it forever.
struct CacheClaim
{
    ArchiveLoadCache* cache = nullptr;
    ArchiveLoadCache::Key key{};

    void Keep(const uint8_t* bytes)
    {
        if (cache != nullptr)
            cache->Keep(key, bytes);
        cache = nullptr;
    }
    ~CacheClaim()
    {
        if (cache != nullptr)
            cache->Abandon(key);
    }
};

bool Extract(ExtractState& st, ArchiveView* view, uint8_t** result, uint32_t* resultSize)
{
    const uint8_t* base = view->data;
    const uint64_t total = view->size;

    view->offset = 0;
    uint64_t offset = 0;
    bool solid = false;
    if (!BeginWalk(*view, &offset, &solid))
        return false;
    for (;;)
    {
        const uint64_t start = offset;
        view->offset = start <= total ? uint32_t(start) : uint32_t(total);
        uint64_t next = 0;
        FileHeader fh;
        const BlockStep step = ReadBlock(*view, start, &next, &fh);
        if (step == BlockStep::End)
            return false; // end of the data or a broken block: the name is not there
        if (step == BlockStep::Other)
        {
            offset = next;
            continue;
        }

        bool matched = std::strcmp(fh.name, st.wanted) == 0;
        uint8_t* out = nullptr;
        if (matched || solid)
        {
            if (fh.dataStart + fh.packSize > total)
                return false; // data cut short
        }
        // An entry unpacked earlier in this load is copied, not decoded again.
        // Solid archives and decrypted entries are never kept.
        ArchiveLoadCache* cache = ArchiveLoadCache::Active();
        if (solid || ((fh.flags & rar::FILE_ENCRYPTED) != 0 && st.password[0] != '\0'))
            cache = nullptr;
        CacheClaim claim;
        claim.key = ArchiveLoadCache::Key{base + fh.dataStart, fh.packSize, fh.unpSize, fh.fileCrc};
        bool copied = false;
        if (matched)
        {
            if (!PlausibleSizes(fh))
                return false;
            bool claimed = false;
            st.output = cache != nullptr ? cache->Copy(claim.key, &claimed) : nullptr;
            if (claimed)
                claim.cache = cache;
            copied = st.output != nullptr;
            if (!copied)
                st.output = static_cast<uint8_t*>(std::malloc(fh.unpSize > 0 ? fh.unpSize : 1));
            if (st.output == nullptr)
                return false;
            out = st.output;
        }
        if ((matched && !copied) || solid)
        {
            if (!ProcessEntry(st, fh, base + fh.dataStart, solid, out))
                return false;
            if (matched && rar::Crc32(out, fh.unpSize) != fh.fileCrc)
                return false;
            if (matched)
                claim.Keep(out);
        }

        offset = next;
        view->offset = next <= total ? uint32_t(next) : uint32_t(total);
        if (matched)
        {
            *result = st.output;
            *resultSize = fh.unpSize;
            st.output = nullptr;
            return true;
        }
    }
}

} // namespace

bool ExtractArchiveEntry(const char* password, const char* name, unsigned char** data, uint32_t* size,
                         ArchiveView* view)
{
    if (data != nullptr)
        *data = nullptr;
    if (size != nullptr)
        *size = 0;
    if (data == nullptr || size == nullptr || view == nullptr || name == nullptr)
        return false;

    ExtractState* st = new (std::nothrow) ExtractState();
    if (st == nullptr)
        return false;
    NormaliseName(st->wanted, name, std::strlen(name));
    std::memset(st->password, 0, sizeof(st->password));
    if (password != nullptr)
    {
        size_t n = std::strlen(password);
        if (n > sizeof(st->password) - 1)
            n = sizeof(st->password) - 1;
        std::memcpy(st->password, password, n);
    }

    uint8_t* result = nullptr;
    uint32_t resultSize = 0;
    bool ok = Extract(*st, view, &result, &resultSize);
    delete st;
    if (ok)
    {
        *data = result;
        *size = resultSize;
    }
    return ok;
}

int UnpackAheadInto(ArchiveLoadCache& cache, const ArchiveView& view, ArchiveEntryFilter wanted,
                    const std::atomic<bool>& stop)
{
    uint64_t offset = 0;
    bool solid = false;
    // a solid archive's entries depend on the ones before: only requests
    // unpack them
    if (!BeginWalk(view, &offset, &solid) || solid)
        return 0;
    std::vector<FileHeader> entries;
    for (;;)
    {
        uint64_t next = 0;
        FileHeader fh;
        const BlockStep step = ReadBlock(view, offset, &next, &fh);
        if (step == BlockStep::End)
            break;
        offset = next;
        if (step == BlockStep::File && (fh.flags & rar::FILE_ENCRYPTED) == 0 &&
            (fh.flags & rar::FILE_DIRECTORY) != rar::FILE_DIRECTORY && PlausibleSizes(fh) &&
            fh.dataStart + fh.packSize <= view.size && (wanted == nullptr || wanted(fh.name)))
        {
            try
            {
                entries.push_back(fh);
            }
            catch (const std::bad_alloc&)
            {
                break;
            }
        }
    }
    // The longest first: a load asks for its large meshes and textures
    // early, and meanwhile unpacks the small entries itself.
    std::stable_sort(entries.begin(), entries.end(),
                     [](const FileHeader& a, const FileHeader& b) { return a.packSize > b.packSize; });

    ExtractState st;
    std::memset(st.password, 0, sizeof(st.password));
    int kept = 0;
    for (const FileHeader& fh : entries)
    {
        if (stop.load(std::memory_order_relaxed))
            break;
        CacheClaim claim;
        claim.key = ArchiveLoadCache::Key{view.data + fh.dataStart, fh.packSize, fh.unpSize, fh.fileCrc};
        if (!cache.ClaimIfAbsent(claim.key))
            continue;
        claim.cache = &cache;
        std::vector<uint8_t> bytes;
        try
        {
            bytes.resize(fh.unpSize > 0 ? fh.unpSize : 1);
        }
        catch (const std::bad_alloc&)
        {
            continue;
        }
        if (!ProcessEntry(st, fh, view.data + fh.dataStart, false, bytes.data()) ||
            rar::Crc32(bytes.data(), fh.unpSize) != fh.fileCrc)
            continue; // a request for it fails as it would have
        bytes.resize(fh.unpSize);
        cache.Adopt(claim.key, std::move(bytes));
        claim.cache = nullptr;
        ++kept;
    }
    return kept;
}

int ListArchiveEntries(const ArchiveView& view, ArchiveEntryVisitor visit, void* context)
{
    uint64_t offset = 0;
    bool solid = false;
    if (!BeginWalk(view, &offset, &solid))
        return 0;
    int count = 0;
    for (;;)
    {
        uint64_t next = 0;
        FileHeader fh;
        const BlockStep step = ReadBlock(view, offset, &next, &fh);
        if (step == BlockStep::File)
        {
            ++count;
            if (visit != nullptr)
                visit(context, fh.name, fh.unpSize);
        }
        if (step == BlockStep::End)
            return count;
        offset = next;
    }
}
