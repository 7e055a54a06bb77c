// Portable core: the RAR 2.0 block cipher.
#include "data/Rar20Cipher.h"

#include <cstring>

#include "data/RarCrc.h"

namespace {

constexpr int ROUNDS = 32;
constexpr size_t MAX_PASSWORD = 127;

// The format's initial substitution table; the password permutes it.
constexpr uint8_t INITIAL_SUBST[256] = {
    0xd7, 0x13, 0x95, 0x23, 0x49, 0xc5, 0xc0, 0xcd, 0xf9, 0x1c, 0x10, 0x77, 0x30, 0xdd, 0x02, 0x2a, 0xe8, 0x01, 0xb1,
    0xe9, 0x0e, 0x58, 0xdb, 0x19, 0xdf, 0xc3, 0xf4, 0x5a, 0x57, 0xef, 0x99, 0x89, 0xff, 0xc7, 0x93, 0x46, 0x5c, 0x42,
    0xf6, 0x0d, 0xd8, 0x28, 0x3e, 0x1d, 0xd9, 0xe6, 0x56, 0x06, 0x47, 0x18, 0xab, 0xc4, 0x65, 0x71, 0xda, 0x7b, 0x5d,
    0x5b, 0xa3, 0xb2, 0xca, 0x43, 0x2c, 0xeb, 0x6b, 0xfa, 0x4b, 0xea, 0x31, 0xa7, 0x7d, 0xd3, 0x53, 0x72, 0x9d, 0x90,
    0x20, 0xc1, 0x8f, 0x24, 0x9e, 0x7c, 0xf7, 0xbb, 0x59, 0xd6, 0x8d, 0x2f, 0x79, 0xe4, 0x3d, 0x82, 0xd5, 0xc2, 0xae,
    0xfb, 0x61, 0x6e, 0x36, 0xe5, 0x73, 0x39, 0x98, 0x5e, 0x69, 0xf3, 0xd4, 0x37, 0xd1, 0xf5, 0x3f, 0x0b, 0xa4, 0xc8,
    0x1f, 0x9c, 0x51, 0xb0, 0xe3, 0x15, 0x4c, 0x63, 0x8b, 0xbc, 0x7f, 0x11, 0xf8, 0x33, 0xcf, 0x78, 0xbd, 0xd2, 0x08,
    0xe2, 0x29, 0x48, 0xb7, 0xcb, 0x87, 0xa5, 0xa6, 0x3c, 0x62, 0x07, 0x7a, 0x26, 0x9b, 0xaa, 0x45, 0xac, 0xfc, 0xee,
    0x27, 0x86, 0x3b, 0x80, 0xec, 0x1b, 0xf0, 0x50, 0x83, 0x03, 0x55, 0xce, 0x91, 0x4f, 0x9a, 0x8e, 0x9f, 0xdc, 0xc9,
    0x85, 0x4a, 0x40, 0x14, 0x81, 0xe0, 0xb9, 0x8a, 0x67, 0xad, 0xb6, 0x2b, 0x22, 0xfe, 0x52, 0xc6, 0x97, 0xe7, 0xb4,
    0x3a, 0x0a, 0x76, 0x1a, 0x66, 0x0c, 0x32, 0x84, 0x16, 0xbf, 0x88, 0x6f, 0xa2, 0xb3, 0x2d, 0x04, 0x94, 0x6c, 0xa1,
    0x38, 0x4e, 0x7e, 0xf2, 0xde, 0x0f, 0xaf, 0x92, 0x17, 0x21, 0xf1, 0xb5, 0xbe, 0x4d, 0xe1, 0x00, 0x2e, 0xa9, 0xba,
    0x44, 0x5f, 0xed, 0x41, 0x35, 0xd0, 0xfd, 0xa8, 0x09, 0x12, 0x64, 0x34, 0x74, 0xb8, 0xa0, 0x60, 0x6d, 0x25, 0x1e,
    0x6a, 0x8c, 0x68, 0x96, 0x05, 0xcc, 0x75, 0x70, 0x54};

inline uint32_t Load32(const uint8_t* p)
{
    return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}

inline void Store32(uint8_t* p, uint32_t v)
{
    p[0] = uint8_t(v);
    p[1] = uint8_t(v >> 8);
    p[2] = uint8_t(v >> 16);
    p[3] = uint8_t(v >> 24);
}

inline uint32_t Rotl(uint32_t v, int n)
{
    return (v << n) | (v >> (32 - n));
}

} // namespace

