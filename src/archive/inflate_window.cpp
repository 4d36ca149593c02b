// The deflate decoder's output buffer: checksumming, writing out and keeping the history.
#include "archive/inflate_window.h"

#include <algorithm>
#include <cassert>
#include <cstring>

#include "archive/crc32.h"

namespace archive::detail {

InflateWindow::InflateWindow(uint8_t* buffer, rtl::TStream* dest, bool deflate64, bool adler32, bool testOnly)
    : dest_(dest),
      adler32_(adler32),
      testOnly_(testOnly),
      history_(deflate64 ? kDeflate64History : kDeflateHistory),
      buffer_(buffer),
      checksum_(adler32 ? 1u : 0xFFFFFFFFu) {}

void InflateWindow::Emit(const uint8_t* data, size_t n) {
    if (n == 0) return;
    checksum_ = adler32_ ? UpdateAdler32(checksum_, data, n) : ArUpdateCRCBuffer(checksum_, data, n);
    written_ += int64_t(n);
    if (!testOnly_) dest_->WriteBuffer(data, int64_t(n));
}

void InflateWindow::Flush() {
    assert(pos >= history_ && pos >= emitted_);
    Emit(buffer_ + emitted_, pos - emitted_);
    std::memmove(buffer_, buffer_ + pos - history_, history_);
    pos = history_;
    emitted_ = history_;
}

void InflateWindow::FlushUpTo(size_t end) {
    if (end > emitted_) Emit(buffer_ + emitted_, end - emitted_);
    emitted_ = std::max(emitted_, end);
}

uint32_t UpdateAdler32(uint32_t adler, const uint8_t* p, size_t length) {
    constexpr uint32_t kBase = 65521;
    constexpr size_t kMaxRun = 5552;  // the longest run whose sums cannot overflow 32 bits
    uint32_t a = adler & 0xFFFF, b = adler >> 16;
    while (length > 0) {
        size_t run = std::min(length, kMaxRun);
        length -= run;
        while (run >= 8) {
            for (int i = 0; i < 8; ++i) b += (a += p[i]);
            p += 8;
            run -= 8;
        }
        while (run--) b += (a += *p++);
        a %= kBase;
        b %= kBase;
    }
    return (b << 16) | a;
}

}  // namespace archive::detail
