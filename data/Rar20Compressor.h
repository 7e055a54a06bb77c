// Portable core: the RAR 2.0 compressor. It turns the bytes of one entry into
// the packed data of a file block (methods 0x31 to 0x35), in the general LZ
// mode or the multimedia mode, and carries its state from entry to entry for
// solid archives.
#pragma once
#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

namespace rar {

enum class CompressMode
{
    Auto,       // LZ or multimedia, whichever codes the entry smaller
    Lz,         // general LZ mode only
    Multimedia, // multimedia mode only
};

struct CompressOptions
{
    CompressMode mode = CompressMode::Auto;
    int channels = 0;     // multimedia channels 1..4; 0 tries every count
    int chainDepth = 128; // hash-chain candidates looked at per position
    bool lazy = true;     // defer a match by one byte when the next one is better
};

// What the last CompressEntry call chose; for tests and tools.
struct CompressStats
{
    bool multimedia = false;
    int channels = 0;
    int tableBlocks = 0;       // table blocks written for the entry
    bool reusedTables = false; // solid continuation coded with the tables it inherited
};

class CRar20Compressor
{
public:
    explicit CRar20Compressor(const CompressOptions& options = CompressOptions());
    ~CRar20Compressor();
    CRar20Compressor(const CRar20Compressor&) = delete;
    CRar20Compressor& operator=(const CRar20Compressor&) = delete;

    // Starts a new stream: the next entry is coded as the first of a non-solid
    // archive (empty window, no tables, fresh predictors).
    void Reset();

    // Packs one entry. Without a Reset since the previous call the entry
    // continues the stream as a solid archive's next file: window, code tables,
    // old distances and predictors carry over, and its packed data starts with
    // symbols of the inherited tables (a table switch when new tables pay off),
    // not with a table block. Empty entries give empty data and leave the state
    // alone; callers store them instead.
    std::vector<unsigned char> CompressEntry(const unsigned char* data, size_t size);

    const CompressStats& LastStats() const { return m_stats; }

private:
    struct Impl;
    std::unique_ptr<Impl> m_pImpl;
    CompressStats m_stats;
};

} // namespace rar