CRar20Cipher::CRar20Cipher()
{
    Wipe();
}

CRar20Cipher::~CRar20Cipher()
{
    Wipe();
}

void CRar20Cipher::Wipe()
{
    volatile uint8_t* p = reinterpret_cast<volatile uint8_t*>(m_Subst);
    for (size_t i = 0; i < sizeof(m_Subst); ++i)
        p[i] = 0;
    volatile uint32_t* k = m_Key;
    for (int i = 0; i < 4; ++i)
        k[i] = 0;
}

void CRar20Cipher::SetPassword(const char* password)
{
    // zero padding: the schedule reads one byte past the end and encrypts
    // whole blocks
    uint8_t psw[MAX_PASSWORD + 1 + 16] = {};
    size_t length = 0;
    if (password != nullptr)
    {
        while (length < MAX_PASSWORD && password[length] != '\0')
        {
            psw[length] = uint8_t(password[length]);
            ++length;
        }
    }

    m_Key[0] = 0xD3A3B879u;
    m_Key[1] = 0x3F6D12F7u;
    m_Key[2] = 0x7515A235u;
    m_Key[3] = 0xA4E7F123u;
    std::memcpy(m_Subst, INITIAL_SUBST, sizeof(m_Subst));

    for (unsigned j = 0; j < 256; ++j)
    {
        for (size_t i = 0; i < length; i += 2)
        {
            unsigned n2 = rar::CRC_TABLE[(psw[i + 1] + j) & 0xFF] & 0xFF;
            unsigned n1 = rar::CRC_TABLE[(psw[i] - j) & 0xFF] & 0xFF;
            for (unsigned k = 1; n1 != n2; n1 = (n1 + 1) & 0xFF, ++k)
            {
                uint8_t& a = m_Subst[n1];
                uint8_t& b = m_Subst[(n1 + i + k) & 0xFF];
                uint8_t t = a;
                a = b;
                b = t;
            }
        }
    }

    for (size_t i = 0; i < length; i += 16)
        EncryptBlock(psw + i);

    volatile uint8_t* wipe = psw;
    for (size_t i = 0; i < sizeof(psw); ++i)
        wipe[i] = 0;
}

uint32_t CRar20Cipher::SubstLong(uint32_t t) const
{
    return uint32_t(m_Subst[t & 0xFF]) | uint32_t(m_Subst[(t >> 8) & 0xFF]) << 8 |
           uint32_t(m_Subst[(t >> 16) & 0xFF]) << 16 | uint32_t(m_Subst[t >> 24]) << 24;
}

void CRar20Cipher::UpdateKeys(const uint8_t* block)
{
    for (int i = 0; i < 16; i += 4)
        for (int j = 0; j < 4; ++j)
            m_Key[j] ^= rar::CRC_TABLE[block[i + j]];
}

void CRar20Cipher::Crypt(uint8_t* block, bool encrypt)
{
    uint8_t cipherText[16];
    if (!encrypt)
        std::memcpy(cipherText, block, 16);

    uint32_t a = Load32(block) ^ m_Key[0];
    uint32_t b = Load32(block + 4) ^ m_Key[1];
    uint32_t c = Load32(block + 8) ^ m_Key[2];
    uint32_t d = Load32(block + 12) ^ m_Key[3];
    for (int round = 0; round < ROUNDS; ++round)
    {
        uint32_t key = m_Key[(encrypt ? round : ROUNDS - 1 - round) & 3];
        uint32_t ta = a ^ SubstLong((c + Rotl(d, 11)) ^ key);
        uint32_t tb = b ^ SubstLong((d ^ Rotl(c, 17)) + key);
        a = c;
        b = d;
        c = ta;
        d = tb;
    }
    Store32(block, c ^ m_Key[0]);
    Store32(block + 4, d ^ m_Key[1]);
    Store32(block + 8, a ^ m_Key[2]);
    Store32(block + 12, b ^ m_Key[3]);

    // the keys follow the cipher text in both directions
    UpdateKeys(encrypt ? block : cipherText);
}

void CRar20Cipher::EncryptBlock(uint8_t* block)
{
    Crypt(block, true);
}

void CRar20Cipher::DecryptBlock(uint8_t* block)
{
    Crypt(block, false);
}

void CRar20Cipher::Decrypt(uint8_t* data, uint32_t size)
{
    for (uint32_t i = 0; size - i >= 16 && i < size; i += 16)
        DecryptBlock(data + i);
}
