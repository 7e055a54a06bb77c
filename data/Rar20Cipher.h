// Portable core: the RAR 2.0 block cipher (16-byte blocks, 32 rounds, a
// password-dependent substitution table and keys that follow the cipher text).
#pragma once
#include <cstdint>

class CRar20Cipher
{
public:
    CRar20Cipher();
    ~CRar20Cipher();

    // Derives keys and table from a C string; at most 127 characters count.
    void SetPassword(const char* password);

    void EncryptBlock(uint8_t* block);
    void DecryptBlock(uint8_t* block);

    // Decrypts the whole 16-byte blocks of a buffer in place; a short tail
    // is left as it is.
    void Decrypt(uint8_t* data, uint32_t size);

    // Zeroes the key material.
    void Wipe();

private:
    uint32_t SubstLong(uint32_t t) const;
    void UpdateKeys(const uint8_t* block);
    void Crypt(uint8_t* block, bool encrypt);

    uint32_t m_Key[4];
    uint8_t m_Subst[256];
};
