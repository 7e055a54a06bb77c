// Portable core: Huffman codes of the RAR 2.0 compressor: code lengths from
// frequencies, canonical codes as the decoder builds them, and the table
// blocks that carry the lengths.
#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

#include "data/Rar20BitWriter.h"
#include "data/Rar20Format.h"

namespace rar {

constexpr int MAX_CODE_LEN = 15;

// Canonical codes: shorter codes first, then by symbol, as the decoder builds them.
void BuildCodes(const uint8_t* lens, int count, uint16_t* codes);

// Lengths for one table of a block: every code the stream may need later gets
// a frequency, and at least two codes exist so each table is a complete code.
// mustHave is a symbol that gets a code even when unused (-1: none).
void BuildTableLengths(const uint32_t* hist, int count, int mustHave, uint8_t* lens);

// One symbol of the bit-length code, with its extra bits.
struct LengthSymbol
{
    uint8_t sym;
    uint8_t extraBits;
    uint8_t extra;
};

// A table block as it would be written: the run-length symbols, the
// bit-length code and the block's size in bits.
struct TablePlan
{
    std::vector<LengthSymbol> runs;
    uint8_t bitLens[BC20];
    uint16_t bitCodes[BC20];
    size_t bits;
};

TablePlan PlanTable(const uint8_t* lens, int count, bool audio);

// Writes a table block of count lengths (audio: multimedia, with its
// channel count); the old table is always cleared.
void WriteTable(BitWriter& bw, const uint8_t* lens, int count, bool audio, int channels);

} // namespace rar
