#include "archive/crc32.h"

#include <array>
#include <cstring>

namespace archive {

namespace {

// Eight tables for slicing-by-8: table k gives the effect of a byte followed by k zero bytes.
struct Tables {
    uint32_t t[8][256];
    constexpr Tables() : t{} {
        for (uint32_t i = 0; i < 256; ++i) {
            uint32_t c = i;
            for (int k = 0; k < 8; ++k) c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
            t[0][i] = c;
        }
        for (int k = 1; k < 8; ++k)
            for (uint32_t i = 0; i < 256; ++i) t[k][i] = (t[k - 1][i] >> 8) ^ t[0][t[k - 1][i] & 0xFF];
    }
};

constexpr Tables kTables;

}  // namespace

const uint32_t kCrcTable[256] = {
#define TS_ROW(i) kTables.t[0][i], kTables.t[0][i + 1], kTables.t[0][i + 2], kTables.t[0][i + 3]
#define TS_ROW16(i) TS_ROW(i), TS_ROW(i + 4), TS_ROW(i + 8), TS_ROW(i + 12)
    TS_ROW16(0),   TS_ROW16(16),  TS_ROW16(32),  TS_ROW16(48),  TS_ROW16(64),  TS_ROW16(80),
    TS_ROW16(96),  TS_ROW16(112), TS_ROW16(128), TS_ROW16(144), TS_ROW16(160), TS_ROW16(176),
    TS_ROW16(192), TS_ROW16(208), TS_ROW16(224), TS_ROW16(240),
#undef TS_ROW16
#undef TS_ROW
};

uint32_t ArUpdateCRCBuffer(uint32_t crc, const void* buffer, size_t length) {
    auto* p = static_cast<const uint8_t*>(buffer);
    const auto& t = kTables.t;
    while (length >= 8) {
        uint32_t lo, hi;
        std::memcpy(&lo, p, 4);
        std::memcpy(&hi, p + 4, 4);
        lo ^= crc;  // little-endian hosts only (x86-64 on both targets)
        crc = t[7][lo & 0xFF] ^ t[6][(lo >> 8) & 0xFF] ^ t[5][(lo >> 16) & 0xFF] ^ t[4][lo >> 24] ^
              t[3][hi & 0xFF] ^ t[2][(hi >> 8) & 0xFF] ^ t[1][(hi >> 16) & 0xFF] ^ t[0][hi >> 24];
        p += 8;
        length -= 8;
    }
    while (length--) crc = t[0][(crc ^ *p++) & 0xFF] ^ (crc >> 8);
    return crc;
}

}  // namespace archive
