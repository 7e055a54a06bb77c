// Portable core: the CRC-32 of long buffers, folded with carry-less
// multiplies on x86-64 processors that have them.
#include "data/RarCrc.h"

// Only 64-bit: every 64-bit system saves the SSE registers, while the 32-bit
// build also runs on Windows versions that may not, where an SSE instruction
// faults whatever the processor reports.
#if defined(__x86_64__) && defined(__GNUC__)
#define QM_CRC_FOLD 1
#include <emmintrin.h>
#include <wmmintrin.h>
#endif

namespace rar {

#if defined(QM_CRC_FOLD)

namespace {

// x^e modulo the CRC polynomial, bit-reflected into 33 bits as the
// multiplies of reflected data want it.
constexpr uint64_t FoldConstant(int e)
{
    uint64_t r = 1; // x^0, in the polynomial's own (unreflected) order
    for (int i = 0; i < e; ++i)
    {
        r <<= 1;
        if (r & (uint64_t(1) << 32))
            r ^= 0x104C11DB7u;
    }
    uint64_t reflected = 0;
    for (int i = 0; i < 33; ++i)
        if (r & (uint64_t(1) << i))
            reflected |= uint64_t(1) << (32 - i);
    return reflected;
}

// A 128-bit remainder moved n bits on: its low half times x^(n+32), its
// high half times x^(n-32).
__attribute__((target("sse2,pclmul"))) inline __m128i Fold(__m128i x, __m128i k, __m128i next)
{
    return _mm_xor_si128(_mm_xor_si128(_mm_clmulepi64_si128(x, k, 0x00), _mm_clmulepi64_si128(x, k, 0x11)), next);
}

__attribute__((target("sse2,pclmul"))) inline __m128i Load(const uint8_t* p)
{
    return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
}

// Four remainders side by side over 64-byte strides, then one over 16-byte
// steps. The last remainder has the same CRC as the data it stands for, so
// the tables finish it and the tail.
__attribute__((target("sse2,pclmul"))) uint32_t Folded(uint32_t crc, const uint8_t* data, size_t size)
{
    const __m128i k512 = _mm_set_epi64x(int64_t(FoldConstant(512 - 32)), int64_t(FoldConstant(512 + 32)));
    const __m128i k128 = _mm_set_epi64x(int64_t(FoldConstant(128 - 32)), int64_t(FoldConstant(128 + 32)));
    // the running value enters as if it were xored into the first bytes
    __m128i x0 = _mm_xor_si128(Load(data), _mm_cvtsi32_si128(int(crc)));
    __m128i x1 = Load(data + 16);
    __m128i x2 = Load(data + 32);
    __m128i x3 = Load(data + 48);
    data += 64;
    size -= 64;
    for (; size >= 64; data += 64, size -= 64)
    {
        x0 = Fold(x0, k512, Load(data));
        x1 = Fold(x1, k512, Load(data + 16));
        x2 = Fold(x2, k512, Load(data + 32));
        x3 = Fold(x3, k512, Load(data + 48));
    }
    __m128i x = Fold(Fold(Fold(x0, k128, x1), k128, x2), k128, x3);
    for (; size >= 16; data += 16, size -= 16)
        x = Fold(x, k128, Load(data));
    alignas(16) uint8_t rest[16];
    _mm_store_si128(reinterpret_cast<__m128i*>(rest), x);
    return CrcUpdateTable(CrcUpdateTable(0, rest, 16), data, size);
}

bool HasCarrylessMultiply()
{
    static const bool has = __builtin_cpu_supports("pclmul") && __builtin_cpu_supports("sse2");
    return has;
}

} // namespace

uint32_t CrcUpdateFolded(uint32_t crc, const uint8_t* data, size_t size)
{
    return size >= CRC_FOLD_MIN && HasCarrylessMultiply() ? Folded(crc, data, size) : CrcUpdateTable(crc, data, size);
}

#else

uint32_t CrcUpdateFolded(uint32_t crc, const uint8_t* data, size_t size)
{
    return CrcUpdateTable(crc, data, size);
}

#endif

} // namespace rar
