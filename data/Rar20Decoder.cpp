// Portable core: the RAR 2.0 decompressor.
#include "data/Rar20Decoder.h"

#include <cstdlib>
#include <cstring>
#include <new>
#include <type_traits>

// Inlining the step of an unrolled loop keeps its state in registers, and
// inlining the loops into a function built for more instructions builds them
// with those.
#if defined(__GNUC__)
#define QM_ALWAYS_INLINE __attribute__((always_inline))
#else
#define QM_ALWAYS_INLINE
#endif

// x86 processors with BMI2 shift by a count in any register in one step, and
// the bit input shifts by each code's length once a symbol.
#if (defined(__x86_64__) || defined(__i386__)) && defined(__GNUC__)
#define QM_BMI2_LOOPS 1
#endif

namespace {

constexpr uint32_t WINDOW_MASK = rar::WINDOW_SIZE - 1;
constexpr uint32_t LZ_TABLE_SIZE = rar::NC20 + rar::DC20 + rar::RC20;

// LZ symbols
constexpr uint32_t SYM_REPEAT_LAST = 256;
constexpr uint32_t SYM_OLD_DIST_LAST = 260;
constexpr uint32_t SYM_NEW_TABLE = 269;
constexpr uint32_t SYM_MATCH_FIRST = 270;
// multimedia symbol that announces new tables
constexpr uint32_t SYM_AUDIO_NEW_TABLE = 256;

} // namespace

void Rar20Code::Build(const uint8_t* lengths, uint32_t count)
{
    uint32_t lengthCount[16] = {};
    for (uint32_t i = 0; i < count; ++i)
        lengthCount[lengths[i] & 15]++;
    lengthCount[0] = 0;

    m_nCount = count;
    m_nDecodeLen[0] = 0;
    m_nDecodePos[0] = 0;
    uint32_t upper = 0;
    for (int i = 1; i < 16; ++i)
    {
        upper += lengthCount[i];
        m_nDecodeLen[i] = upper << (16 - i);
        upper <<= 1;
        m_nDecodePos[i] = m_nDecodePos[i - 1] + lengthCount[i - 1];
    }

    std::memset(m_nSymbol, 0, sizeof(m_nSymbol));
    uint32_t next[16];
    std::memcpy(next, m_nDecodePos, sizeof(next));
    for (uint32_t i = 0; i < count; ++i)
    {
        uint32_t len = lengths[i] & 15;
        if (len != 0)
            m_nSymbol[next[len]++] = uint16_t(i);
    }

    // Short codes decode by one table look-up. Codes are handed out in
    // canonical order; lengths that oversubscribe the code space stop the
    // fill, and the rest goes the long way.
    std::memset(m_nQuickLength, 0, sizeof(m_nQuickLength));
    uint32_t code = 0;
    for (int len = 1; len <= QUICK_BITS; ++len)
    {
        for (uint32_t k = 0; k < lengthCount[len]; ++k, ++code)
        {
            uint32_t first = code << (QUICK_BITS - len);
            uint32_t last = (code + 1) << (QUICK_BITS - len);
            if (last > (1u << QUICK_BITS))
                return;
            const uint16_t symbol = m_nSymbol[m_nDecodePos[len] + k];
            for (uint32_t q = first; q < last; ++q)
            {
                m_nQuickSymbol[q] = symbol;
                m_nQuickLength[q] = uint8_t(len);
            }
        }
        code <<= 1;
    }
}

uint32_t Rar20Code::Decode(uint32_t bits16, uint32_t* length) const
{
    uint32_t field = bits16 & 0xFFFE;
    uint32_t len = 1;
    while (len < 15 && field >= m_nDecodeLen[len])
        ++len;
    // codes the lengths leave unused fall back to the first symbol
    uint32_t pos = m_nDecodePos[len] + ((field - m_nDecodeLen[len - 1]) >> (16 - len));
    if (pos >= m_nCount)
        pos = 0;
    *length = len;
    return m_nSymbol[pos];
}

CRar20Decoder::CRar20Decoder() : m_pWindow(nullptr)
{
    ResetState();
    m_pIn = nullptr;
    m_nInSize = 0;
    m_nBitPos = 0;
    m_pOut = nullptr;
    m_nOutSize = 0;
    m_nProduced = 0;
}

