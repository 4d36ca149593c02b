// The output side of the legacy decoders: a ring buffer that keeps the dictionary for back references and
// writes decoded bytes out in 32 KB blocks, updating the CRC-32 and reporting progress.
#pragma once
#include <cassert>
#include <cstdint>
#include <functional>

#include "rtl/streams.h"

namespace archive::detail {

class TArSlidingWindowStream {
public:
    static constexpr uint32_t kSize = 32768;          // also the block written out at once
    static constexpr uint32_t kMaxDistance = 8192;    // the largest back reference any legacy method makes

    // expected: bytes to produce; dest may be null (test mode); progress may be empty.
    TArSlidingWindowStream(rtl::TStream* dest, int64_t expected, const std::function<bool(uint8_t)>* progress);

    bool Done() const { return total_ >= expected_; }
    int64_t Remaining() const { return expected_ - total_; }

    // One decoded byte; the caller checks Done() first.
    void PutByte(uint8_t value) {
        assert(total_ < expected_);
        buffer_[pos_] = value;
        ++total_;
        if (++pos_ == kSize) Flush();
    }

    // Copies length bytes from distance bytes back (1..kMaxDistance), cut to what is still expected.
    // Positions before the start of the output read as zero bytes.
    void CopyMatch(uint32_t distance, uint32_t length);

    // Writes out the bytes not yet written; called when the ring is full and at the end.
    void Flush();

    // The finished CRC-32 of everything flushed so far.
    uint32_t Crc() const { return ~crc_; }

private:
    rtl::TStream* dest_;
    const std::function<bool(uint8_t)>* progress_;
    int64_t expected_;
    int64_t total_ = 0;     // bytes produced
    int64_t written_ = 0;   // bytes flushed
    uint32_t pos_ = 0;      // next slot
    uint32_t flushed_ = 0;  // slots [flushed_, pos_) are not yet written out
    uint32_t crc_ = 0xFFFFFFFF;
    int lastPercent_ = -1;
    // Zero-filled: until kSize - kMaxDistance bytes exist, every reference before the start lands on slots
    // never written, which gives the zero bytes old tools produce there.
    uint8_t buffer_[kSize] = {};
};

}  // namespace archive::detail
