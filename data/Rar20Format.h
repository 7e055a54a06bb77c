// Portable core: constants of the RAR 1.5/2.0 archive format shared by the
// reader, the decompressor, the writer and the compressor.
#pragma once
#include <cstdint>

namespace rar {

// Block types (HEAD_TYPE).
constexpr uint8_t BLOCK_MARKER = 0x72;
constexpr uint8_t BLOCK_MAIN = 0x73;
constexpr uint8_t BLOCK_FILE = 0x74;
constexpr uint8_t BLOCK_COMMENT = 0x75;
constexpr uint8_t BLOCK_AV = 0x76;
constexpr uint8_t BLOCK_SUB = 0x77;
constexpr uint8_t BLOCK_PROTECT = 0x78;
constexpr uint8_t BLOCK_END = 0x7B;

// The 7-byte marker block that starts every RAR 1.5 to 4.x archive.
constexpr uint8_t MARKER[7] = {0x52, 0x61, 0x72, 0x21, 0x1A, 0x07, 0x00};

// Block header flags.
constexpr uint16_t FLAG_LONG_BLOCK = 0x8000; // ADD_SIZE follows the header fields

// File header flags.
constexpr uint16_t FILE_SPLIT_BEFORE = 0x0001;
constexpr uint16_t FILE_SPLIT_AFTER = 0x0002;
constexpr uint16_t FILE_ENCRYPTED = 0x0004;
constexpr uint16_t FILE_COMMENT = 0x0008;
constexpr uint16_t FILE_SOLID = 0x0010;
constexpr uint16_t FILE_DIRECTORY = 0x00E0; // dictionary bits all set
constexpr uint16_t FILE_LARGE = 0x0100;     // HIGH_PACK_SIZE and HIGH_UNP_SIZE present
constexpr uint16_t FILE_UNICODE = 0x0200;
constexpr uint16_t FILE_SALT = 0x0400;
constexpr uint16_t FILE_EXT_TIME = 0x1000;

// Main header flags.
constexpr uint16_t MAIN_SOLID = 0x0008;

// Packing methods.
constexpr uint8_t METHOD_STORE = 0x30;
constexpr uint8_t METHOD_BEST = 0x35;

// RAR 2.0 compression.
constexpr int WINDOW_SIZE = 0x100000; // 1 MiB
constexpr int NC20 = 298;             // literal/length codes
constexpr int DC20 = 48;              // distance codes
constexpr int RC20 = 28;              // length codes of repeated matches
constexpr int BC20 = 19;              // bit-length codes
constexpr int MC20 = 257;             // multimedia codes per channel
constexpr int MAX_CHANNELS = 4;

constexpr uint8_t LENGTH_BASE[28] = {0,  1,  2,  3,  4,  5,  6,  7,  8,  10,  12,  14,  16,  20,
                                     24, 28, 32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224};
constexpr uint8_t LENGTH_BITS[28] = {0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 1, 1, 2, 2,
                                     2, 2, 3, 3, 3, 3, 4, 4, 4, 4, 5, 5, 5, 5};
constexpr uint32_t DISTANCE_BASE[48] = {0,      1,      2,      3,      4,      6,      8,      12,     16,     24,
                                        32,     48,     64,     96,     128,    192,    256,    384,    512,    768,
                                        1024,   1536,   2048,   3072,   4096,   6144,   8192,   12288,  16384,  24576,
                                        32768,  49152,  65536,  98304,  131072, 196608, 262144, 327680, 393216, 458752,
                                        524288, 589824, 655360, 720896, 786432, 851968, 917504, 983040};
constexpr uint8_t DISTANCE_BITS[48] = {0,  0,  0,  0,  1,  1,  2,  2,  3,  3,  4,  4,  5,  5,  6,  6,
                                       7,  7,  8,  8,  9,  9,  10, 10, 11, 11, 12, 12, 13, 13, 14, 14,
                                       15, 15, 16, 16, 16, 16, 16, 16, 16, 16, 16, 16, 16, 16, 16, 16};
constexpr uint8_t SHORT_DISTANCE_BASE[8] = {0, 4, 8, 16, 32, 64, 128, 192};
constexpr uint8_t SHORT_DISTANCE_BITS[8] = {2, 2, 3, 4, 5, 6, 6, 6};

// Length bonuses the decoder adds for far matches: to a new match, and to a
// match at an old distance.
constexpr uint32_t MatchBonus(uint32_t dist)
{
    return (dist >= 0x2000) + (dist >= 0x40000);
}
constexpr uint32_t OldBonus(uint32_t dist)
{
    return (dist >= 0x101) + (dist >= 0x2000) + (dist >= 0x40000);
}

} // namespace rar
