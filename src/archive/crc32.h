// CRC-32 as ZIP uses it: reflected polynomial 0xEDB88320. The register starts at 0xFFFFFFFF and the
// final value is its complement; the update functions work on the raw register.
#pragma once
#include <cstddef>
#include <cstdint>

namespace archive {

// The byte table (also used by the traditional PKWARE key update).
extern const uint32_t kCrcTable[256];

// One byte into the register.
inline uint32_t ArUpdateCRC32(uint8_t byte, uint32_t crc) { return kCrcTable[(crc ^ byte) & 0xFF] ^ (crc >> 8); }

// A buffer into the register.
uint32_t ArUpdateCRCBuffer(uint32_t crc, const void* buffer, size_t length);

// The finished CRC-32 of a buffer.
inline uint32_t ArCrc32(const void* buffer, size_t length) { return ~ArUpdateCRCBuffer(0xFFFFFFFF, buffer, length); }

namespace detail {
// The ways of updating the register this processor can run (ArUpdateCRCBuffer picks the fastest), so that
// tests check each against the definition. Returns how many it wrote (up to 4).
struct CrcMethod {
    const char* name;
    uint32_t (*update)(uint32_t crc, const void* buffer, size_t length);
};
size_t AvailableCrcMethods(CrcMethod* methods);
}  // namespace detail

}  // namespace archive
