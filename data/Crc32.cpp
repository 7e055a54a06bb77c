// Portable core: the whole-buffer and running CRC-32 over the one table set
// the archive code shares (data/RarCrc.h).
#include "data/Crc32.h"

#include "data/RarCrc.h"

uint32_t Crc32Update(uint32_t crc, const void* data, size_t size)
{
    return rar::CrcUpdate(crc, static_cast<const uint8_t*>(data), size);
}

uint32_t Crc32(const void* data, size_t size)
{
    return ~Crc32Update(0xFFFFFFFFu, data, size);
}
