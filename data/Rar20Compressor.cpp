// Portable core: the RAR 2.0 compressor.
//
// The packed stream is read by the decoder MSB first. It opens with a table
// block; afterwards symbol 269 (LZ mode) or 256 (multimedia mode) announces the
// next table block. The compressor keeps an exact copy of the decoder's state
// (old distances, last match, current tables, channel predictors) so that
// every symbol it writes means what it intends.
#include "data/Rar20Compressor.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "data/Rar20Format.h"

namespace rar {

namespace {

constexpr int MAX_CODE_LEN = 15;
constexpr int LZ_TABLE = NC20 + DC20 + RC20; // 374 code lengths
constexpr int SYM_REPEAT_LAST = 256;
constexpr int SYM_OLD_DIST = 257;            // 257..260
constexpr int SYM_SHORT = 261;               // 261..268
constexpr int SYM_NEW_TABLE = 269;
constexpr int SYM_MATCH = 270;               // 270..297
constexpr int AUDIO_NEW_TABLE = 256;

constexpr uint32_t WINDOW_MASK = WINDOW_SIZE - 1;
// A little under the window: the decoder's copy must never meet its own writes.
constexpr uint32_t MAX_DISTANCE = WINDOW_SIZE - 0x100;
constexpr uint32_t MAX_MATCH = 257; // fits every length code with any distance bonus
constexpr uint32_t NONE = 0xFFFFFFFFu;
constexpr uint32_t NICE_MATCH = 128; // long enough: stop looking for longer
constexpr int HASH_BITS = 17;

constexpr size_t END_PADDING = 2;
constexpr size_t SEGMENT_TOKENS = 16384;
constexpr size_t SEGMENT_AUDIO = 16384;
constexpr size_t MAX_BLOCK_TOKENS = 1 << 20;
// Keep at most this much history in a solid stream before sliding it down.
constexpr size_t HISTORY_LIMIT = 8u << 20;

// ---- bit output ------------------------------------------------------------

class BitWriter
{
public:
    void Put(uint32_t value, int bits)
    {
        if (bits == 0)
            return;
        m_acc = (m_acc << bits) | (value & ((1u << bits) - 1));
        m_count += bits;
        while (m_count >= 8)
        {
            m_count -= 8;
            m_out.push_back(static_cast<unsigned char>(m_acc >> m_count));
        }
        m_acc &= (1u << m_count) - 1;
    }
    void Flush()
    {
        if (m_count > 0)
            m_out.push_back(static_cast<unsigned char>(m_acc << (8 - m_count)));
        m_count = 0;
        m_acc = 0;
    }
    // Decoders that look a whole code length ahead must not run off the
    // end; fewer than five bytes keep the decoder from reading a final table.
    void Pad()
    {
        Flush();
        m_out.insert(m_out.end(), END_PADDING, 0);
    }
    size_t BitCount() const { return m_out.size() * 8 + m_count; }
    std::vector<unsigned char>& Bytes() { return m_out; }

private:
    std::vector<unsigned char> m_out;
    uint64_t m_acc = 0;
    int m_count = 0;
};

// ---- Huffman codes ---------------------------------------------------------

// Code lengths (at most 15 bits) for the given frequencies. Symbols with a zero
// frequency get no code.
void BuildLengths(const uint32_t* freq, int count, uint8_t* lens)
{
    std::fill(lens, lens + count, 0);
    std::vector<int> used;
    for (int i = 0; i < count; i++)
        if (freq[i] > 0)
            used.push_back(i);
    if (used.empty())
        return;
    if (used.size() == 1)
    {
        lens[used[0]] = 1;
        return;
    }
    // Huffman tree over the used symbols, most frequent first in the end.
    std::sort(used.begin(), used.end(), [&](int a, int b) { return freq[a] != freq[b] ? freq[a] < freq[b] : a < b; });
    const size_t n = used.size();
    std::vector<uint64_t> weight(2 * n);
    std::vector<int> parent(2 * n, -1);
    for (size_t i = 0; i < n; i++)
        weight[i] = freq[used[i]];
    // Two-queue merge: leaves are sorted, inner nodes arise in order.
    size_t leaf = 0, inner = n, next = n;
    auto take = [&]() -> size_t {
        if (leaf < n && (inner >= next || weight[leaf] <= weight[inner]))
            return leaf++;
        return inner++;
    };
    while (next < 2 * n - 1)
    {
        size_t a = take();
        size_t b = take();
        weight[next] = weight[a] + weight[b];
        parent[a] = parent[b] = static_cast<int>(next);
        next++;
    }
    int blCount[64] = {};
    std::vector<int> depth(2 * n - 1, 0);
    for (size_t i = 2 * n - 2; i-- > 0;)
        depth[i] = depth[parent[i]] + 1;
    int maxDepth = 0;
    for (size_t i = 0; i < n; i++)
    {
        int d = std::min(depth[i], 63);
        blCount[d]++;
        maxDepth = std::max(maxDepth, d);
    }
    if (maxDepth > MAX_CODE_LEN)
    {
        // Fold the deep codes into the limit, then restore the Kraft sum by
        // lengthening the deepest codes that are still short enough.
        for (int d = MAX_CODE_LEN + 1; d < 64; d++)
        {
            blCount[MAX_CODE_LEN] += blCount[d];
            blCount[d] = 0;
        }
        uint32_t total = 0;
        for (int d = 1; d <= MAX_CODE_LEN; d++)
            total += static_cast<uint32_t>(blCount[d]) << (MAX_CODE_LEN - d);
        while (total > (1u << MAX_CODE_LEN))
        {
            blCount[MAX_CODE_LEN]--;
            for (int d = MAX_CODE_LEN - 1; d > 0; d--)
                if (blCount[d] > 0)
                {
                    blCount[d]--;
                    blCount[d + 1] += 2;
                    break;
                }
            total--;
        }
    }
    // Shortest lengths to the most frequent symbols.
    size_t k = n;
    for (int d = 1; d <= MAX_CODE_LEN; d++)
        for (int c = 0; c < blCount[d]; c++)
            lens[used[--k]] = static_cast<uint8_t>(d);
}

// Canonical codes: shorter codes first, then by symbol, as the decoder builds them.
void BuildCodes(const uint8_t* lens, int count, uint16_t* codes)
{
    int blCount[MAX_CODE_LEN + 1] = {};
    for (int i = 0; i < count; i++)
        if (lens[i])
            blCount[lens[i]]++;
    uint32_t next[MAX_CODE_LEN + 2] = {};
    uint32_t code = 0;
    for (int len = 1; len <= MAX_CODE_LEN; len++)
    {
        code = (code + blCount[len - 1]) << 1;
        next[len] = code;
    }
    for (int i = 0; i < count; i++)
        codes[i] = lens[i] ? static_cast<uint16_t>(next[lens[i]]++) : 0;
}

// Lengths for one table of a block: every code the stream may need later gets
// a frequency, and at least two codes exist so each table is a complete code.
void BuildTableLengths(const uint32_t* hist, int count, int mustHave, uint8_t* lens)
{
    std::vector<uint32_t> f(hist, hist + count);
    if (mustHave >= 0 && f[mustHave] == 0)
        f[mustHave] = 1;
    int used = 0;
    for (int i = 0; i < count; i++)
        used += f[i] > 0;
    for (int i = 0; used < 2 && i < count; i++)
        if (f[i] == 0)
        {
            f[i] = 1;
            used++;
        }
    BuildLengths(f.data(), count, lens);
}

// ---- table blocks ----------------------------------------------------------

struct LengthSymbol
{
    uint8_t sym;
    uint8_t extraBits;
    uint8_t extra;
};

// Run-length form of a list of code lengths, as the bit-length code spells it:
// 0..15 literal length (the old table is always cleared, so no delta), 16
// repeats the previous length 3..6 times, 17 writes 3..10 zeros, 18 11..138.
std::vector<LengthSymbol> RunLengths(const uint8_t* lens, int count)
{
    std::vector<LengthSymbol> out;
    int i = 0;
    while (i < count)
    {
        const uint8_t v = lens[i];
        int run = 1;
        while (i + run < count && lens[i + run] == v)
            run++;
        if (v == 0 && run >= 3)
        {
            int r = std::min(run, 138);
            if (r >= 11)
                out.push_back({18, 7, static_cast<uint8_t>(r - 11)});
            else
                out.push_back({17, 3, static_cast<uint8_t>(r - 3)});
            i += r;
            continue;
        }
        out.push_back({v, 0, 0});
        i++;
        run--;
        if (v != 0)
            while (run >= 3)
            {
                int r = std::min(run, 6);
                out.push_back({16, 2, static_cast<uint8_t>(r - 3)});
                i += r;
                run -= r;
            }
    }
    return out;
}

struct TablePlan
{
    std::vector<LengthSymbol> runs;
    uint8_t bitLens[BC20];
    uint16_t bitCodes[BC20];
    size_t bits;
};

TablePlan PlanTable(const uint8_t* lens, int count, bool audio)
{
    TablePlan plan;
    plan.runs = RunLengths(lens, count);
    uint32_t freq[BC20] = {};
    for (const LengthSymbol& r : plan.runs)
        freq[r.sym]++;
    BuildTableLengths(freq, BC20, -1, plan.bitLens);
    BuildCodes(plan.bitLens, BC20, plan.bitCodes);
    plan.bits = 2 + (audio ? 2 : 0) + 4 * BC20;
    for (const LengthSymbol& r : plan.runs)
        plan.bits += plan.bitLens[r.sym] + r.extraBits;
    return plan;
}

void WriteTable(BitWriter& bw, const uint8_t* lens, int count, bool audio, int channels)
{
    const TablePlan plan = PlanTable(lens, count, audio);
    bw.Put(audio ? 1 : 0, 1);
    bw.Put(0, 1); // clear the old table: lengths are written as they are
    if (audio)
        bw.Put(static_cast<uint32_t>(channels - 1), 2);
    for (int i = 0; i < BC20; i++)
        bw.Put(plan.bitLens[i], 4);
    for (const LengthSymbol& r : plan.runs)
    {
        bw.Put(plan.bitCodes[r.sym], plan.bitLens[r.sym]);
        bw.Put(r.extra, r.extraBits);
    }
}

// ---- length and distance slots ---------------------------------------------

struct SlotTables
{
    uint8_t lengthSlot[256];
    SlotTables()
    {
        for (int s = 0; s < 28; s++)
            for (int v = LENGTH_BASE[s]; v < LENGTH_BASE[s] + (1 << LENGTH_BITS[s]) && v < 256; v++)
                lengthSlot[v] = static_cast<uint8_t>(s);
    }
};
const SlotTables g_slots;

int DistanceSlot(uint32_t distMinus1)
{
    int lo = 0, hi = DC20 - 1;
    while (lo < hi)
    {
        int mid = (lo + hi + 1) / 2;
        if (DISTANCE_BASE[mid] <= distMinus1)
            lo = mid;
        else
            hi = mid - 1;
    }
    return lo;
}

int ShortSlot(uint32_t distMinus1)
{
    int s = 7;
    while (SHORT_DISTANCE_BASE[s] > distMinus1)
        s--;
    return s;
}

// Length bonuses the decoder adds for far matches.
inline uint32_t MatchBonus(uint32_t dist) { return (dist >= 0x2000) + (dist >= 0x40000); }
inline uint32_t OldBonus(uint32_t dist) { return (dist >= 0x101) + (dist >= 0x2000) + (dist >= 0x40000); }

// ---- tokens ----------------------------------------------------------------

// One decoder step of LZ mode. sym is the main code; for 270+ sub is the
// distance slot and extra packs the length bits (low byte) and distance bits;
// for 257..260 sub is the length slot and extra its bits; for 261..268 extra
// holds the distance bits.
struct Token
{
    uint16_t sym;
    uint16_t sub;
    uint32_t extra;
};

// ---- multimedia predictor --------------------------------------------------

struct AudioChannel
{
    int k[5];
    int d1, d2, d3, d4;
    int lastDelta;
    uint32_t dif[11];
    uint32_t byteCount;
    int lastChar;
};

struct AudioState
{
    AudioChannel ch[MAX_CHANNELS];
    int channelDelta = 0;
    int curChannel = 0;
    int channels = 1;
    AudioState() { std::memset(ch, 0, sizeof(ch)); }

