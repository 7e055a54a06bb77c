// Portable core: CRC-32 with the reflected polynomial 0xEDB88320 (the one RAR,
// zip and PNG use). Shared by the archive reader and writer.
#pragma once
#include <cstddef>
#include <cstdint>

// CRC-32 of a whole buffer (initial value 0xFFFFFFFF, final complement).
uint32_t Crc32(const void* data, size_t size);

// Running form for data that arrives in pieces: start with crc = 0xFFFFFFFF,
// feed every piece in order, complement the result at the end.
uint32_t Crc32Update(uint32_t crc, const void* data, size_t size);
