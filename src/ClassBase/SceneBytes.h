// Portable core: little-endian byte access shared by the scene file formats.
// The reader never moves past its end; every Get reports whether the bytes
// were there, so a format reader can stop at the first short field.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

namespace scenefile {

class ByteReader
{
public:
    ByteReader(const void* data, size_t size) : m_pData(static_cast<const uint8_t*>(data)), m_nSize(data ? size : 0) {}

    size_t Position() const { return m_nPos; }
    size_t Remaining() const { return m_nSize - m_nPos; }

    bool GetU8(uint8_t& v) { return GetBytes(&v, 1); }
    bool GetU16(uint16_t& v)
    {
        uint8_t b[2];
        if (!GetBytes(b, 2))
            return false;
        v = static_cast<uint16_t>(b[0] | (b[1] << 8));
        return true;
    }
    bool GetU32(uint32_t& v)
    {
        uint8_t b[4];
        if (!GetBytes(b, 4))
            return false;
        v = uint32_t(b[0]) | (uint32_t(b[1]) << 8) | (uint32_t(b[2]) << 16) | (uint32_t(b[3]) << 24);
        return true;
    }
    bool GetF32(float& v)
    {
        uint32_t u;
        if (!GetU32(u))
            return false;
        std::memcpy(&v, &u, 4);
        return true;
    }
    bool GetFloats(float* out, size_t count)
    {
        if (count > Remaining() / 4)
            return false;
        for (size_t i = 0; i < count; ++i)
            GetF32(out[i]);
        return true;
    }
    bool GetBytes(void* out, size_t count)
    {
        if (count > Remaining())
            return false;
        if (count)
            std::memcpy(out, m_pData + m_nPos, count);
        m_nPos += count;
        return true;
    }

private:
    const uint8_t* m_pData;
    size_t m_nSize;
    size_t m_nPos = 0;
};

class ByteWriter
{
public:
    std::vector<uint8_t>& Bytes() { return m_Bytes; }
    size_t Position() const { return m_Bytes.size(); }

    void PutU8(uint8_t v) { m_Bytes.push_back(v); }
    void PutU16(uint16_t v)
    {
        m_Bytes.push_back(uint8_t(v));
        m_Bytes.push_back(uint8_t(v >> 8));
    }
    void PutU32(uint32_t v)
    {
        for (int i = 0; i < 4; ++i)
            m_Bytes.push_back(uint8_t(v >> (8 * i)));
    }
    void PutF32(float v)
    {
        uint32_t u;
        std::memcpy(&u, &v, 4);
        PutU32(u);
    }
    void PutFloats(const float* v, size_t count)
    {
        for (size_t i = 0; i < count; ++i)
            PutF32(v[i]);
    }
    void PutBytes(const void* data, size_t count)
    {
        const uint8_t* p = static_cast<const uint8_t*>(data);
        m_Bytes.insert(m_Bytes.end(), p, p + count);
    }

private:
    std::vector<uint8_t> m_Bytes;
};

} // namespace scenefile