CRar20Decoder::~CRar20Decoder()
{
    std::free(m_pWindow);
}

bool CRar20Decoder::Init()
{
    if (m_pWindow == nullptr)
        m_pWindow = static_cast<uint8_t*>(std::malloc(rar::WINDOW_SIZE));
    return m_pWindow != nullptr;
}

void CRar20Decoder::ResetState()
{
    m_nWinPos = 0;
    m_bWrapped = false;
    // empty codes decode every input to symbol 0; a table block builds the
    // codes before any of them is used
    std::memset(&m_LD, 0, sizeof(m_LD));
    std::memset(&m_DD, 0, sizeof(m_DD));
    std::memset(&m_RD, 0, sizeof(m_RD));
    std::memset(&m_BD, 0, sizeof(m_BD));
    std::memset(m_MD, 0, sizeof(m_MD));
    std::memset(m_nOldTable, 0, sizeof(m_nOldTable));
    m_bTablesRead = false;

    std::memset(m_nOldDist, 0, sizeof(m_nOldDist));
    m_nOldDistPtr = 0;
    m_nLastDist = 0;
    m_nLastLength = 0;

    m_bAudio = false;
    m_Audio = rar::AudioPredictor();
}

uint32_t CRar20Decoder::PeekBits() const
{
    uint64_t byte = m_nBitPos >> 3;
    if (byte >= m_nInSize)
        return 0;
    uint32_t b = uint32_t(byte);
    uint32_t v;
    if (b + 3 <= m_nInSize)
    {
        v = uint32_t(m_pIn[b]) << 16 | uint32_t(m_pIn[b + 1]) << 8 | m_pIn[b + 2];
    }
    else
    {
        v = uint32_t(m_pIn[b]) << 16;
        if (b + 1 < m_nInSize)
            v |= uint32_t(m_pIn[b + 1]) << 8;
    }
    return (v >> (8 - (m_nBitPos & 7))) & 0xFFFF;
}

uint32_t CRar20Decoder::ReadBits(uint32_t n)
{
    uint32_t v = PeekBits() >> (16 - n);
    SkipBits(n);
    return v;
}

uint32_t CRar20Decoder::DecodeSymbol(const Rar20Code& code)
{
    uint32_t bits = PeekBits();
    const uint32_t q = bits >> (16 - Rar20Code::QUICK_BITS);
    uint32_t len = code.m_nQuickLength[q];
    if (len != 0)
    {
        SkipBits(len);
        return code.m_nQuickSymbol[q];
    }
    uint32_t symbol = code.Decode(bits, &len);
    SkipBits(len);
    return symbol;
}

bool CRar20Decoder::ReadTables()
{
    if (InputOverrun())
        return false;

    uint32_t header = PeekBits();
    bool audio = (header & 0x8000) != 0;
    if ((header & 0x4000) == 0)
        std::memset(m_nOldTable, 0, sizeof(m_nOldTable));
    SkipBits(2);

    uint32_t tableSize;
    uint32_t channels = 1;
    if (audio)
    {
        channels = ((header >> 12) & 3) + 1;
        SkipBits(2);
        tableSize = rar::MC20 * channels;
    }
    else
    {
        tableSize = LZ_TABLE_SIZE;
    }

    uint8_t bitLengths[rar::BC20];
    for (auto& len : bitLengths)
        len = uint8_t(ReadBits(4));
    m_BD.Build(bitLengths, rar::BC20);

    uint8_t table[rar::MC20 * rar::MAX_CHANNELS];
    uint32_t i = 0;
    while (i < tableSize)
    {
        if (InputOverrun())
            return false;
        uint32_t number = DecodeSymbol(m_BD);
        if (number < 16)
        {
            table[i] = uint8_t((number + m_nOldTable[i]) & 15);
            ++i;
        }
        else if (number == 16)
        {
            // "repeat the previous length" has nothing to repeat at the start
            if (i == 0)
                return false;
            uint32_t n = ReadBits(2) + 3;
            for (; n > 0 && i < tableSize; --n, ++i)
                table[i] = table[i - 1];
        }
        else
        {
            uint32_t n = number == 17 ? ReadBits(3) + 3 : ReadBits(7) + 11;
            for (; n > 0 && i < tableSize; --n, ++i)
                table[i] = 0;
        }
    }
    if (InputOverrun())
        return false;

    m_bAudio = audio;
    if (audio)
    {
        m_Audio.SetChannels(int(channels));
        for (uint32_t c = 0; c < channels; ++c)
            m_MD[c].Build(table + c * rar::MC20, rar::MC20);
    }
    else
    {
        m_LD.Build(table, rar::NC20);
        m_DD.Build(table + rar::NC20, rar::DC20);
        m_RD.Build(table + rar::NC20 + rar::DC20, rar::RC20);
    }
    std::memcpy(m_nOldTable, table, tableSize);
    m_bTablesRead = true;
    return true;
}

