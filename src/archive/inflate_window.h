// Private to the deflate decoder: the output buffer. Symbols are decoded straight into one large buffer;
// when it fills up, the bytes not yet written are checksummed and written out in one piece, and only the
// last 32 KB (64 KB for deflate64) stay at its front as the history back references may reach into.
//
// The buffer has kSlack bytes behind its capacity so that match copies may store whole words past the end
// of a match; the fast decoder stops kFastMargin bytes before the capacity, which leaves room for one more
// longest match plus those overshooting stores.
#pragma once
#include <cstddef>
#include <cstdint>

#include "rtl/streams.h"

namespace archive::detail {

class InflateWindow {
public:
    // 160 KiB: the largest buffer that keeps a decoder (with its tables and input block) within the
    // engine's per-worker budget.
    static constexpr size_t kCapacity = 160 * 1024;
    static constexpr size_t kSlack = 64;
    static constexpr size_t kFastMargin = 320;  // >= the longest plain match (258) + overshoot of copies
    static constexpr size_t kDeflateHistory = 32768;
    static constexpr size_t kDeflate64History = 65536;

    // buffer: kCapacity + kSlack bytes, owned by the caller.
    InflateWindow(uint8_t* buffer, rtl::TStream* dest, bool deflate64, bool adler32, bool testOnly);

    uint8_t* Data() { return buffer_; }
    // Decoded bytes in the buffer; those after the last write-out are not yet written.
    size_t pos = 0;
    // Once pos reaches this, Flush makes room before decoding more.
    size_t FlushPoint() const { return kCapacity - kFastMargin; }

    // Writes out the pending bytes and keeps the history at the front of the buffer.
    void Flush();
    // Writes out the pending bytes up to `end` (the last call; no history is kept).
    void FlushUpTo(size_t end);

    uint32_t Checksum() const { return adler32_ ? checksum_ : ~checksum_; }
    int64_t Written() const { return written_; }

private:
    void Emit(const uint8_t* data, size_t n);

    rtl::TStream* dest_;
    const bool adler32_, testOnly_;
    const size_t history_;
    uint8_t* const buffer_;
    size_t emitted_ = 0;
    uint32_t checksum_;
    int64_t written_ = 0;
};

uint32_t UpdateAdler32(uint32_t adler, const uint8_t* p, size_t length);

}  // namespace archive::detail
