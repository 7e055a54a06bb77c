// CRC-32 against published check values, whole and in pieces.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "data/Crc32.h"

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