    // The symbol that makes the decoder produce `value`, with the decoder's
    // update of the channel's predictor.
    int Encode(uint8_t value)
    {
        AudioChannel& v = ch[curChannel];
        v.byteCount++;
        v.d4 = v.d3;
        v.d3 = v.d2;
        v.d2 = v.lastDelta - v.d1;
        v.d1 = v.lastDelta;
        int pch = 8 * v.lastChar + v.k[0] * v.d1 + v.k[1] * v.d2 + v.k[2] * v.d3 + v.k[3] * v.d4 +
                  v.k[4] * channelDelta;
        pch = (pch >> 3) & 0xFF;
        const int delta = (pch - value) & 0xFF;
        const int d = static_cast<int8_t>(delta) * 8;
        v.dif[0] += std::abs(d);
        v.dif[1] += std::abs(d - v.d1);
        v.dif[2] += std::abs(d + v.d1);
        v.dif[3] += std::abs(d - v.d2);
        v.dif[4] += std::abs(d + v.d2);
        v.dif[5] += std::abs(d - v.d3);
        v.dif[6] += std::abs(d + v.d3);
        v.dif[7] += std::abs(d - v.d4);
        v.dif[8] += std::abs(d + v.d4);
        v.dif[9] += std::abs(d - channelDelta);
        v.dif[10] += std::abs(d + channelDelta);
        channelDelta = v.lastDelta = static_cast<int8_t>(value - v.lastChar);
        v.lastChar = value;
        if ((v.byteCount & 0x1F) == 0)
        {
            uint32_t minDif = v.dif[0];
            int numMin = 0;
            v.dif[0] = 0;
            for (int i = 1; i < 11; i++)
            {
                if (v.dif[i] < minDif)
                {
                    minDif = v.dif[i];
                    numMin = i;
                }
                v.dif[i] = 0;
            }
            if (numMin > 0)
            {
                int& kk = v.k[(numMin - 1) / 2];
                if (numMin & 1)
                {
                    if (kk >= -16)
                        kk--;
                }
                else if (kk < 16)
                    kk++;
            }
        }
        if (++curChannel == channels)
            curChannel = 0;
        return delta;
    }
};

// ---- the decoder's view of the stream --------------------------------------

struct StreamState
{
    bool tablesRead = false;
    bool audioBlock = false;
    uint32_t oldDist[4] = {0, 0, 0, 0};
    uint32_t oldDistPtr = 0;
    uint32_t lastDist = 0;
    uint32_t lastLength = 0;
    AudioState audio;
    uint8_t lzLens[LZ_TABLE] = {};
    uint16_t lzCodes[LZ_TABLE] = {};
    uint8_t audioLens[MAX_CHANNELS * MC20] = {};
    uint16_t audioCodes[MAX_CHANNELS * MC20] = {};

