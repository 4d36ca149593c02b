// Pixel comparison and BMP encoding of screenshots.
#include "setupbot/image.h"

#include <algorithm>

namespace setupbot {
namespace {

void PutLittleEndian(std::string& out, uint32_t value, int bytes) {
    for (int i = 0; i < bytes; ++i) out += static_cast<char>((value >> (8 * i)) & 0xFF);
}

bool Masked(const std::vector<Rect>& masks, int x, int y) {
    for (const Rect& mask : masks)
        if (x >= mask.left && x < mask.left + mask.width && y >= mask.top && y < mask.top + mask.height) return true;
    return false;
}

}  // namespace

ImageDifference CompareImages(const Image& a, const Image& b, const std::vector<Rect>& masks) {
    ImageDifference difference;
    if (a.width != b.width || a.height != b.height) {
        int width = std::max(a.width, b.width), height = std::max(a.height, b.height);
        difference.pixels = static_cast<long long>(width) * height;
        difference.box = {0, 0, width, height};
        return difference;
    }
    int left = a.width, top = a.height, right = -1, bottom = -1;
    for (int y = 0; y < a.height; ++y) {
        const uint32_t* rowA = a.pixels.data() + static_cast<size_t>(y) * a.width;
        const uint32_t* rowB = b.pixels.data() + static_cast<size_t>(y) * b.width;
        for (int x = 0; x < a.width; ++x) {
            // Only the colour bytes count: the fourth byte of a screen capture is undefined.
            if (((rowA[x] ^ rowB[x]) & 0x00FFFFFF) == 0 || Masked(masks, x, y)) continue;
            ++difference.pixels;
            left = std::min(left, x);
            right = std::max(right, x);
            top = std::min(top, y);
            bottom = std::max(bottom, y);
        }
    }
    if (difference.pixels) difference.box = {left, top, right - left + 1, bottom - top + 1};
    return difference;
}

std::string EncodeBmp(const Image& image) {
    const uint32_t headerSize = 14 + 40;
    const uint32_t dataSize = static_cast<uint32_t>(image.pixels.size() * 4);
    std::string out;
    out.reserve(headerSize + dataSize);
    out += "BM";
    PutLittleEndian(out, headerSize + dataSize, 4);  // file size
    PutLittleEndian(out, 0, 4);                      // reserved
    PutLittleEndian(out, headerSize, 4);             // offset of the pixels
    PutLittleEndian(out, 40, 4);                     // BITMAPINFOHEADER size
    PutLittleEndian(out, static_cast<uint32_t>(image.width), 4);
    PutLittleEndian(out, static_cast<uint32_t>(-image.height), 4);  // negative: rows from the top
    PutLittleEndian(out, 1, 2);                                       // planes
    PutLittleEndian(out, 32, 2);                                      // bits per pixel
    PutLittleEndian(out, 0, 4);                                       // BI_RGB
    PutLittleEndian(out, dataSize, 4);
    PutLittleEndian(out, 2835, 4);  // 72 dpi
    PutLittleEndian(out, 2835, 4);
    PutLittleEndian(out, 0, 4);
    PutLittleEndian(out, 0, 4);
    for (uint32_t pixel : image.pixels) PutLittleEndian(out, pixel & 0x00FFFFFF, 4);
    return out;
}

}  // namespace setupbot