// The tables of the next entry of a solid archive may follow the last
// symbol of this one.
void CRar20Decoder::ReadTrailingTables()
{
    if ((m_nBitPos >> 3) + 5 > m_nInSize)
        return;
    if (m_bAudio)
    {
        if (DecodeSymbol(m_MD[m_Audio.curChannel]) == SYM_AUDIO_NEW_TABLE)
            ReadTables();
    }
    else if (DecodeSymbol(m_LD) == SYM_NEW_TABLE)
    {
        ReadTables();
    }
}

namespace {

// Bit input for the main loops: the next bits sit at the top of buf, avail
// of them read from the input. Bytes past the end read as zeros.
struct BitBuffer
{
    const uint8_t* in;
    uint64_t size;
    uint64_t next; // the first byte not yet in buf
    uint64_t buf;
    uint32_t avail;

    void Start(const uint8_t* data, uint32_t dataSize, uint64_t bitPos)
    {
        in = data;
        size = dataSize;
        next = bitPos >> 3;
        buf = 0;
        avail = 0;
        Refill();
        Skip(uint32_t(bitPos & 7));
    }
    uint64_t BitPos() const { return next * 8 - avail; }

    // The next 8 bytes lie inside the input; then BitPos() <= size * 8 too.
    bool CanRefillFast() const { return next + 8 <= size; }
    void RefillFast()
    {
        // Bits below the first avail ones already hold the same input, so
        // or-ing them again is harmless.
        const uint8_t* p = in + next;
        uint64_t v = uint64_t(p[0]) << 56 | uint64_t(p[1]) << 48 | uint64_t(p[2]) << 40 | uint64_t(p[3]) << 32 |
                     uint64_t(p[4]) << 24 | uint64_t(p[5]) << 16 | uint64_t(p[6]) << 8 | uint64_t(p[7]);
        buf |= v >> avail;
        next += (63 - avail) >> 3;
        avail |= 56;
    }
    // Leaves at least 56 bits in buf, enough for one whole match.
    void Refill()
    {
        if (CanRefillFast())
        {
            RefillFast();
            return;
        }
        while (avail < 56)
        {
            if (next < size)
                buf |= uint64_t(in[next]) << (56 - avail);
            ++next;
            avail += 8;
        }
    }
    void Skip(uint32_t n)
    {
        buf <<= n;
        avail -= n;
    }
    // n from 1 to 16
    uint32_t Read(uint32_t n)
    {
        uint32_t v = uint32_t(buf >> (64 - n));
        Skip(n);
        return v;
    }
    uint32_t Decode(const Rar20Code& code)
    {
        const uint32_t bits16 = uint32_t(buf >> 48);
        const uint32_t q = bits16 >> (16 - Rar20Code::QUICK_BITS);
        uint32_t len = code.m_nQuickLength[q];
        if (len != 0)
        {
            Skip(len);
            return code.m_nQuickSymbol[q];
        }
        const uint32_t symbol = code.Decode(bits16, &len);
        Skip(len);
        return symbol;
    }
};

// Where the output stands: the window and the caller's buffer.
struct Cursor
{
    uint8_t* win;
    uint32_t winPos;
    bool wrapped;
    uint8_t* out;
    uint32_t produced;
    uint32_t outSize;