    void PushMatch(uint32_t length, uint32_t dist)
    {
        lastDist = oldDist[oldDistPtr++ & 3] = dist;
        lastLength = length;
    }
    uint32_t OldDist(int i) const { return oldDist[(oldDistPtr - 1 - i) & 3]; }
};

// Bits of one block under given lengths; ~0 when a used symbol has no code.
size_t SymbolBits(const uint32_t* hist, const uint8_t* lens, int count)
{
    size_t bits = 0;
    for (int i = 0; i < count; i++)
        if (hist[i])
        {
            if (!lens[i])
                return ~size_t(0);
            bits += size_t(hist[i]) * lens[i];
        }
    return bits;
}

size_t LzBlockBits(const uint32_t* hist, uint8_t* lens)
{
    BuildTableLengths(hist, NC20, SYM_NEW_TABLE, lens);
    BuildTableLengths(hist + NC20, DC20, -1, lens + NC20);
    BuildTableLengths(hist + NC20 + DC20, RC20, -1, lens + NC20 + DC20);
    return SymbolBits(hist, lens, LZ_TABLE) + PlanTable(lens, LZ_TABLE, false).bits;
}

size_t AudioBlockBits(const uint32_t* hist, int channels, uint8_t* lens)
{
    for (int c = 0; c < channels; c++)
        BuildTableLengths(hist + c * MC20, MC20, AUDIO_NEW_TABLE, lens + c * MC20);
    return SymbolBits(hist, lens, channels * MC20) + PlanTable(lens, channels * MC20, true).bits;
}

} // namespace

// ---- the compressor --------------------------------------------------------

struct CRar20Compressor::Impl
{
    CompressOptions opt;
    StreamState st;

