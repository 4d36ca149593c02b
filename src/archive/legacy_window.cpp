// The sliding window of the legacy decoders: back references, block writes, CRC and progress.
#include "archive/legacy_window.h"

#include <cassert>

#include "archive/crc32.h"
#include "archive/errors.h"
#include "archive/progress.h"

namespace archive::detail {

static_assert((TArSlidingWindowStream::kSize & (TArSlidingWindowStream::kSize - 1)) == 0,
              "ring size is a power of two");
static_assert(TArSlidingWindowStream::kMaxDistance * 2 <= TArSlidingWindowStream::kSize,
              "references before the start must land on never-written slots");

TArSlidingWindowStream::TArSlidingWindowStream(rtl::TStream* dest, int64_t expected,
                                               const std::function<bool(uint8_t)>* progress)
    : dest_(dest), progress_(progress), expected_(expected < 0 ? 0 : expected) {}

void TArSlidingWindowStream::CopyMatch(uint32_t distance, uint32_t length) {
    if (distance == 0 || distance > kMaxDistance) throw EArSWSSeekFailed();
    if (static_cast<int64_t>(length) > Remaining()) length = static_cast<uint32_t>(Remaining());
    constexpr uint32_t kMask = kSize - 1;
    while (length > 0) {
        // Copy in runs that stay inside the ring on both ends; byte by byte because the source may overlap
        // the bytes being written (distance < length repeats a pattern).
        uint32_t from = (pos_ - distance) & kMask;
        uint32_t run = length;
        if (run > kSize - pos_) run = kSize - pos_;
        if (run > kSize - from) run = kSize - from;
        uint8_t* out = buffer_ + pos_;
        const uint8_t* in = buffer_ + from;
        for (uint32_t i = 0; i < run; ++i) out[i] = in[i];
        pos_ += run;
        total_ += run;
        length -= run;
        if (pos_ == kSize) Flush();
    }
}

void TArSlidingWindowStream::Flush() {
    assert(pos_ <= kSize && flushed_ <= pos_ && total_ <= expected_);
    uint32_t count = pos_ - flushed_;
    if (count > 0) {
        const uint8_t* data = buffer_ + flushed_;
        if (dest_ && dest_->Write(data, count) != count) throw EArSWSWriteFailed();
        crc_ = ArUpdateCRCBuffer(crc_, data, count);
        written_ += count;
        flushed_ = pos_;
    }
    if (pos_ == kSize) pos_ = flushed_ = 0;
    if (count == 0) return;
    int percent = ArPercentage(written_, expected_);
    if (percent != lastPercent_) {
        lastPercent_ = percent;
        if (progress_ && *progress_ && (*progress_)(static_cast<uint8_t>(percent))) throw EArUserAbort();
    }
}

}  // namespace archive::detail
