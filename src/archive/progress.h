// Progress arithmetic shared by the directory reader, the decoders and the extraction loop.
#pragma once
#include <cmath>
#include <cstdint>

namespace archive {

// done*100/total as a whole percentage: totals above 16,384,000 are first scaled down by 256 (rounded)
// so the product cannot overflow; a total of 0 or less gives 0, done at or past total gives 100.
inline int ArPercentage(int64_t done, int64_t total) {
    if (total > 16384000) {
        done = static_cast<int64_t>((static_cast<uint64_t>(done) + 128) / 256);
        total = static_cast<int64_t>((static_cast<uint64_t>(total) + 128) / 256);
    }
    if (total <= 0) return 0;
    if (done >= total) return 100;
    return static_cast<int>(done * 100 / total);
}

// Progress while the directory is read: entries*100 div total, in 64 bits (a directory may hold far more
// entries than its end record's 16-bit total says) and passed on as its low byte. A total of 0, which only
// a damaged end record gives, reports 0 rather than dividing by it.
inline uint8_t ArLoadingProgress(int64_t entries, uint16_t total) {
    if (total == 0) return 0;
    return static_cast<uint8_t>(entries * 100 / total);
}

// done*100/total computed in floating point and rounded to the nearest integer, halves to even.
inline int64_t RoundedPercent(int64_t done, int64_t total) {
    if (total <= 0) return 0;
    return static_cast<int64_t>(std::nearbyint(static_cast<double>(done) * 100.0 / static_cast<double>(total)));
}

}  // namespace archive