    // Window: the bytes the decoder has produced, and hash chains over them.
    std::vector<unsigned char> hist;
    uint32_t inserted = 0;
    std::vector<uint32_t> head, prev, head2;

    // Prices (bits) guessed from the codes of the previous segment.
    float priceMain[NC20], priceDist[DC20], priceRep[RC20], priceLiteral;

    // The segment being parsed and the block being gathered from segments.
    std::vector<Token> segment;
    uint32_t segmentHist[LZ_TABLE];
    std::vector<Token> block;
    uint32_t blockHist[LZ_TABLE];
    std::vector<uint16_t> audioBlock; // symbol | channel << 9
    uint32_t audioHist[MAX_CHANNELS * MC20];
    int audioChannels = 1;
    bool firstBlockOfEntry = true;

    BitWriter bw;
    CompressStats* stats = nullptr;

    explicit Impl(const CompressOptions& o) : opt(o) { Reset(); }

    void Reset()
    {
        st = StreamState();
        ClearIndex();
        hist.clear();
        ResetPrices();
    }

    // Empties the hash chains. After a small stream only the slots it
    // touched are cleared: writers of many small entries reset often.
    void ClearIndex()
    {
        const size_t slots = size_t(1) << HASH_BITS;
        if (head.size() != slots || inserted > slots / 16)
        {
            head.assign(slots, NONE);
            head2.assign(65536, NONE);
        }
        else
            for (uint32_t q = 0; q < inserted; q++)
            {
                head[Hash3(q)] = NONE;
                head2[uint32_t(hist[q]) << 8 | hist[q + 1]] = NONE;
            }
        prev.clear(); // grows with the window
        inserted = 0;
    }

    void ResetPrices()
    {
        for (int i = 0; i < NC20; i++)
            priceMain[i] = i < 256 ? 8.5f : 8.0f;
        for (float& p : priceDist)
            p = 5.0f;
        for (float& p : priceRep)
            p = 4.0f;
        priceLiteral = 8.5f;
    }

    // ---- match finding ----

    uint32_t Hash3(uint32_t p) const
    {
        uint32_t v = uint32_t(hist[p]) | uint32_t(hist[p + 1]) << 8 | uint32_t(hist[p + 2]) << 16;
        return (v * 2654435761u) >> (32 - HASH_BITS);
    }

    void InsertUpTo(uint32_t p)
    {
        // A position is hashed once the two bytes after it exist.
        if (hist.size() < 3)
            return;
        const uint32_t limit = std::min<uint32_t>(p, static_cast<uint32_t>(hist.size()) - 2);
        if (limit > inserted && prev.size() < std::min<size_t>(limit, WINDOW_SIZE))
            prev.resize(std::min<size_t>(std::max<size_t>(size_t(limit) * 2, 4096), WINDOW_SIZE), NONE);
        for (; inserted < limit; inserted++)
        {
            uint32_t h = Hash3(inserted);
            prev[inserted & WINDOW_MASK] = head[h];
            head[h] = inserted;
            head2[uint32_t(hist[inserted]) << 8 | hist[inserted + 1]] = inserted;
        }
    }

