// Portable core: the CRC-32 of the RAR formats (reflected polynomial
// 0xEDB88320), used for entry checks and by the password key schedules.
#pragma once
#include <cstddef>
#include <cstdint>

namespace rar {

// Sixteen tables for slicing by sixteen bytes; entry[0] is the classic one.
struct CrcTable
{
    uint32_t entry[16][256];

    constexpr CrcTable() : entry()
    {
        for (uint32_t i = 0; i < 256; ++i)
        {
            uint32_t c = i;
            for (int k = 0; k < 8; ++k)
                c = (c & 1) ? (c >> 1) ^ 0xEDB88320u : c >> 1;
            entry[0][i] = c;
        }
        for (uint32_t i = 0; i < 256; ++i)
            for (int t = 1; t < 16; ++t)
                entry[t][i] = (entry[t - 1][i] >> 8) ^ entry[0][entry[t - 1][i] & 0xFF];
    }
    uint32_t operator[](size_t i) const { return entry[0][i]; }
};

// Built at compile time, so no request ever sees a half-built table.
inline constexpr CrcTable CRC_TABLE{};

// Continues a running CRC over a whole buffer by folding it with carry-less
// multiplies where the processor has them, sixteen bytes at a time; by the
// tables otherwise, and for buffers shorter than CRC_FOLD_MIN.
constexpr size_t CRC_FOLD_MIN = 64;
uint32_t CrcUpdateFolded(uint32_t crc, const uint8_t* data, size_t size);

// Continues a running CRC by the tables.
inline uint32_t CrcUpdateTable(uint32_t crc, const uint8_t* data, size_t size)
{
    const auto& t = CRC_TABLE.entry;
    while (size >= 16)
    {
        const uint32_t a =
            crc ^ (uint32_t(data[0]) | uint32_t(data[1]) << 8 | uint32_t(data[2]) << 16 | uint32_t(data[3]) << 24);
        crc = t[15][a & 0xFF] ^ t[14][(a >> 8) & 0xFF] ^ t[13][(a >> 16) & 0xFF] ^ t[12][a >> 24] ^ t[11][data[4]] ^
              t[10][data[5]] ^ t[9][data[6]] ^ t[8][data[7]] ^ t[7][data[8]] ^ t[6][data[9]] ^ t[5][data[10]] ^
              t[4][data[11]] ^ t[3][data[12]] ^ t[2][data[13]] ^ t[1][data[14]] ^ t[0][data[15]];
        data += 16;
        size -= 16;
    }
    for (size_t i = 0; i < size; ++i)
        crc = t[0][(crc ^ data[i]) & 0xFF] ^ (crc >> 8);
    return crc;
}

// Continues a running CRC without the final complement (start with 0xFFFFFFFF).
inline uint32_t CrcUpdate(uint32_t crc, const uint8_t* data, size_t size)
{
    return size >= CRC_FOLD_MIN ? CrcUpdateFolded(crc, data, size) : CrcUpdateTable(crc, data, size);
}

// The CRC-32 as stored in FILE_CRC.
inline uint32_t Crc32(const uint8_t* data, size_t size)
{
    return ~CrcUpdate(0xFFFFFFFFu, data, size);
}

} // namespace rar
