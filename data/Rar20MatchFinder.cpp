// Portable core: the match finder of the RAR 2.0 compressor.
#include "data/Rar20MatchFinder.h"

#include <algorithm>

namespace rar {

void Rar20MatchFinder::Reset()
{
    ClearIndex();
    hist.clear();
}

void Rar20MatchFinder::KeepLast(size_t bytes)
{
    ClearIndex();
    std::vector<unsigned char> keep(hist.end() - bytes, hist.end());
    hist.swap(keep);
    InsertUpTo(static_cast<uint32_t>(hist.size()));
}

// After a small stream only the slots it touched are cleared: writers of
// many small entries reset often.
void Rar20MatchFinder::ClearIndex()
{
    const size_t slots = size_t(1) << HASH_BITS;
    if (m_head.size() != slots || m_inserted > slots / 16)
    {
        m_head.assign(slots, NO_POS);
        m_head2.assign(65536, NO_POS);
    }
    else
        for (uint32_t q = 0; q < m_inserted; q++)
        {
            m_head[Hash3(q)] = NO_POS;
            m_head2[uint32_t(hist[q]) << 8 | hist[q + 1]] = NO_POS;
        }
    m_prev.clear(); // grows with the window
    m_inserted = 0;
}

void Rar20MatchFinder::InsertUpTo(uint32_t p)
{
    // A position is hashed once the two bytes after it exist.
    if (hist.size() < 3)
        return;
    const uint32_t limit = std::min<uint32_t>(p, static_cast<uint32_t>(hist.size()) - 2);
    if (limit > m_inserted && m_prev.size() < std::min<size_t>(limit, WINDOW_SIZE))
        m_prev.resize(std::min<size_t>(std::max<size_t>(size_t(limit) * 2, 4096), WINDOW_SIZE), NO_POS);
    for (; m_inserted < limit; m_inserted++)
    {
        uint32_t h = Hash3(m_inserted);
        m_prev[m_inserted & WINDOW_MASK] = m_head[h];
        m_head[h] = m_inserted;
        m_head2[uint32_t(hist[m_inserted]) << 8 | hist[m_inserted + 1]] = m_inserted;
    }
}

} // namespace rar
