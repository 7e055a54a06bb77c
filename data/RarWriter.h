// Portable core: writes RAR 2.0 archives (marker, main header, file blocks)
// with stored or compressed entries, non-solid or solid. The output depends on
// the entries and options only, so the same input gives the same bytes.
//
// Non-solid: entries appear in the order added. Solid: the compressed entries
// form one stream in the order added, the first without and every later one
// with file flag 0x10; stored entries, empty files and directories are placed
// ahead of that stream so no gap interrupts it.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "data/Rar20Compressor.h"

namespace rar {

enum class PackMethod
{
    Store,    // method 0x30, bytes as they are
    Compress, // RAR 2.0 compression
    Auto,     // compress, but store what does not get smaller (non-solid only)
};

struct WriterOptions
{
    bool solid = false;            // one compression stream through all entries
    uint32_t dosTime = 0x5B810000; // FTIME of every entry: 2025-12-01 00:00:00
    uint8_t hostOs = 2;            // Win32
    CompressOptions compress;
};

class CRarWriter
{
public:
    explicit CRarWriter(const WriterOptions& options = WriterOptions());

    // Adds a file entry; its name uses '\' between folders. Fails (and adds
    // nothing) for an empty name, a name longer than 1,024 bytes, data of
    // 4 GiB and more, or a compressed entry above 3.5 GiB in a solid archive.
    bool AddFile(const std::string& name, const unsigned char* data, size_t size, PackMethod method = PackMethod::Auto);
    bool AddFile(const std::string& name, const std::vector<unsigned char>& data, PackMethod method = PackMethod::Auto)
    {
        return AddFile(name, data.data(), data.size(), method);
    }

    // Adds a directory entry (attributes 0x10, no data).
    bool AddDirectory(const std::string& name);

    // The archive so far: always a complete archive of the entries added.
    const std::vector<unsigned char>& Bytes() const { return m_out; }

    // What the compressor chose for the last compressed entry.
    const CompressStats& LastStats() const { return m_compressor.LastStats(); }
    // Method byte written for the last entry (0x30 stored, 0x33 compressed).
    uint8_t LastMethod() const { return m_lastMethod; }

private:
    void WriteFileBlock(const std::string& name, uint16_t flags, const unsigned char* packed, size_t packedSize,
                        uint32_t unpSize, uint32_t crc, uint8_t method, uint32_t attr);

    WriterOptions m_options;
    CRar20Compressor m_compressor;
    std::vector<unsigned char> m_out;
    bool m_anyCompressed = false;
    size_t m_frontEnd = 0; // end of the entries kept ahead of a solid stream
    uint8_t m_lastMethod = 0;
};

} // namespace rar