    uint32_t MatchLength(uint32_t a, uint32_t b, uint32_t max) const
    {
        const unsigned char* pa = hist.data() + a;
        const unsigned char* pb = hist.data() + b;
        uint32_t n = 0;
        while (n + 8 <= max)
        {
            uint64_t x, y;
            std::memcpy(&x, pa + n, 8);
            std::memcpy(&y, pb + n, 8);
            if (x != y)
            {
#if defined(__BYTE_ORDER__) && __BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__
                return n + (__builtin_ctzll(x ^ y) >> 3);
#else
                while (pa[n] == pb[n])
                    n++;
                return n;
#endif
            }
            n += 8;
        }
        while (n < max && pa[n] == pb[n])
            n++;
        return n;
    }

    struct Candidate
    {
        uint32_t len = 0;
        uint32_t dist = 0;
        int kind = 0; // 0 none, 1 match, 2 old distance, 3 repeat last, 4 short
        int oldIndex = 0;
        float gain = 0;
    };

    float MatchCost(uint32_t len, uint32_t dist) const
    {
        uint32_t l = len - 3 - MatchBonus(dist);
        int ls = g_slots.lengthSlot[l];
        int ds = DistanceSlot(dist - 1);
        return priceMain[SYM_MATCH + ls] + LENGTH_BITS[ls] + priceDist[ds] + DISTANCE_BITS[ds];
    }
    float OldCost(int index, uint32_t len, uint32_t dist) const
    {
        uint32_t l = len - 2 - OldBonus(dist);
        int ls = g_slots.lengthSlot[l];
        return priceMain[SYM_OLD_DIST + index] + priceRep[ls] + LENGTH_BITS[ls];
    }
    float ShortCost(uint32_t dist) const
    {
        int s = ShortSlot(dist - 1);
        return priceMain[SYM_SHORT + s] + SHORT_DISTANCE_BITS[s];
    }

    // The best way to code the bytes at p, given the decoder's old distances.
    // Everything before p in the history is in the decoder's window too.
    Candidate Best(uint32_t p, uint32_t end) const
    {
        Candidate best;
        const uint32_t avail = p;
        const uint32_t maxLen = std::min<uint32_t>(MAX_MATCH, end - p);
        if (maxLen < 2)
            return best;
        auto consider = [&](int kind, uint32_t len, uint32_t dist, int oldIndex, float cost) {
            float gain = len * priceLiteral - cost;
            if (gain > best.gain)
            {
                best.len = len;
                best.dist = dist;
                best.kind = kind;
                best.oldIndex = oldIndex;
                best.gain = gain;
            }
        };

        // Old distances: cheap to code, often long.
        for (int i = 0; i < 4; i++)
        {
            uint32_t d = st.OldDist(i);
            if (d == 0 || d > avail || d > MAX_DISTANCE)
                continue;
            bool seen = false;
            for (int j = 0; j < i; j++)
                seen |= st.OldDist(j) == d;
            if (seen)
                continue;
            uint32_t len = MatchLength(p - d, p, maxLen);
            if (i == 0 && st.lastLength > 0 && d == st.lastDist && len >= st.lastLength)
                consider(3, st.lastLength, d, 0, priceMain[SYM_REPEAT_LAST]);
            uint32_t minLen = 2 + OldBonus(d);
            uint32_t top = std::min<uint32_t>(len, 255 + minLen);
            if (top >= minLen)
                consider(2, top, d, i, OldCost(i, top, d));
        }

        // Hash chain: the longest match, nearest first. A long match at an
        // old distance is cheaper than anything the chain could add.
        if (maxLen >= 3 && !(best.kind == 2 && best.len >= NICE_MATCH))
        {
            uint32_t cur = head[Hash3(p)];
            int depth = opt.chainDepth;
            uint32_t bestLen = 2;
            while (cur != NONE && cur < p && depth-- > 0)
            {
                uint32_t d = p - cur;
                if (d > avail || d > MAX_DISTANCE)
                    break;
                if (hist[cur + bestLen] == hist[p + bestLen])
                {
                    uint32_t len = MatchLength(cur, p, maxLen);
                    if (len > bestLen && len >= 3 + MatchBonus(d))
                    {
                        bestLen = len;
                        consider(1, len, d, 0, MatchCost(len, d));
                        if (len >= maxLen || len >= NICE_MATCH)
                            break;
                    }
                }
                uint32_t next = prev[cur & WINDOW_MASK];
                if (next >= cur)
                    break;
                cur = next;
            }
        }

        // Two bytes close by.
        if (best.len < 3)
        {
            uint32_t q = head2[uint32_t(hist[p]) << 8 | hist[p + 1]];
            if (q != NONE && q < p)
            {
                uint32_t d = p - q;
                if (d <= 256 && d <= avail)
                    consider(4, 2, d, 0, ShortCost(d));
            }
        }
        return best;
    }

