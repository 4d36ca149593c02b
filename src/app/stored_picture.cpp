// The stored background picture, built as BMP bytes (file header, BITMAPINFOHEADER, bottom-up rows).
#include "app/stored_picture.h"

namespace app {
namespace {

constexpr int kWidth = 8;
constexpr int kHeight = 128;

void Put16(std::vector<uint8_t>& out, uint32_t value) {
    out.push_back(uint8_t(value));
    out.push_back(uint8_t(value >> 8));
}

void Put32(std::vector<uint8_t>& out, uint32_t value) {
    Put16(out, value & 0xFFFF);
    Put16(out, value >> 16);
}

// One colour channel from top (at row 0) to bottom (at the last row).
uint8_t Blend(int top, int bottom, int row) { return uint8_t(top + (bottom - top) * row / (kHeight - 1)); }

}  // namespace

std::vector<uint8_t> StoredBackgroundPicture() {
    constexpr uint32_t rowBytes = (kWidth * 3 + 3) & ~3u;
    constexpr uint32_t pixelBytes = rowBytes * kHeight;
    constexpr uint32_t offset = 14 + 40;
    std::vector<uint8_t> out;
    out.reserve(offset + pixelBytes);
    out.push_back('B');
    out.push_back('M');
    Put32(out, offset + pixelBytes);
    Put32(out, 0);
    Put32(out, offset);
    Put32(out, 40);       // header size
    Put32(out, kWidth);
    Put32(out, kHeight);  // positive: rows stored bottom-up
    Put16(out, 1);        // planes
    Put16(out, 24);       // bits per pixel
    Put32(out, 0);        // no compression
    Put32(out, pixelBytes);
    Put32(out, 3780);     // 96 dots per inch, in dots per metre
    Put32(out, 3780);
    Put32(out, 0);
    Put32(out, 0);
    for (int stored = 0; stored < kHeight; ++stored) {
        int row = kHeight - 1 - stored;  // the first stored row is the bottom one
        for (int x = 0; x < kWidth; ++x) {
            out.push_back(Blend(246, 255, row));  // blue
            out.push_back(Blend(226, 255, row));  // green
            out.push_back(Blend(200, 255, row));  // red
        }
        for (uint32_t pad = kWidth * 3; pad < rowBytes; ++pad) out.push_back(0);
    }
    return out;
}

}  // namespace app
