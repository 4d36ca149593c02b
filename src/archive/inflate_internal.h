// Private to the deflate decoder: the internal error raised on corrupt or truncated data, and the
// little-endian word access the bit reader and the match copies are built on.
#pragma once
#include <cstdint>
#include <cstring>
#include <string>

namespace archive::detail {

// A fault in the compressed data; Inflate turns it into EArInflateError with this text as the cause.
struct InflateFault {
    std::string message;
};

[[noreturn]] void InflateFail(const char* message);

// The bit-stream operation that ran out of data, named in the "no more compressed data" cause.
enum class BitOp { ReadBits, ReadBit, ReadBuffer, DiscardBits };

[[noreturn]] void InflateFailTruncated(BitOp op);

inline uint64_t LoadLE64(const uint8_t* p) {
    uint64_t v;
    std::memcpy(&v, p, 8);  // little-endian hosts only (x86-64 on both targets)
    return v;
}

inline void Store64(uint8_t* p, uint64_t v) { std::memcpy(p, &v, 8); }

inline void Store16(uint8_t* p, uint16_t v) { std::memcpy(p, &v, 2); }

}  // namespace archive::detail