    // ---- token emission into the block ----

    void AddLiteral(uint8_t b)
    {
        segment.push_back({b, 0, 0});
        segmentHist[b]++;
    }

    void AddCandidate(const Candidate& c)
    {
        switch (c.kind)
        {
        case 1:
        {
            uint32_t l = c.len - 3 - MatchBonus(c.dist);
            int ls = g_slots.lengthSlot[l];
            int ds = DistanceSlot(c.dist - 1);
            segment.push_back({static_cast<uint16_t>(SYM_MATCH + ls), static_cast<uint16_t>(ds),
                             (l - LENGTH_BASE[ls]) | ((c.dist - 1 - DISTANCE_BASE[ds]) << 8)});
            segmentHist[SYM_MATCH + ls]++;
            segmentHist[NC20 + ds]++;
            st.PushMatch(c.len, c.dist);
            break;
        }
        case 2:
        {
            uint32_t l = c.len - 2 - OldBonus(c.dist);
            int ls = g_slots.lengthSlot[l];
            segment.push_back({static_cast<uint16_t>(SYM_OLD_DIST + c.oldIndex), static_cast<uint16_t>(ls),
                             l - LENGTH_BASE[ls]});
            segmentHist[SYM_OLD_DIST + c.oldIndex]++;
            segmentHist[NC20 + DC20 + ls]++;
            st.PushMatch(c.len, c.dist);
            break;
        }
        case 3:
            segment.push_back({SYM_REPEAT_LAST, 0, 0});
            segmentHist[SYM_REPEAT_LAST]++;
            st.PushMatch(st.lastLength, st.lastDist);
            break;
        case 4:
        {
            int s = ShortSlot(c.dist - 1);
            segment.push_back({static_cast<uint16_t>(SYM_SHORT + s), 0, c.dist - 1 - SHORT_DISTANCE_BASE[s]});
            segmentHist[SYM_SHORT + s]++;
            st.PushMatch(2, c.dist);
            break;
        }
        }
    }

    // ---- block output ----

    // Announces a table block to the decoder with the code of the current tables.
    void WriteSwitch()
    {
        if (!st.tablesRead)
            return;
        if (st.audioBlock)
        {
            const int base = st.audio.curChannel * MC20;
            bw.Put(st.audioCodes[base + AUDIO_NEW_TABLE], st.audioLens[base + AUDIO_NEW_TABLE]);
        }
        else
            bw.Put(st.lzCodes[SYM_NEW_TABLE], st.lzLens[SYM_NEW_TABLE]);
    }

    void WriteLzTokens()
    {
        const uint8_t* lens = st.lzLens;
        const uint16_t* codes = st.lzCodes;
        for (const Token& t : block)
        {
            bw.Put(codes[t.sym], lens[t.sym]);
            if (t.sym < 256 || t.sym == SYM_REPEAT_LAST)
                continue;
            if (t.sym >= SYM_MATCH)
            {
                int ls = t.sym - SYM_MATCH;
                bw.Put(t.extra & 0xFF, LENGTH_BITS[ls]);
                bw.Put(codes[NC20 + t.sub], lens[NC20 + t.sub]);
                bw.Put(t.extra >> 8, DISTANCE_BITS[t.sub]);
            }
            else if (t.sym < SYM_SHORT)
            {
                bw.Put(codes[NC20 + DC20 + t.sub], lens[NC20 + DC20 + t.sub]);
                bw.Put(t.extra, LENGTH_BITS[t.sub]);
            }
            else
                bw.Put(t.extra, SHORT_DISTANCE_BITS[t.sym - SYM_SHORT]);
        }
    }

    void FlushLzBlock()
    {
        if (block.empty())
            return;
        uint8_t lens[LZ_TABLE];
        const size_t fresh = LzBlockBits(blockHist, lens);
        // A solid entry may go on with the tables it inherits.
        bool reuse = false;
        if (firstBlockOfEntry && st.tablesRead && !st.audioBlock)
        {
            size_t old = SymbolBits(blockHist, st.lzLens, LZ_TABLE);
            reuse = old != ~size_t(0) && old <= fresh + st.lzLens[SYM_NEW_TABLE];
        }
        if (!reuse)
        {
            WriteSwitch();
            WriteTable(bw, lens, LZ_TABLE, false, 0);
            std::memcpy(st.lzLens, lens, LZ_TABLE);
            BuildCodes(st.lzLens, NC20, st.lzCodes);
            BuildCodes(st.lzLens + NC20, DC20, st.lzCodes + NC20);
            BuildCodes(st.lzLens + NC20 + DC20, RC20, st.lzCodes + NC20 + DC20);
            st.tablesRead = true;
            st.audioBlock = false;
            stats->tableBlocks++;
        }
        else
            stats->reusedTables = true;
        WriteLzTokens();
        firstBlockOfEntry = false;
        block.clear();
        std::memset(blockHist, 0, sizeof(blockHist));
    }

