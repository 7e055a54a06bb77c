// CRC-32 against published check values, whole and in pieces.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "data/Crc32.h"
#include "data/RarCrc.h"

TEST(Crc32, KnownValues)
{
    EXPECT_EQ(Crc32("", 0), 0u);
    EXPECT_EQ(Crc32("123456789", 9), 0xCBF43926u);
    // "file1\r\n" as stored in the RAR fixtures.
    EXPECT_EQ(Crc32("file1\r\n", 7), 0x7A197DBAu);
}

TEST(Crc32, PiecesAgreeWithWhole)
{
    std::vector<unsigned char> data(1000);
    for (size_t i = 0; i < data.size(); i++)
        data[i] = static_cast<unsigned char>(i * 131 + (i >> 3));
    const uint32_t whole = Crc32(data.data(), data.size());
    for (size_t cut : {0, 1, 7, 8, 9, 500, 999, 1000})
    {
        uint32_t c = Crc32Update(0xFFFFFFFFu, data.data(), cut);
        c = Crc32Update(c, data.data() + cut, data.size() - cut);
        EXPECT_EQ(c ^ 0xFFFFFFFFu, whole) << "cut at " << cut;
    }
}

// Long buffers are folded in strides of 64 and steps of 16 bytes: every
// length across those strides, from any start within a word and any running
// value, gives what the tables give byte by byte.
TEST(Crc32, FoldedAgreesWithTables)
{
    std::vector<uint8_t> data(1200);
    for (size_t i = 0; i < data.size(); i++)
        data[i] = static_cast<uint8_t>((i * 2654435761u) >> 13);
    for (uint32_t running : {0xFFFFFFFFu, 0u, 0x12345678u})
        for (size_t start = 0; start < 4; start++)
            for (size_t size = rar::CRC_FOLD_MIN; size + start <= data.size(); size += size < 300 ? 1 : 97)
                ASSERT_EQ(rar::CrcUpdateFolded(running, data.data() + start, size),
                          rar::CrcUpdateTable(running, data.data() + start, size))
                    << "start " << start << ", size " << size;
}
