// Portable core: the bit writer of the RAR 2.0 compressor. Bits go out MSB
// first, as the decoder reads them.
#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

namespace rar {

// Zero bytes Pad writes after the last symbol.
constexpr size_t END_PADDING = 2;

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

} // namespace rar
