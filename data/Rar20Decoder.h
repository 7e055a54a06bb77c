// Portable core: the RAR 2.0 decompressor (LZ and multimedia modes, 1 MiB
// window). Safe on any input: it reads only inside the given input, writes
// only inside its window and the given output, and ends once the input is
// used up.
#pragma once
#include <cstdint>

#include "data/Rar20Audio.h"
#include "data/Rar20Format.h"

// A canonical prefix code as the format builds it from code lengths.
struct Rar20Code
{
    static constexpr int QUICK_BITS = 10;
    static constexpr int MAX_SYMBOLS = rar::NC20;

    uint32_t m_nDecodeLen[16];
    uint32_t m_nDecodePos[16];
    uint16_t m_nSymbol[MAX_SYMBOLS];
    // Codes of up to QUICK_BITS bits, indexed by the next QUICK_BITS input
    // bits: the symbol, and the length (0 where the code is longer). The
    // length has a table of its own: the next look-up waits only for it.
    uint16_t m_nQuickSymbol[1 << QUICK_BITS];
    uint8_t m_nQuickLength[1 << QUICK_BITS];
    uint32_t m_nCount;

    void Build(const uint8_t* lengths, uint32_t count);
    // Decodes from 16 look-ahead bits; returns the symbol and its length.
    uint32_t Decode(uint32_t bits16, uint32_t* length) const;
};

class CRar20Decoder
{
public:
    CRar20Decoder();
    ~CRar20Decoder();
    CRar20Decoder(const CRar20Decoder&) = delete;
    CRar20Decoder& operator=(const CRar20Decoder&) = delete;

    // Allocates the window; false when memory is short.
    bool Init();

    // Decodes one entry of inSize packed bytes into at most outSize bytes.
    // out may be null: the entry then only passes through the window (an
    // earlier entry of a solid archive). With solid set, tables, window and
    // match history carry over from the previous entry. Returns the number
    // of bytes produced; fewer than outSize means the input was short or bad.
    // keepWindow false: no solid entry follows this one, so the window need
    // not hold its bytes afterwards.
    uint32_t DecodeEntry(const uint8_t* in, uint32_t inSize, uint8_t* out, uint32_t outSize, bool solid,
                         bool keepWindow = true);

private:
    void ResetState();
    bool ReadTables();
    void ReadTrailingTables();
    // The main loops; they return false when a table block is bad. Each is
    // built as it is and, on x86, for processors with BMI2, chosen at run
    // time.
    bool DecodeLz();
    bool DecodeAudio();
    bool DecodeLzLoop();
    bool DecodeAudioLoop();
    bool DecodeLzBmi2();
    bool DecodeAudioBmi2();

    // bit input over [m_pIn, m_pIn + m_nInSize); zeros past the end
    uint32_t PeekBits() const;
    void SkipBits(uint32_t n) { m_nBitPos += n; }
    bool InputOverrun() const { return m_nBitPos > uint64_t(m_nInSize) * 8; }
    uint32_t ReadBits(uint32_t n);
    uint32_t DecodeSymbol(const Rar20Code& code);

    uint8_t* m_pWindow;
    uint32_t m_nWinPos;
    bool m_bWrapped; // every window byte has been written since the reset

    const uint8_t* m_pIn;
    uint32_t m_nInSize;
    uint64_t m_nBitPos;

    uint8_t* m_pOut;
    uint32_t m_nOutSize;
    uint32_t m_nProduced;

    Rar20Code m_LD;
    Rar20Code m_DD;
    Rar20Code m_RD;
    Rar20Code m_BD;
    Rar20Code m_MD[rar::MAX_CHANNELS];
    uint8_t m_nOldTable[rar::MC20 * rar::MAX_CHANNELS];
    bool m_bTablesRead;

    uint32_t m_nOldDist[4];
    uint32_t m_nOldDistPtr;
    uint32_t m_nLastDist;
    uint32_t m_nLastLength;

    bool m_bAudio;
    rar::AudioPredictor m_Audio;
};

// Decodes one non-solid stream with a fresh decoder. Returns false only when
// memory is short; *produced receives the byte count.
bool Rar20Decode(const uint8_t* in, uint32_t inSize, uint8_t* out, uint32_t outSize, uint32_t* produced);