    void UpdatePrices(const uint32_t* segHist)
    {
        uint8_t lens[LZ_TABLE];
        LzBlockBits(segHist, lens);
        uint64_t litCount = 0, litBits = 0;
        for (int i = 0; i < NC20; i++)
        {
            priceMain[i] = lens[i] ? lens[i] : 13.0f;
            if (i < 256)
            {
                litCount += segHist[i];
                litBits += uint64_t(segHist[i]) * lens[i];
            }
        }
        for (int i = 0; i < DC20; i++)
            priceDist[i] = lens[NC20 + i] ? lens[NC20 + i] : 9.0f;
        for (int i = 0; i < RC20; i++)
            priceRep[i] = lens[NC20 + DC20 + i] ? lens[NC20 + DC20 + i] : 7.0f;
        priceLiteral = litCount ? float(litBits) / float(litCount) : 8.5f;
        priceLiteral = std::max(priceLiteral, 1.0f);
    }

    // Adds a segment to the block, or closes the block first when two tables
    // code the two parts smaller than one table codes both.
    void TakeLzSegment(const std::vector<Token>& seg, const uint32_t* segHist)
    {
        if (!block.empty())
        {
            uint8_t lens[LZ_TABLE];
            uint32_t merged[LZ_TABLE];
            for (int i = 0; i < LZ_TABLE; i++)
                merged[i] = blockHist[i] + segHist[i];
            size_t together = LzBlockBits(merged, lens);
            size_t apart = LzBlockBits(blockHist, lens) + LzBlockBits(segHist, lens);
            if (apart < together || block.size() + seg.size() > MAX_BLOCK_TOKENS)
                FlushLzBlock();
        }
        block.insert(block.end(), seg.begin(), seg.end());
        for (int i = 0; i < LZ_TABLE; i++)
            blockHist[i] += segHist[i];
    }

    void CompressLz(uint32_t start, uint32_t end)
    {
        block.clear();
        std::memset(blockHist, 0, sizeof(blockHist));
        uint32_t p = start;
        while (p < end)
        {
            segment.clear();
            std::memset(segmentHist, 0, sizeof(segmentHist));
            Candidate c;
            bool known = false; // c already holds the best choice at p
            while (p < end && segment.size() < SEGMENT_TOKENS)
            {
                if (!known)
                {
                    InsertUpTo(p);
                    c = Best(p, end);
                }
                known = false;
                if (c.kind != 0 && opt.lazy && c.len < 32 && p + 1 < end)
                {
                    // Lazy step: a literal now may buy a better match next.
                    InsertUpTo(p + 1);
                    Candidate n = Best(p + 1, end);
                    if (n.gain > c.gain + priceLiteral * 0.5f)
                    {
                        AddLiteral(hist[p]);
                        p++;
                        c = n;
                        known = true;
                        continue;
                    }
                }
                if (c.kind == 0)
                {
                    AddLiteral(hist[p]);
                    p++;
                }
                else
                {
                    AddCandidate(c);
                    p += c.len;
                }
            }
            UpdatePrices(segmentHist);
            TakeLzSegment(segment, segmentHist);
        }
        InsertUpTo(end);
        FlushLzBlock();
    }

    // ---- multimedia mode ----

    // Symbols of the bytes with the predictors, without touching the state.
    size_t AudioCost(const unsigned char* data, size_t size, int channels) const
    {
        AudioState a = st.audio;
        a.channels = channels;
        if (a.curChannel >= channels)
            a.curChannel = 0;
        std::vector<uint32_t> h(MAX_CHANNELS * MC20, 0);
        for (size_t i = 0; i < size; i++)
        {
            int c = a.curChannel;
            h[c * MC20 + a.Encode(data[i])]++;
        }
        uint8_t lens[MAX_CHANNELS * MC20];
        return AudioBlockBits(h.data(), channels, lens) + 16;
    }

    void FlushAudioBlock()
    {
        if (audioBlock.empty())
            return;
        uint8_t lens[MAX_CHANNELS * MC20];
        AudioBlockBits(audioHist, audioChannels, lens);
        WriteSwitch();
        WriteTable(bw, lens, audioChannels * MC20, true, audioChannels);
        std::memcpy(st.audioLens, lens, sizeof(uint8_t) * audioChannels * MC20);
        for (int c = 0; c < audioChannels; c++)
            BuildCodes(st.audioLens + c * MC20, MC20, st.audioCodes + c * MC20);
        st.tablesRead = true;
        st.audioBlock = true;
        stats->tableBlocks++;
        for (uint16_t s : audioBlock)
        {
            int c = s >> 9, sym = s & 0x1FF;
            bw.Put(st.audioCodes[c * MC20 + sym], st.audioLens[c * MC20 + sym]);
        }
        // The decoder now stands where the block ends.
        st.audio.curChannel = audioBlock.empty() ? st.audio.curChannel : ((audioBlock.back() >> 9) + 1) % audioChannels;
        audioBlock.clear();
        std::memset(audioHist, 0, sizeof(audioHist));
        firstBlockOfEntry = false;
    }

