// Fuzz target: whatever bytes the writer packs, in any mode, our reader must
// give back exactly. The first byte picks the options, the next bytes cut the
// rest into up to four entries.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "data/RarArchive.h"
#include "data/RarWriter.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 2)
        return 0;
    const uint8_t cfg = data[0];
    rar::WriterOptions o;
    o.solid = cfg & 1;
    o.compress.mode = static_cast<rar::CompressMode>((cfg >> 1) % 3);
    o.compress.channels = (cfg >> 3) % 5;
    o.compress.chainDepth = 1 + (cfg >> 6) * 20;
    o.compress.lazy = (cfg & 0x20) != 0;
    const uint8_t cuts = data[1];
    data += 2;
    size -= 2;

    std::vector<std::vector<unsigned char>> entries;
    const int count = 1 + (cuts & 3);
    size_t pos = 0;
    for (int i = 0; i < count; i++)
    {
        size_t len = i + 1 == count ? size - pos : std::min(size - pos, size * ((cuts >> 2) % 8 + 1) / 16);
        entries.emplace_back(data + pos, data + pos + len);
        pos += len;
    }

    rar::CRarWriter w(o);
    for (size_t i = 0; i < entries.size(); i++)
    {
        const rar::PackMethod method = (cuts & 0x80) && i == 1 ? rar::PackMethod::Store : rar::PackMethod::Compress;
        if (!w.AddFile("e" + std::to_string(i), entries[i], method))
            std::abort();
    }
    const std::vector<unsigned char>& a = w.Bytes();
    for (size_t i = 0; i < entries.size(); i++)
    {
        ArchiveView view{a.data(), static_cast<uint32_t>(a.size()), 0};
        unsigned char* out = nullptr;
        uint32_t outSize = 0;
        const std::string name = "e" + std::to_string(i);
        if (!ExtractArchiveEntry("", name.c_str(), &out, &outSize, &view))
            std::abort();
        if (outSize != entries[i].size() || (outSize && std::memcmp(out, entries[i].data(), outSize) != 0))
            std::abort();
        std::free(out);
    }
    return 0;
}
