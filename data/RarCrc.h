// Portable core: the CRC-32 of the RAR formats (reflected polynomial
// 0xEDB88320), used for entry checks and by the password key schedules.
#pragma once
#include <cstddef>
#include <cstdint>

namespace rar {

struct CrcTable
{
    uint32_t entry[256];

    constexpr CrcTable() : entry()
    {
        for (uint32_t i = 0; i < 256; ++i)
        {
            uint32_t c = i;
            for (int k = 0; k < 8; ++k)
                c = (c & 1) ? (c >> 1) ^ 0xEDB88320u : c >> 1;
            entry[i] = c;
        }
    }
    uint32_t operator[](size_t i) const { return entry[i]; }
};

// Built at compile time, so no request ever sees a half-built table.
inline constexpr CrcTable CRC_TABLE{};

// Continues a running CRC without the final complement (start with 0xFFFFFFFF).
inline uint32_t CrcUpdate(uint32_t crc, const uint8_t* data, size_t size)
{
    for (size_t i = 0; i < size; ++i)
        crc = CRC_TABLE[(crc ^ data[i]) & 0xFF] ^ (crc >> 8);
    return crc;
}

// The CRC-32 as stored in FILE_CRC.
inline uint32_t Crc32(const uint8_t* data, size_t size)
{
    return ~CrcUpdate(0xFFFFFFFFu, data, size);
}

} // namespace rar