    // Bytes a run may write before the window wraps or the output fills;
    // one at a time while the input is not safely ahead of the reader.
    uint32_t RunRoom(bool inputAhead) const
    {
        const uint32_t toWrap = uint32_t(rar::WINDOW_SIZE) - winPos;
        const uint32_t toEnd = outSize - produced;
        return inputAhead ? (toWrap < toEnd ? toWrap : toEnd) : 1;
    }
    // Where a run writes: the window.
    uint8_t* RunWindow() const { return win + winPos; }
    // After a run of n bytes: the output gets a copy of them.
    void Advance(uint32_t n)
    {
        if (out != nullptr)
            std::memcpy(out + produced, win + winPos, n);
        winPos = (winPos + n) & WINDOW_MASK;
        if (winPos == 0 && n > 0)
            wrapped = true;
        produced += n;
    }
};

// Copies n >= 8 bytes forwards in 8-byte chunks; the last chunk may overlap
// the one before it, and writes what a byte loop would.
inline void CopyChunks(uint8_t* d, const uint8_t* s, uint32_t n)
{
    uint64_t chunk;
    for (uint32_t i = 0; i + 8 <= n; i += 8)
    {
        std::memcpy(&chunk, s + i, 8);
        std::memcpy(d + i, &chunk, 8);
    }
    std::memcpy(&chunk, s + n - 8, 8);
    std::memcpy(d + n - 8, &chunk, 8);
}

// Copies n bytes between runs that do not overlap; most matches are short,
// and a library call would cost more than the copy.
inline void CopyApart(uint8_t* d, const uint8_t* s, uint32_t n)
{
    if (n > 32)
    {
        std::memcpy(d, s, n);
        return;
    }
    if (n >= 8)
    {
        CopyChunks(d, s, n);
        return;
    }
    if (n >= 4)
    {
        uint32_t head, tail;
        std::memcpy(&head, s, 4);
        std::memcpy(&tail, s + n - 4, 4);
        std::memcpy(d, &head, 4);
        std::memcpy(d + n - 4, &tail, 4);
        return;
    }
    for (uint32_t i = 0; i < n; ++i)
        d[i] = s[i];
}

// Copies span bytes (a multiple of N) in N-byte moves from s to d; s lies at
// least N bytes before d, so each move reads only bytes stored before it.
template <uint32_t N> inline void CopyAhead(uint8_t* d, const uint8_t* s, uint32_t span)
{
    uint8_t chunk[N];
    for (uint32_t i = 0; i < span; i += N)
    {
        std::memcpy(chunk, s + i, N);
        std::memcpy(d + i, chunk, N);
    }
}

// Copies length bytes from distance bytes back, forwards, to d; the source
// starts before d and neither run wraps.
inline void RepeatBack(uint8_t* d, uint32_t distance, uint32_t length)
{
    const uint8_t* s = d - distance;
    if (distance >= length)
    {
        CopyApart(d, s, length);
        return;
    }
    // 8-byte chunks when the bytes each chunk reads were stored a few chunks
    // earlier (a read straddling the stores just made stalls). The last,
    // overlapping, chunk writes what a byte loop would.
    if (distance >= 32)
    {
        CopyChunks(d, s, length);
        return;
    }
    if (distance == 1)
    {
        std::memset(d, s[0], length);
        return;
    }
    // overlapping runs repeat bytes just written
    for (uint32_t i = 0; i < length; ++i)
        d[i] = s[i];
}

// Copies length bytes inside the window from `from` to `to`, as a byte loop
// would; neither run wraps.
inline void CopyPiece(uint8_t* win, uint32_t to, uint32_t from, uint32_t length)
{
    if (from < to)
        RepeatBack(win + to, to - from, length);
    else // a source ahead of the copy is read before it is overwritten
        std::memmove(win + to, win + from, length);
}

QM_ALWAYS_INLINE inline void CopyMatch(Cursor& c, uint32_t length, uint32_t distance)
{
    const uint32_t room = c.outSize - c.produced;
    if (length > room)
        length = room;
    if (length == 0) // a repeat before any match
        return;

    uint8_t* win = c.win;
    const uint32_t dst = c.winPos;
    // Most matches are short: whole 8- or 16-byte moves, each from bytes
    // written before it, the last running past the match. Bytes ahead of the
    // window position are not read before they are written again (before
    // the first wrap a source there reads as zeros without looking), and the
    // run stays inside the window and, where the output serves as window,
    // inside the output.
    const uint32_t step = distance >= 16 ? 16 : 8;
    const uint32_t span = (length + step - 1) & ~(step - 1);
    if (!c.wrapped && distance >= 8 && distance <= dst && span <= room && dst + span <= uint32_t(rar::WINDOW_SIZE))
    {
        uint8_t* d = win + dst;
        if (step == 16)
            CopyAhead<16>(d, d - distance, span);
        else
            CopyAhead<8>(d, d - distance, span);
    }
    else
    {
        const uint32_t src = (dst - distance) & WINDOW_MASK;
        uint32_t done = 0;
        if (!c.wrapped && (distance > dst || distance == 0))
        {
            // Before the first wrap the window holds only what was written;
            // anything else reads as zero (the window is never cleared).
            uint32_t unwritten = distance == 0 ? uint32_t(rar::WINDOW_SIZE) - dst : distance - dst;
            done = unwritten < length ? unwritten : length;
            std::memset(win + dst, 0, done);
        }
        if (done == 0 && src + length <= uint32_t(rar::WINDOW_SIZE) && dst + length <= uint32_t(rar::WINDOW_SIZE))
            CopyPiece(win, dst, src, length);
        else // in pieces that wrap neither the source nor the copy
            for (uint32_t i = done; i < length;)
            {
                const uint32_t from = (src + i) & WINDOW_MASK;
                const uint32_t to = (dst + i) & WINDOW_MASK;
                uint32_t piece = length - i;
                piece = piece < uint32_t(rar::WINDOW_SIZE) - from ? piece : uint32_t(rar::WINDOW_SIZE) - from;
                piece = piece < uint32_t(rar::WINDOW_SIZE) - to ? piece : uint32_t(rar::WINDOW_SIZE) - to;
                CopyPiece(win, to, from, piece);
                i += piece;
            }
    }

    if (c.out != nullptr)
    {
        uint32_t first = length;
        if (dst + first > uint32_t(rar::WINDOW_SIZE))
            first = uint32_t(rar::WINDOW_SIZE) - dst;
        CopyApart(c.out + c.produced, win + dst, first);
        if (first < length)
            std::memcpy(c.out + c.produced + first, win, length - first);
    }
    if (dst + length >= uint32_t(rar::WINDOW_SIZE))
        c.wrapped = true;
    c.winPos = (dst + length) & WINDOW_MASK;
    c.produced += length;
}

// One run of multimedia bytes (at most room, fewer when the input nears its
// end or a new table is announced); returns the count. The channels are
// stepped in a loop unrolled for their count, each one's state in locals of
// its own that the compiler can keep in registers; only the block records
// go to memory.
template <int C>
QM_ALWAYS_INLINE inline uint32_t AudioRun(BitBuffer& input, const Rar20Code* codes, rar::AudioPredictor& audio,
                                          uint8_t* w, uint32_t room, bool* newTable)
{
    BitBuffer bits = input;
    rar::AudioChannel ch[C];
    for (int i = 0; i < C; ++i)
        ch[i] = audio.ch[i];
    int channelDelta = audio.channelDelta;
    int first = audio.curChannel; // the run may start on any channel
    int next = first;
    uint32_t n = 0;
    // One byte on channel K; true when the run ends with it.
    auto step = [&](auto channel) QM_ALWAYS_INLINE {
        constexpr int K = decltype(channel)::value;
        const uint32_t number = bits.Decode(codes[K]);
        if (number == SYM_AUDIO_NEW_TABLE)
        {
            *newTable = true;
            next = K;
            return true;
        }
        const uint8_t value = rar::AudioDecodeByte(ch[K], audio.block[K], channelDelta, int(number));
        w[n] = value;
        next = K + 1 == C ? 0 : K + 1;
        if (++n == room)
            return true;
        if (bits.avail < 15)
        {
            if (!bits.CanRefillFast())
                return true;
            bits.RefillFast();
        }
        return false;
    };
    using C0 = std::integral_constant<int, 0>;
    // channels past the count never run; they stand in for channel 0
    using C1 = std::integral_constant<int, (C > 1 ? 1 : 0)>;
    using C2 = std::integral_constant<int, (C > 2 ? 2 : 0)>;
    using C3 = std::integral_constant<int, (C > 3 ? 3 : 0)>;
    for (;;)
    {
        if (first == 0 && step(C0()))
            break;
        if (C > 1 && first <= 1 && step(C1()))
            break;
        if (C > 2 && first <= 2 && step(C2()))
            break;
        if (C > 3 && step(C3()))
            break;
        first = 0;
    }
    for (int i = 0; i < C; ++i)
        audio.ch[i] = ch[i];
    audio.channelDelta = channelDelta;
    audio.curChannel = next;
    input = bits;
    return n;
}

} // namespace

