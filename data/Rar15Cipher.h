// Portable core: the RAR 1.5 stream cipher (four 16-bit keys from the
// password's CRC, one key byte per data byte; the same step decrypts and
// encrypts).
#pragma once
#include <cstdint>

class CRar15Cipher
{
public:
    CRar15Cipher();
    ~CRar15Cipher();

    void SetPassword(const char* password);
    void Crypt(uint8_t* data, uint32_t size);
    void Wipe();

private:
    uint16_t m_Key[4];
};
