// Traditional PKWARE decryption: three 32-bit keys updated by every plain byte. The first 12 bytes of an
// encrypted item are its encryption header; the last of them must equal the top byte of the item's check
// value.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "archive/crc32.h"

namespace archive {

class TArZipDecryptor;
template <int N>
void DecryptInterleaved(TArZipDecryptor* const lanes[], uint8_t* const data[], size_t length);

class TArZipDecryptor {
public:
    static constexpr size_t kHeaderSize = 12;

    // Keys initialised from the password bytes.
    explicit TArZipDecryptor(std::string_view password) { Reset(password); }

    void Reset(std::string_view password) {
        keys_[0] = 0x12345678;
        keys_[1] = 0x23456789;
        keys_[2] = 0x34567890;
        for (char c : password) UpdateKeys(static_cast<uint8_t>(c));
    }

    uint8_t DecryptByte(uint8_t cipher) {
        uint32_t temp = (keys_[2] & 0xFFFF) | 2;
        auto plain = static_cast<uint8_t>(cipher ^ static_cast<uint8_t>((temp * (temp ^ 1)) >> 8));
        UpdateKeys(plain);
        return plain;
    }

    void Decrypt(uint8_t* data, size_t length) {
        // Local copies keep the keys in registers across the loop.
        uint32_t k0 = keys_[0], k1 = keys_[1], k2 = keys_[2];
        for (size_t i = 0; i < length; ++i) {
            uint32_t temp = (k2 & 0xFFFF) | 2;
            uint8_t plain = data[i] ^ static_cast<uint8_t>((temp * (temp ^ 1)) >> 8);
            data[i] = plain;
            k0 = ArUpdateCRC32(plain, k0);
            k1 = (k1 + (k0 & 0xFF)) * 134775813u + 1;
            k2 = ArUpdateCRC32(static_cast<uint8_t>(k1 >> 24), k2);
        }
        keys_[0] = k0;
        keys_[1] = k1;
        keys_[2] = k2;
    }

    // Decrypts the data of several items at once, each buffer with its own decryptor. Every byte's keys
    // depend on the byte before, so one item leaves most of a core's arithmetic idle; interleaving up to
    // kLanes independent items keeps it busy (about three times the bytes a second with four).
    static constexpr int kLanes = 4;
    static void DecryptLanes(TArZipDecryptor* const decryptors[], uint8_t* const data[], const size_t lengths[],
                             size_t count);

    // Decrypts the 12-byte header in place and tells whether its last byte matches the check value.
    bool CheckHeader(uint8_t header[kHeaderSize], uint32_t checkValue) {
        Decrypt(header, kHeaderSize);
        return header[kHeaderSize - 1] == static_cast<uint8_t>(checkValue >> 24);
    }

private:
    template <int N>
    friend void DecryptInterleaved(TArZipDecryptor* const lanes[], uint8_t* const data[], size_t length);

    void UpdateKeys(uint8_t plain) {
        keys_[0] = ArUpdateCRC32(plain, keys_[0]);
        keys_[1] = (keys_[1] + (keys_[0] & 0xFF)) * 134775813u + 1;
        keys_[2] = ArUpdateCRC32(static_cast<uint8_t>(keys_[1] >> 24), keys_[2]);
    }

    uint32_t keys_[3];
};

}  // namespace archive
