// libFuzzer target: the archive reader over arbitrary bytes, names and
// passwords, the same request twice through a load's cache (also after every
// entry was unpacked ahead into it), and the entry listing. Input: name
// length, password length, name, password, archive.
#include <atomic>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "data/ArchiveLoadCache.h"
#include "data/RarArchive.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 2)
        return 0;
    size_t nameLength = data[0] % 64;
    size_t passwordLength = data[1] % 32;
    data += 2;
    size -= 2;
    if (size < nameLength + passwordLength)
        return 0;
    std::string name(reinterpret_cast<const char*>(data), nameLength);
    std::string password(reinterpret_cast<const char*>(data + nameLength), passwordLength);
    data += nameLength + passwordLength;
    size -= nameLength + passwordLength;

    // an exact-size copy, so that any read past the archive is caught
    uint8_t* archive = static_cast<uint8_t*>(std::malloc(size == 0 ? 1 : size));
    if (size > 0)
        std::memcpy(archive, data, size);
    ArchiveView view{archive, uint32_t(size), 0};
    unsigned char* out = nullptr;
    uint32_t outSize = 0;
    bool ok = ExtractArchiveEntry(password.c_str(), name.c_str(), &out, &outSize, &view);
    if (ok)
    {
        if (out == nullptr)
            __builtin_trap();
        // touch every byte: the reported size must be the buffer's
        volatile uint8_t sum = 0;
        for (uint32_t i = 0; i < outSize; ++i)
            sum = uint8_t(sum + out[i]);
    }
    else if (out != nullptr || outSize != 0)
    {
        __builtin_trap();
    }

    // through a cache, the first request decodes and the second copies, and
    // with every entry unpacked ahead both copy: all give exactly what the
    // plain request gave
    for (const bool ahead : {false, true})
    {
        ArchiveLoadCache cache;
        if (ahead)
        {
            const std::atomic<bool> stop{false};
            UnpackAheadInto(cache, ArchiveView{archive, uint32_t(size), 0}, nullptr, stop);
        }
        for (int round = 0; round < 2; ++round)
        {
            ArchiveView cachedView{archive, uint32_t(size), 0};
            unsigned char* cached = nullptr;
            uint32_t cachedSize = 0;
            const bool cachedOk =
                ExtractArchiveEntry(password.c_str(), name.c_str(), &cached, &cachedSize, &cachedView);
            if (cachedOk != ok || cachedSize != outSize || cachedView.offset != view.offset ||
                (ok && std::memcmp(cached, out, outSize) != 0))
                __builtin_trap();
            std::free(cached);
        }
    }
    std::free(out);

    // the listing walks the same headers; every name it gives is a C string
    // of bounded length
    ListArchiveEntries(
        view,
        [](void*, const char* entry, uint32_t) {
            if (std::strlen(entry) > 511)
                __builtin_trap();
        },
        nullptr);
    std::free(archive);
    return 0;
}
