// libFuzzer target: the RAR 2.0 decompressor alone. Input: a flag byte (bit 0:
// split the stream into two entries of a solid archive), three bytes of
// output size, then the packed stream.
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "data/Rar20Decoder.h"

namespace {

// up to 2 MiB of output, enough to wrap the window twice
constexpr uint32_t MAX_OUT = 0x200000;

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
    // One decoder and one output buffer for the whole run: a fresh 1 MiB
    // window per input would spend the time in the allocator. A non-solid
    // entry resets the decoder, so inputs do not see each other.
    static CRar20Decoder* s_decoder = nullptr;
    static uint8_t* s_out = nullptr;
    if (s_decoder == nullptr)
    {
        s_decoder = new CRar20Decoder();
        if (!s_decoder->Init())
            __builtin_trap();
        s_out = static_cast<uint8_t*>(std::malloc(MAX_OUT));
    }
    if (size < 4)
        return 0;
    bool solidPair = (data[0] & 1) != 0;
    uint32_t outSize = (uint32_t(data[1]) | uint32_t(data[2]) << 8 | uint32_t(data[3]) << 16) & (MAX_OUT - 1);
    data += 4;
    size -= 4;
    // the output ends where the buffer ends, so ASan sees any write past it
    uint8_t* out = s_out + (MAX_OUT - outSize);

    size_t firstSize = solidPair ? size / 2 : 0;
    uint8_t* first = Copy(data, firstSize);
    uint8_t* second = Copy(data + firstSize, size - firstSize);
    if (solidPair)
    {
        // the first entry only passes through the window
        s_decoder->DecodeEntry(first, uint32_t(firstSize), nullptr, outSize, false);
    }
    uint32_t produced = s_decoder->DecodeEntry(second, uint32_t(size - firstSize), out, outSize, solidPair);
    if (produced > outSize)
        __builtin_trap();
    std::free(first);
    std::free(second);
    return 0;
}