#if defined(QM_BMI2_LOOPS)
namespace {
bool HasBmi2()
{
    static const bool has = __builtin_cpu_supports("bmi2");
    return has;
}
} // namespace

__attribute__((target("bmi2"))) bool CRar20Decoder::DecodeLzBmi2()
{
    return DecodeLzLoop();
}

__attribute__((target("bmi2"))) bool CRar20Decoder::DecodeAudioBmi2()
{
    return DecodeAudioLoop();
}
#endif

bool CRar20Decoder::DecodeLz()
{
#if defined(QM_BMI2_LOOPS)
    if (HasBmi2())
        return DecodeLzBmi2();
#endif
    return DecodeLzLoop();
}

bool CRar20Decoder::DecodeAudio()
{
#if defined(QM_BMI2_LOOPS)
    if (HasBmi2())
        return DecodeAudioBmi2();
#endif
    return DecodeAudioLoop();
}

// The loops keep the bit input and the output position in locals: stores
// through the window pointer could otherwise alias every member.
QM_ALWAYS_INLINE inline bool CRar20Decoder::DecodeLzLoop()
{
    BitBuffer bits;
    bits.Start(m_pIn, m_nInSize, m_nBitPos);
    const uint64_t bitEnd = uint64_t(m_nInSize) * 8;
    Cursor c{m_pWindow, m_nWinPos, m_bWrapped, m_pOut, m_nProduced, m_nOutSize};
    // Every pass consumes at least one bit, so the loop ends with the input.
    while (c.produced < c.outSize && bits.BitPos() <= bitEnd)
    {
        bits.Refill();
        uint32_t number = bits.Decode(m_LD);
        if (number < 256)
        {
            // A run of literals that neither wraps the window nor fills the
            // output. Inside the input the loop's checks need not be
            // repeated.
            const uint32_t room = c.RunRoom(bits.next <= bits.size);
            uint8_t* w = c.RunWindow();
            uint32_t n = 0;
            for (;;)
            {
                w[n] = uint8_t(number);
                if (++n == room)
                    break;
                if (bits.avail < 15)
                {
                    if (!bits.CanRefillFast())
                        break;
                    bits.RefillFast();
                }
                number = bits.Decode(m_LD);
                if (number >= 256)
                    break;
            }
            c.Advance(n);
            if (number < 256)
                continue;
            // the symbol that ended the run was decoded under the loop's
            // conditions; its match needs a full buffer
            bits.Refill();
        }
        uint32_t length;
        uint32_t distance;
        if (number >= SYM_MATCH_FIRST)
        {
            const uint32_t slot = number - SYM_MATCH_FIRST;
            length = rar::LENGTH_BASE[slot] + 3;
            if (rar::LENGTH_BITS[slot] > 0)
                length += bits.Read(rar::LENGTH_BITS[slot]);
            const uint32_t distSlot = bits.Decode(m_DD);
            distance = rar::DISTANCE_BASE[distSlot] + 1;
            if (rar::DISTANCE_BITS[distSlot] > 0)
                distance += bits.Read(rar::DISTANCE_BITS[distSlot]);
            length += rar::MatchBonus(distance);
        }
        else if (number == SYM_NEW_TABLE)
        {
            m_nBitPos = bits.BitPos();
            m_nWinPos = c.winPos;
            m_bWrapped = c.wrapped;
            m_nProduced = c.produced;
            return ReadTables();
        }
        else if (number == SYM_REPEAT_LAST)
        {
            length = m_nLastLength;
            distance = m_nLastDist;
        }
        else if (number <= SYM_OLD_DIST_LAST)
        {
            distance = m_nOldDist[(m_nOldDistPtr - (number - 256)) & 3];
            const uint32_t slot = bits.Decode(m_RD);
            length = rar::LENGTH_BASE[slot] + 2;
            if (rar::LENGTH_BITS[slot] > 0)
                length += bits.Read(rar::LENGTH_BITS[slot]);
            length += rar::OldBonus(distance);
        }
        else // short distances, symbols 261 to 268
        {
            const uint32_t slot = number - (SYM_OLD_DIST_LAST + 1);
            distance = rar::SHORT_DISTANCE_BASE[slot] + 1 + bits.Read(rar::SHORT_DISTANCE_BITS[slot]);
            length = 2;
        }
        m_nOldDist[m_nOldDistPtr++ & 3] = distance;
        m_nLastDist = distance;
        m_nLastLength = length;
        CopyMatch(c, length, distance);
    }

    m_nBitPos = bits.BitPos();
    m_nWinPos = c.winPos;
    m_bWrapped = c.wrapped;
    m_nProduced = c.produced;
    return true;
}

