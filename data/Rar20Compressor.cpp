// Portable core: the RAR 2.0 compressor.
//
// The packed stream is read by the decoder MSB first. It opens with a table
// block; afterwards symbol 269 (LZ mode) or 256 (multimedia mode) announces the
// next table block. The compressor keeps an exact copy of the decoder's state
// (old distances, last match, current tables, channel predictors) so that
// every symbol it writes means what it intends.
#include "data/Rar20Compressor.h"

#include <algorithm>
#include <cstring>

#include "data/Rar20Audio.h"
#include "data/Rar20BitWriter.h"
#include "data/Rar20Format.h"
#include "data/Rar20Huffman.h"
#include "data/Rar20MatchFinder.h"

namespace rar {

namespace {

constexpr int LZ_TABLE = NC20 + DC20 + RC20; // 374 code lengths
constexpr int SYM_REPEAT_LAST = 256;
constexpr int SYM_OLD_DIST = 257; // 257..260
constexpr int SYM_SHORT = 261;    // 261..268
constexpr int SYM_NEW_TABLE = 269;
constexpr int SYM_MATCH = 270; // 270..297
constexpr int AUDIO_NEW_TABLE = 256;

constexpr uint32_t MAX_MATCH = 257; // fits every length code with any distance bonus

constexpr size_t SEGMENT_TOKENS = 16384;
constexpr size_t SEGMENT_AUDIO = 16384;
constexpr size_t MAX_BLOCK_TOKENS = 1 << 20;
// Keep at most this much history in a solid stream before sliding it down.
constexpr size_t HISTORY_LIMIT = 8u << 20;

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

// ---- the decoder's view of the stream --------------------------------------

struct StreamState
{
    bool tablesRead = false;
    bool audioBlock = false;
    uint32_t oldDist[4] = {0, 0, 0, 0};
    uint32_t oldDistPtr = 0;
    uint32_t lastDist = 0;
    uint32_t lastLength = 0;
    AudioPredictor audio;
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

    // The bytes the decoder has produced, and hash chains over them.
    Rar20MatchFinder finder;

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
        finder.Reset();
        ResetPrices();
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
            uint32_t len = finder.MatchLength(p - d, p, maxLen);
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
            finder.ChainMatches(p, maxLen, opt.chainDepth,
                                [&](uint32_t len, uint32_t d) { consider(1, len, d, 0, MatchCost(len, d)); });

        // Two bytes close by.
        if (best.len < 3)
        {
            uint32_t q = finder.LastPair(p);
            if (q != NO_POS && q < p)
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
            segment.push_back(
                {static_cast<uint16_t>(SYM_OLD_DIST + c.oldIndex), static_cast<uint16_t>(ls), l - LENGTH_BASE[ls]});
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
                    finder.InsertUpTo(p);
                    c = Best(p, end);
                }
                known = false;
                if (c.kind != 0 && opt.lazy && c.len < 32 && p + 1 < end)
                {
                    // Lazy step: a literal now may buy a better match next.
                    finder.InsertUpTo(p + 1);
                    Candidate n = Best(p + 1, end);
                    if (n.gain > c.gain + priceLiteral * 0.5f)
                    {
                        AddLiteral(finder.hist[p]);
                        p++;
                        c = n;
                        known = true;
                        continue;
                    }
                }
                if (c.kind == 0)
                {
                    AddLiteral(finder.hist[p]);
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
        finder.InsertUpTo(end);
        FlushLzBlock();
    }

    // ---- multimedia mode ----

    // Symbols of the bytes with the predictors, without touching the state.
    size_t AudioCost(const unsigned char* data, size_t size, int channels) const
    {
        AudioPredictor a = st.audio;
        a.SetChannels(channels);
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
        AudioPredictor a = st.audio;
        a.SetChannels(channels);
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
                int sym = a.Encode(finder.hist[p]);
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
                size_t apart =
                    AudioBlockBits(audioHist, channels, lens) + AudioBlockBits(segHist.data(), channels, lens);
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
    std::vector<unsigned char>& hist = m.finder.hist;
    if (hist.size() > HISTORY_LIMIT)
        m.finder.KeepLast(WINDOW_SIZE);
    const uint32_t start = static_cast<uint32_t>(hist.size());
    hist.insert(hist.end(), data, data + size);
    const uint32_t end = static_cast<uint32_t>(hist.size());
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
