// Portable core: the match finder of the RAR 2.0 compressor. It keeps the
// bytes of the stream so far (what the decoder has in its window) and hash
// chains over them: three-byte chains for matches, the last place of each
// byte pair for short matches.
#pragma once
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

#include "data/Rar20Format.h"

namespace rar {

constexpr uint32_t WINDOW_MASK = WINDOW_SIZE - 1;
// A little under the window: the decoder's copy must never meet its own writes.
constexpr uint32_t MAX_DISTANCE = WINDOW_SIZE - 0x100;
constexpr uint32_t NICE_MATCH = 128; // long enough: stop looking for longer
constexpr uint32_t NO_POS = 0xFFFFFFFFu;

class Rar20MatchFinder
{
public:
    static constexpr int HASH_BITS = 17;

    // Every byte of the stream so far; entries append to it.
    std::vector<unsigned char> hist;

    // Empties the chains and the history.
    void Reset();
    // Keeps only the last `bytes` of the history and hashes them anew.
    void KeepLast(size_t bytes);
    // Hashes every position before p whose two following bytes exist.
    void InsertUpTo(uint32_t p);

    // Common length of the bytes at a and b, at most max.
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

    // Walks the three-byte chain at p (p hashed, maxLen >= 3), nearest first,
    // looking at no more than depth places, and calls found(len, dist) for
    // each match longer than every nearer one that the decoder can take (at
    // least 3 plus its distance bonus). Stops at maxLen or NICE_MATCH.
    template <class Found> void ChainMatches(uint32_t p, uint32_t maxLen, int depth, Found found) const
    {
        const uint32_t avail = p;
        uint32_t cur = m_head[Hash3(p)];
        uint32_t bestLen = 2;
        while (cur != NO_POS && cur < p && depth-- > 0)
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
                    found(len, d);
                    if (len >= maxLen || len >= NICE_MATCH)
                        break;
                }
            }
            uint32_t next = m_prev[cur & WINDOW_MASK];
            if (next >= cur)
                break;
            cur = next;
        }
    }

    // The last hashed position with the same two bytes as p, or NO_POS.
    uint32_t LastPair(uint32_t p) const
    {
        return m_head2[uint32_t(hist[p]) << 8 | hist[p + 1]];
    }

private:
    uint32_t Hash3(uint32_t p) const
    {
        uint32_t v = uint32_t(hist[p]) | uint32_t(hist[p + 1]) << 8 | uint32_t(hist[p + 2]) << 16;
        return (v * 2654435761u) >> (32 - HASH_BITS);
    }
    void ClearIndex();

    uint32_t m_inserted = 0;
    std::vector<uint32_t> m_head, m_prev, m_head2;
};

} // namespace rar
