// Screenshot comparison (masks, bounding box, size mismatch) and the BMP encoding of the saved shots.
#include <gtest/gtest.h>

#include "setupbot/image.h"

namespace setupbot {
namespace {

Image Filled(int width, int height, uint32_t colour) {
    Image image;
    image.width = width;
    image.height = height;
    image.pixels.assign(size_t(width) * height, colour);
    return image;
}

void Set(Image& image, int x, int y, uint32_t colour) { image.pixels[size_t(y) * image.width + x] = colour; }

uint32_t Read32(const std::string& bytes, size_t at) {
    uint32_t value = 0;
    for (int i = 3; i >= 0; --i) value = (value << 8) | static_cast<unsigned char>(bytes[at + i]);
    return value;
}

TEST(CompareImages, CountsDifferingPixelsAndTheirBoundingBox) {
    Image a = Filled(10, 8, 0x112233), b = a;
    EXPECT_EQ(CompareImages(a, b, {}).pixels, 0);
    Set(b, 2, 3, 0xFFFFFF);
    Set(b, 7, 5, 0x000000);
    ImageDifference difference = CompareImages(a, b, {});
    EXPECT_EQ(difference.pixels, 2);
    EXPECT_EQ(difference.box, (Rect{2, 3, 6, 3}));
}

TEST(CompareImages, IgnoresMaskedRectanglesAndTheUnusedFourthByte) {
    Image a = Filled(10, 8, 0x112233), b = a;
    Set(b, 4, 4, 0x445566);   // inside the clock's mask
    Set(b, 0, 0, 0xFF112233);  // only the undefined top byte differs
    EXPECT_EQ(CompareImages(a, b, {Rect{3, 3, 2, 2}}).pixels, 0);
    // The mask's right and bottom edges are exclusive; a mask partly off the image is clipped.
    Set(b, 5, 4, 0x445566);
    EXPECT_EQ(CompareImages(a, b, {Rect{3, 3, 2, 2}, Rect{-5, -5, 6, 6}}).pixels, 1);
}

TEST(CompareImages, ImagesOfDifferentSizesDifferEverywhere) {
    ImageDifference difference = CompareImages(Filled(4, 3, 0), Filled(5, 2, 0), {});
    EXPECT_EQ(difference.pixels, 15);
    EXPECT_EQ(difference.box, (Rect{0, 0, 5, 3}));
}

TEST(EncodeBmp, WritesA32BitTopDownBitmap) {
    Image image = Filled(3, 2, 0x00ABCDEF);
    Set(image, 2, 1, 0xFF010203);
    std::string bytes = EncodeBmp(image);
    ASSERT_EQ(bytes.size(), 54u + 3 * 2 * 4);
    EXPECT_EQ(bytes.substr(0, 2), "BM");
    EXPECT_EQ(Read32(bytes, 2), bytes.size());         // file size
    EXPECT_EQ(Read32(bytes, 10), 54u);                 // pixels' offset
    EXPECT_EQ(Read32(bytes, 14), 40u);                 // BITMAPINFOHEADER
    EXPECT_EQ(int32_t(Read32(bytes, 18)), 3);          // width
    EXPECT_EQ(int32_t(Read32(bytes, 22)), -2);         // negative height: rows from the top
    EXPECT_EQ(Read32(bytes, 26) & 0xFFFF, 1u);         // planes
    EXPECT_EQ(Read32(bytes, 26) >> 16, 32u);           // bits per pixel
    EXPECT_EQ(Read32(bytes, 54), 0x00ABCDEFu);         // first pixel, blue byte first
    EXPECT_EQ(Read32(bytes, 54 + 5 * 4), 0x00010203u);  // last pixel, top byte cleared
}

}  // namespace
}  // namespace setupbot
