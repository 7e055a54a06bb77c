// Portable core: the RAR 2.0 archive writer.
#include "data/RarWriter.h"

#include <cstddef>

#include "data/Crc32.h"
#include "data/Rar20Format.h"

namespace rar {

namespace {

constexpr size_t MAX_NAME = 1024;
constexpr uint64_t SOLID_MAX = 0xE0000000u; // largest entry of a solid archive
constexpr uint8_t METHOD_NORMAL = 0x33;
constexpr uint8_t UNPACK_VERSION = 20;
constexpr uint16_t DICTIONARY_1M = 0x0080; // dictionary bits of a 1 MiB window
constexpr uint32_t ATTR_FILE = 0x20;
constexpr uint32_t ATTR_DIRECTORY = 0x10;

void Put16(std::vector<unsigned char>& out, uint32_t v)
{
    out.push_back(static_cast<unsigned char>(v));
    out.push_back(static_cast<unsigned char>(v >> 8));
}

void Put32(std::vector<unsigned char>& out, uint32_t v)
{
    Put16(out, v & 0xFFFF);
    Put16(out, v >> 16);
}

// HEAD_CRC: low half of the CRC-32 of the header from HEAD_TYPE on.
void SealHeader(std::vector<unsigned char>& out, size_t start)
{
    uint32_t crc = Crc32(out.data() + start + 2, out.size() - start - 2) & 0xFFFF;
    out[start] = static_cast<unsigned char>(crc);
    out[start + 1] = static_cast<unsigned char>(crc >> 8);
}

} // namespace

CRarWriter::CRarWriter(const WriterOptions& options) : m_options(options), m_compressor(options.compress)
{
    m_out.assign(MARKER, MARKER + sizeof(MARKER));
    const size_t start = m_out.size();
    Put16(m_out, 0);
    m_out.push_back(BLOCK_MAIN);
    Put16(m_out, options.solid ? MAIN_SOLID : 0);
    Put16(m_out, 13);
    Put16(m_out, 0); // reserved
    Put32(m_out, 0); // reserved
    SealHeader(m_out, start);
    m_frontEnd = m_out.size();
}

void CRarWriter::WriteFileBlock(const std::string& name, uint16_t flags, const unsigned char* packed, size_t packedSize,
                                uint32_t unpSize, uint32_t crc, uint8_t method, uint32_t attr)
{
    // A solid archive keeps its compressed entries back to back: entries
    // outside the stream (stored, empty, directories) go in front of them.
    // The format allows gaps, but some readers lose the stream across one.
    const bool front = m_options.solid && method == METHOD_STORE;
    std::vector<unsigned char> block;
    std::swap(block, m_out);
    const size_t start = 0;
    Put16(m_out, 0);
    m_out.push_back(BLOCK_FILE);
    Put16(m_out, flags | FLAG_LONG_BLOCK);
    Put16(m_out, static_cast<uint32_t>(32 + name.size()));
    Put32(m_out, static_cast<uint32_t>(packedSize));
    Put32(m_out, unpSize);
    m_out.push_back(m_options.hostOs);
    Put32(m_out, crc);
    Put32(m_out, m_options.dosTime);
    m_out.push_back(UNPACK_VERSION);
    m_out.push_back(method);
    Put16(m_out, static_cast<uint32_t>(name.size()));
    Put32(m_out, attr);
    m_out.insert(m_out.end(), name.begin(), name.end());
    SealHeader(m_out, start);
    m_out.insert(m_out.end(), packed, packed + packedSize);
    std::swap(block, m_out);
    if (front)
    {
        m_out.insert(m_out.begin() + static_cast<std::ptrdiff_t>(m_frontEnd), block.begin(), block.end());
        m_frontEnd += block.size();
    }
    else
        m_out.insert(m_out.end(), block.begin(), block.end());
    m_lastMethod = method;
}

bool CRarWriter::AddFile(const std::string& name, const unsigned char* data, size_t size, PackMethod method)
{
    if (name.empty() || name.size() > MAX_NAME || size > 0xFFFFFFFFu || (size > 0 && !data))
        return false;
    const uint32_t crc = Crc32(data, size);
    uint16_t flags = DICTIONARY_1M;

    bool store = method == PackMethod::Store || size == 0;
    // Packed data can exceed its input by an eighth at worst; in a solid
    // stream it cannot fall back to storing, so keep it inside PACK_SIZE.
    if (!store && m_options.solid && size > SOLID_MAX)
        return false;
    std::vector<unsigned char> packed;
    if (!store)
    {
        if (!m_options.solid)
            m_compressor.Reset();
        packed = m_compressor.CompressEntry(data, size);
        // Stored entries do not pass through the solid window, so a solid
        // archive keeps what it compressed even when it grew.
        store =
            !m_options.solid && (packed.size() > 0xFFFFFFFFu || (method == PackMethod::Auto && packed.size() >= size));
    }
    // Compressed files after the first one of a solid archive continue the
    // stream. Empty and stored files stay outside it: they never pass through
    // the window.
    if (!store)
    {
        if (m_options.solid && m_anyCompressed)
            flags |= FILE_SOLID;
        m_anyCompressed = true;
    }
    if (store)
        WriteFileBlock(name, flags, data, size, static_cast<uint32_t>(size), crc, METHOD_STORE, ATTR_FILE);
    else
        WriteFileBlock(name, flags, packed.data(), packed.size(), static_cast<uint32_t>(size), crc, METHOD_NORMAL,
                       ATTR_FILE);
    return true;
}

bool CRarWriter::AddDirectory(const std::string& name)
{
    if (name.empty() || name.size() > MAX_NAME)
        return false;
    WriteFileBlock(name, FILE_DIRECTORY, nullptr, 0, 0, 0, METHOD_STORE, ATTR_DIRECTORY);
    return true;
}

} // namespace rar
