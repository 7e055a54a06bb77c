// Portable core: the RAR 1.5 stream cipher.
#include "data/Rar15Cipher.h"

#include <cstring>

#include "data/RarCrc.h"

namespace {

inline uint16_t Ror16(uint16_t v)
{
    return uint16_t((v >> 1) | (v << 15));
}

} // namespace

CRar15Cipher::CRar15Cipher()
{
    Wipe();
}

CRar15Cipher::~CRar15Cipher()
{
    Wipe();
}

void CRar15Cipher::Wipe()
{
    volatile uint16_t* k = m_Key;
    for (int i = 0; i < 4; ++i)
        k[i] = 0;
}

void CRar15Cipher::SetPassword(const char* password)
{
    if (password == nullptr)
        password = "";
    const uint8_t* psw = reinterpret_cast<const uint8_t*>(password);
    size_t length = std::strlen(password);
    // the running CRC, without its final complement
    uint32_t crc = rar::CrcUpdate(0xFFFFFFFFu, psw, length);
    m_Key[0] = uint16_t(crc);
    m_Key[1] = uint16_t(crc >> 16);
    m_Key[2] = 0;
    m_Key[3] = 0;
    for (size_t i = 0; i < length; ++i)
    {
        uint8_t p = psw[i];
        m_Key[2] = uint16_t(m_Key[2] ^ p ^ rar::CRC_TABLE[p]);
        m_Key[3] = uint16_t(m_Key[3] + p + (rar::CRC_TABLE[p] >> 16));
    }
}

void CRar15Cipher::Crypt(uint8_t* data, uint32_t size)
{
    for (uint32_t i = 0; i < size; ++i)
    {
        m_Key[0] = uint16_t(m_Key[0] + 0x1234);
        uint32_t t = rar::CRC_TABLE[(m_Key[0] >> 1) & 0xFF];
        m_Key[1] = uint16_t(m_Key[1] ^ t);
        m_Key[2] = uint16_t(m_Key[2] - (t >> 16));
        m_Key[0] = uint16_t(m_Key[0] ^ m_Key[2]);
        m_Key[3] = uint16_t(Ror16(m_Key[3]) ^ m_Key[1]);
        m_Key[3] = Ror16(m_Key[3]);
        m_Key[0] = uint16_t(m_Key[0] ^ m_Key[3]);
        data[i] ^= uint8_t(m_Key[0] >> 8);
    }
}
