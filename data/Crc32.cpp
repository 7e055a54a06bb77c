// Portable core: CRC-32, table driven, eight bytes per step.
#include "data/Crc32.h"

namespace {

struct Crc32Tables
{
    uint32_t t[8][256];

    Crc32Tables()
    {
        for (uint32_t i = 0; i < 256; i++)
        {
            uint32_t c = i;
            for (int k = 0; k < 8; k++)
                c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
            t[0][i] = c;
        }
        for (uint32_t i = 0; i < 256; i++)
            for (int s = 1; s < 8; s++)
                t[s][i] = (t[s - 1][i] >> 8) ^ t[0][t[s - 1][i] & 0xFF];
    }
};

const Crc32Tables& Tables()
{
    static const Crc32Tables tables;
    return tables;
}

} // namespace

uint32_t Crc32Update(uint32_t crc, const void* data, size_t size)
{
    const Crc32Tables& tb = Tables();
    const unsigned char* p = static_cast<const unsigned char*>(data);
    while (size >= 8)
    {
        // Little-endian assembly keeps it independent of the host byte order.
        uint32_t lo = crc ^ (uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24);
        uint32_t hi = uint32_t(p[4]) | uint32_t(p[5]) << 8 | uint32_t(p[6]) << 16 | uint32_t(p[7]) << 24;
        crc = tb.t[7][lo & 0xFF] ^ tb.t[6][(lo >> 8) & 0xFF] ^ tb.t[5][(lo >> 16) & 0xFF] ^ tb.t[4][lo >> 24] ^
              tb.t[3][hi & 0xFF] ^ tb.t[2][(hi >> 8) & 0xFF] ^ tb.t[1][(hi >> 16) & 0xFF] ^ tb.t[0][hi >> 24];
        p += 8;
        size -= 8;
    }
    while (size--)
        crc = tb.t[0][(crc ^ *p++) & 0xFF] ^ (crc >> 8);
    return crc;
}

uint32_t Crc32(const void* data, size_t size)
{
    return Crc32Update(0xFFFFFFFFu, data, size) ^ 0xFFFFFFFFu;
}