    void CompressAudio(uint32_t start, uint32_t end, int channels)
    {
        audioChannels = channels;
        audioBlock.clear();
        std::memset(audioHist, 0, sizeof(audioHist));
        // The predictors run ahead of the output (a); st.audio stays where the
        // decoder is when the next block starts, for the switch symbol. A new
        // channel count below the current channel restarts at channel 0.
        AudioState a = st.audio;
        a.channels = channels;
        if (a.curChannel >= channels)
            a.curChannel = 0;
        std::vector<uint16_t> seg;
        std::vector<uint32_t> segHist(MAX_CHANNELS * MC20);
        uint32_t p = start;
        while (p < end)
        {
            seg.clear();
            std::fill(segHist.begin(), segHist.end(), 0);
            uint32_t segEnd = std::min<uint32_t>(end, p + SEGMENT_AUDIO);
            for (; p < segEnd; p++)
            {
                int c = a.curChannel;
                int sym = a.Encode(hist[p]);
                seg.push_back(static_cast<uint16_t>(sym | c << 9));
                segHist[c * MC20 + sym]++;
            }
            if (!audioBlock.empty())
            {
                uint8_t lens[MAX_CHANNELS * MC20];
                std::vector<uint32_t> merged(MAX_CHANNELS * MC20);
                for (size_t i = 0; i < merged.size(); i++)
                    merged[i] = audioHist[i] + segHist[i];
                size_t together = AudioBlockBits(merged.data(), channels, lens);
                size_t apart = AudioBlockBits(audioHist, channels, lens) +
                               AudioBlockBits(segHist.data(), channels, lens);
                if (apart < together || audioBlock.size() + seg.size() > MAX_BLOCK_TOKENS)
                    FlushAudioBlock();
            }
            audioBlock.insert(audioBlock.end(), seg.begin(), seg.end());
            for (size_t i = 0; i < segHist.size(); i++)
                audioHist[i] += segHist[i];
        }
        FlushAudioBlock();
        // Predictor state after the entry, as the decoder has it.
        st.audio = a;
    }
};

CRar20Compressor::CRar20Compressor(const CompressOptions& options) : m_pImpl(new Impl(options)) {}

CRar20Compressor::~CRar20Compressor() = default;

void CRar20Compressor::Reset()
{
    m_pImpl->Reset();
}

std::vector<unsigned char> CRar20Compressor::CompressEntry(const unsigned char* data, size_t size)
{
    Impl& m = *m_pImpl;
    m_stats = CompressStats();
    m.stats = &m_stats;
    if (size == 0)
        return {};

    // Slide a long solid history down to the last window.
    if (m.hist.size() > HISTORY_LIMIT)
    {
        m.ClearIndex();
        std::vector<unsigned char> keep(m.hist.end() - WINDOW_SIZE, m.hist.end());
        m.hist.swap(keep);
        m.InsertUpTo(static_cast<uint32_t>(m.hist.size()));
    }
    const uint32_t start = static_cast<uint32_t>(m.hist.size());
    m.hist.insert(m.hist.end(), data, data + size);
    const uint32_t end = static_cast<uint32_t>(m.hist.size());
    m.firstBlockOfEntry = true;

    // The channel count that codes the entry smallest in multimedia mode.
    int bestChannels = 0;
    size_t bestAudio = ~size_t(0);
    if (m.opt.mode != CompressMode::Lz && (m.opt.mode == CompressMode::Multimedia || size >= 1024))
    {
        int lo = m.opt.channels > 0 ? std::min(m.opt.channels, MAX_CHANNELS) : 1;
        int hi = m.opt.channels > 0 ? lo : MAX_CHANNELS;
        for (int c = lo; c <= hi; c++)
        {
            size_t bits = m.AudioCost(data, size, c);
            if (bits < bestAudio)
            {
                bestAudio = bits;
                bestChannels = c;
            }
        }
    }

    if (m.opt.mode != CompressMode::Multimedia)
    {
        StreamState saved = m.st;
        float savedPrices[NC20];
        std::memcpy(savedPrices, m.priceMain, sizeof(m.priceMain));
        m.bw = BitWriter();
        m.CompressLz(start, end);
        const size_t lzBits = m.bw.BitCount();
        if (bestChannels == 0 || lzBits <= bestAudio)
        {
            m.bw.Pad();
            m_stats.multimedia = false;
            return std::move(m.bw.Bytes());
        }
        // Multimedia codes it smaller: undo the LZ pass (the window keeps its bytes).
        m.st = saved;
        std::memcpy(m.priceMain, savedPrices, sizeof(m.priceMain));
        m_stats = CompressStats();
        m.firstBlockOfEntry = true;
    }
    m.bw = BitWriter();
    m.CompressAudio(start, end, bestChannels);
    m.bw.Pad();
    m_stats.multimedia = true;
    m_stats.channels = bestChannels;
    return std::move(m.bw.Bytes());
}

} // namespace rar
