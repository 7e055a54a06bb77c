// Helpers of the archive reader tests: files, small hand-built archives and
// one call of the reader that checks its failure contract.
#pragma once
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "data/RarArchive.h"
#include "data/RarCrc.h"

namespace rartest {

using Bytes = std::vector<uint8_t>;

inline Bytes ReadFileBytes(const std::string& path)
{
    Bytes bytes;
    FILE* f = std::fopen(path.c_str(), "rb");
    if (f == nullptr)
        return bytes;
    uint8_t buffer[65536];
    size_t n;
    while ((n = std::fread(buffer, 1, sizeof(buffer), f)) > 0)
        bytes.insert(bytes.end(), buffer, buffer + n);
    std::fclose(f);
    return bytes;
}

inline std::string FixturePath(const char* name)
{
    return std::string(QM_FIXTURE_DIR) + "/rar/" + name;
}

inline std::string TestDataPath(const char* name)
{
    return std::string(QM_SOURCE_DIR) + "/tests/data/rar/" + name;
}

struct Result
{
    bool ok = false;
    bool contractHeld = true; // failure: null and 0; success: a buffer
    Bytes bytes;
};

// Runs the reader over an exact-size copy, so that ASan sees any read past
// the end of the archive.
inline Result Extract(const Bytes& archive, const char* name, const char* password = "")
{
    uint8_t* copy = static_cast<uint8_t*>(std::malloc(archive.empty() ? 1 : archive.size()));
    if (!archive.empty())
        std::copy(archive.begin(), archive.end(), copy);
    ArchiveView view{copy, uint32_t(archive.size()), 0};
    unsigned char* data = reinterpret_cast<unsigned char*>(uintptr_t(1));
    uint32_t size = 12345;
    Result r;
    r.ok = ExtractArchiveEntry(password, name, &data, &size, &view);
    if (r.ok)
    {
        r.contractHeld = data != nullptr;
        if (data != nullptr)
            r.bytes.assign(data, data + size);
    }
    else
    {
        r.contractHeld = data == nullptr && size == 0;
    }
    std::free(data);
    std::free(copy);
    return r;
}

inline void Put16(Bytes& b, uint32_t v)
{
    b.push_back(uint8_t(v));
    b.push_back(uint8_t(v >> 8));
}

inline void Put32(Bytes& b, uint32_t v)
{
    Put16(b, v & 0xFFFF);
    Put16(b, v >> 16);
}

// A file block as the data archive carries it, with knobs for broken ones.
struct EntrySpec
{
    std::string name;
    Bytes data; // packed bytes as stored
    uint16_t flags = 0x8000;
    uint8_t unpVer = 20;
    uint8_t method = 0x30;
    Bytes extra;           // header bytes after the name (HEAD_SIZE grows)
    int64_t unpSize = -1;  // -1: data.size()
    int64_t crc = -1;      // -1: CRC-32 of data
    int64_t headSize = -1; // -1: 32 + name + extra
    int64_t nameSize = -1; // -1: name.size()
};

inline Bytes FileBlock(const EntrySpec& e)
{
    Bytes h;
    h.push_back(0x74);
    Put16(h, e.flags);
    Put16(h, e.headSize >= 0 ? uint32_t(e.headSize) : uint32_t(32 + e.name.size() + e.extra.size()));
    Put32(h, uint32_t(e.data.size()));
    Put32(h, e.unpSize >= 0 ? uint32_t(e.unpSize) : uint32_t(e.data.size()));
    h.push_back(2);
    Put32(h, e.crc >= 0 ? uint32_t(e.crc) : rar::Crc32(e.data.data(), e.data.size()));
    Put32(h, 0x5A8C6000);
    h.push_back(e.unpVer);
    h.push_back(e.method);
    Put16(h, e.nameSize >= 0 ? uint32_t(e.nameSize) : uint32_t(e.name.size()));
    Put32(h, (e.flags & 0x00E0) == 0x00E0 ? 0x10 : 0x20);
    h.insert(h.end(), e.name.begin(), e.name.end());
    h.insert(h.end(), e.extra.begin(), e.extra.end());
    Bytes block;
    Put16(block, rar::Crc32(h.data(), h.size()) & 0xFFFF);
    block.insert(block.end(), h.begin(), h.end());
    block.insert(block.end(), e.data.begin(), e.data.end());
    return block;
}

// Any other block: base header, optional ADD_SIZE and payload.
inline Bytes RawBlock(uint8_t type, uint16_t flags, uint16_t headSize, const Bytes& rest)
{
    Bytes b;
    Put16(b, 0);
    b.push_back(type);
    Put16(b, flags);
    Put16(b, headSize);
    b.insert(b.end(), rest.begin(), rest.end());
    return b;
}

inline Bytes MarkerAndMain(uint16_t mainFlags = 0, const Bytes& comment = {}, int64_t mainSize = -1)
{
    Bytes a = {0x52, 0x61, 0x72, 0x21, 0x1A, 0x07, 0x00};
    Bytes m;
    m.push_back(0x73);
    Put16(m, mainFlags);
    Put16(m, mainSize >= 0 ? uint32_t(mainSize) : uint32_t(13 + comment.size()));
    Put16(m, 0);
    Put32(m, 0);
    m.insert(m.end(), comment.begin(), comment.end());
    Put16(a, rar::Crc32(m.data(), m.size()) & 0xFFFF);
    a.insert(a.end(), m.begin(), m.end());
    return a;
}

inline Bytes Concat(std::initializer_list<Bytes> parts)
{
    Bytes out;
    for (const Bytes& p : parts)
        out.insert(out.end(), p.begin(), p.end());
    return out;
}

inline Bytes Text(const char* s)
{
    return Bytes(s, s + std::string(s).size());
}

// Offset and size of the packed data of the first file block.
inline bool FirstEntryData(const Bytes& archive, size_t* offset, size_t* size)
{
    size_t main = 7;
    if (archive.size() < main + 13)
        return false;
    size_t block = main + (archive[main + 5] | archive[main + 6] << 8);
    if (archive.size() < block + 32)
        return false;
    size_t headSize = archive[block + 5] | archive[block + 6] << 8;
    *size = archive[block + 7] | archive[block + 8] << 8 | archive[block + 9] << 16 | size_t(archive[block + 10]) << 24;
    *offset = block + headSize;
    return *offset + *size <= archive.size();
}

} // namespace rartest
