// libFuzzer target: the RAR 2.0 decompressor alone. Input: a flag byte (bit 0:
// split the stream into two entries of a solid archive), three bytes of
// output size, then the packed stream.
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "data/Rar20Decoder.h"

namespace {

uint8_t* Copy(const uint8_t* data, size_t size)
{
    uint8_t* copy = static_cast<uint8_t*>(std::malloc(size == 0 ? 1 : size));
    if (size > 0)
        std::memcpy(copy, data, size);
    return copy;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 4)
        return 0;
    bool solidPair = (data[0] & 1) != 0;
    // up to 2 MiB of output, enough to wrap the window twice
    uint32_t outSize = (uint32_t(data[1]) | uint32_t(data[2]) << 8 | uint32_t(data[3]) << 16) & 0x1FFFFF;
    data += 4;
    size -= 4;

    uint8_t* out = static_cast<uint8_t*>(std::malloc(outSize == 0 ? 1 : outSize));
    if (!solidPair)
    {
        uint8_t* in = Copy(data, size);
        uint32_t produced = 0;
        Rar20Decode(in, uint32_t(size), out, outSize, &produced);
        if (produced > outSize)
            __builtin_trap();
        std::free(in);
    }
    else
    {
        size_t half = size / 2;
        uint8_t* first = Copy(data, half);
        uint8_t* second = Copy(data + half, size - half);
        CRar20Decoder* decoder = new CRar20Decoder();
        if (decoder->Init())
        {
            // the first entry only passes through the window
            decoder->DecodeEntry(first, uint32_t(half), nullptr, outSize, false);
            uint32_t produced = decoder->DecodeEntry(second, uint32_t(size - half), out, outSize, true);
            if (produced > outSize)
                __builtin_trap();
        }
        delete decoder;
        std::free(first);
        std::free(second);
    }
    std::free(out);
    return 0;
}