QM_ALWAYS_INLINE inline bool CRar20Decoder::DecodeAudioLoop()
{
    BitBuffer bits;
    bits.Start(m_pIn, m_nInSize, m_nBitPos);
    const uint64_t bitEnd = uint64_t(m_nInSize) * 8;
    Cursor c{m_pWindow, m_nWinPos, m_bWrapped, m_pOut, m_nProduced, m_nOutSize};
    rar::AudioPredictor audio = m_Audio;

    while (c.produced < c.outSize && bits.BitPos() <= bitEnd)
    {
        // a run of bytes as in DecodeLz
        bits.Refill();
        const uint32_t room = c.RunRoom(bits.next <= bits.size);
        uint8_t* w = c.RunWindow();
        bool newTable = false;
        uint32_t n;
        switch (audio.channels)
        {
        case 1:
            n = AudioRun<1>(bits, m_MD, audio, w, room, &newTable);
            break;
        case 2:
            n = AudioRun<2>(bits, m_MD, audio, w, room, &newTable);
            break;
        case 3:
            n = AudioRun<3>(bits, m_MD, audio, w, room, &newTable);
            break;
        default:
            n = AudioRun<4>(bits, m_MD, audio, w, room, &newTable);
            break;
        }
        c.Advance(n);
        if (newTable)
        {
            m_nBitPos = bits.BitPos();
            m_nWinPos = c.winPos;
            m_bWrapped = c.wrapped;
            m_nProduced = c.produced;
            m_Audio = audio;
            return ReadTables();
        }
    }

    m_nBitPos = bits.BitPos();
    m_nWinPos = c.winPos;
    m_bWrapped = c.wrapped;
    m_nProduced = c.produced;
    m_Audio = audio;
    return true;
}

uint32_t CRar20Decoder::DecodeEntry(const uint8_t* in, uint32_t inSize, uint8_t* out, uint32_t outSize, bool solid,
                                    bool keepWindow)
{
    if (m_pWindow == nullptr)
        return 0;
    if (!solid)
        ResetState();

    m_pIn = in;
    m_nInSize = in != nullptr ? inSize : 0;
    m_nBitPos = 0;
    m_pOut = out;
    m_nOutSize = outSize;
    m_nProduced = 0;

    // an empty entry carries no data, not even tables
    if (outSize == 0)
        return 0;
    if (!m_bTablesRead && !ReadTables())
        return 0;

    // A fresh entry that fits the window is decoded with the output as its
    // window: positions match, and what lies past the bytes written counts
    // as unwritten either way. Each byte is then written and copied once.
    uint8_t* const window = m_pWindow;
    const bool direct = !solid && out != nullptr && outSize <= uint32_t(rar::WINDOW_SIZE);
    if (direct)
    {
        m_pWindow = out;
        m_pOut = nullptr;
    }
    while (m_nProduced < m_nOutSize && !InputOverrun())
    {
        if (!(m_bAudio ? DecodeAudio() : DecodeLz()))
            break;
    }
    if (direct)
    {
        m_pWindow = window;
        m_pOut = out;
        if (keepWindow)
            std::memcpy(window, out, m_nProduced);
    }

    if (m_nProduced == m_nOutSize && !InputOverrun())
        ReadTrailingTables();
    return m_nProduced;
}

bool Rar20Decode(const uint8_t* in, uint32_t inSize, uint8_t* out, uint32_t outSize, uint32_t* produced)
{
    *produced = 0;
    CRar20Decoder* decoder = new (std::nothrow) CRar20Decoder();
    if (decoder == nullptr)
        return false;
    bool ok = decoder->Init();
    if (ok)
        *produced = decoder->DecodeEntry(in, inSize, out, outSize, false, false);
    delete decoder;
    return ok;
}
