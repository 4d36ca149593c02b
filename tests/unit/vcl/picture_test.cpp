// Picture sizes from JPEG and BMP headers built here byte by byte, cut short at every length, and loaded
// from files on the test machine into an image control.
#include <gtest/gtest.h>

#include "rtl/exceptions.h"
#include "support/test_machine.h"
#include "vcl/graphics.h"

using namespace vcl;

namespace {

void Be16(std::vector<uint8_t>& out, int value) {
    out.push_back(uint8_t(value >> 8));
    out.push_back(uint8_t(value));
}
void Le16(std::vector<uint8_t>& out, int value) {
    out.push_back(uint8_t(value));
    out.push_back(uint8_t(value >> 8));
}
void Le32(std::vector<uint8_t>& out, int32_t value) {
    Le16(out, int(uint32_t(value) & 0xFFFF));
    Le16(out, int(uint32_t(value) >> 16));
}

// SOI; an APP0 "JFIF" segment (length 16); a DHT-like segment the reader must skip (C4 is not a frame);
// SOF2 (progressive) with precision 8, height, width and one component; then SOS and EOI.
std::vector<uint8_t> Jpeg(int width, int height) {
    std::vector<uint8_t> out = {0xFF, 0xD8};
    out.insert(out.end(), {0xFF, 0xE0});
    Be16(out, 16);
    out.insert(out.end(), {'J', 'F', 'I', 'F', 0, 1, 1, 0, 0, 1, 0, 1, 0, 0});
    out.insert(out.end(), {0xFF, 0xFF, 0xC4});  // a fill byte before the marker
    Be16(out, 5);
    out.insert(out.end(), {0x00, 0x01, 0x02});
    out.insert(out.end(), {0xFF, 0xC2});
    Be16(out, 11);
    out.push_back(8);
    Be16(out, height);
    Be16(out, width);
    out.insert(out.end(), {1, 1, 0x11, 0});
    out.insert(out.end(), {0xFF, 0xDA, 0x00, 0x02, 0xFF, 0xD9});
    return out;
}

// BITMAPFILEHEADER ("BM", file size, reserved, pixel offset) then BITMAPINFOHEADER (40 bytes: size, width,
// height, planes 1, 24 bits, no compression, the rest zero).
std::vector<uint8_t> Bitmap(int32_t width, int32_t height) {
    std::vector<uint8_t> out = {'B', 'M'};
    Le32(out, 54);
    Le32(out, 0);
    Le32(out, 54);
    Le32(out, 40);
    Le32(out, width);
    Le32(out, height);
    Le16(out, 1);
    Le16(out, 24);
    for (int i = 0; i < 6; ++i) Le32(out, 0);
    return out;
}

// The OS/2 form: a 12-byte BITMAPCOREHEADER with 16-bit width and height.
std::vector<uint8_t> CoreBitmap(int width, int height) {
    std::vector<uint8_t> out = {'B', 'M'};
    Le32(out, 26);
    Le32(out, 0);
    Le32(out, 26);
    Le32(out, 12);
    Le16(out, width);
    Le16(out, height);
    Le16(out, 1);
    Le16(out, 24);
    return out;
}

}  // namespace

TEST(PictureHeaders, SizesComeFromTheFrameOrBitmapHeader) {
    auto jpeg = ReadPictureInfo(Jpeg(1024, 768));
    ASSERT_TRUE(jpeg);
    EXPECT_EQ(jpeg->format, TPictureFormat::Jpeg);
    EXPECT_EQ(jpeg->width, 1024);
    EXPECT_EQ(jpeg->height, 768);

    auto bmp = ReadPictureInfo(Bitmap(32, 32));
    ASSERT_TRUE(bmp);
    EXPECT_EQ(bmp->format, TPictureFormat::Bitmap);
    EXPECT_EQ(bmp->width, 32);
    auto topDown = ReadPictureInfo(Bitmap(48, -20));
    ASSERT_TRUE(topDown);
    EXPECT_EQ(topDown->height, 20);
    auto core = ReadPictureInfo(CoreBitmap(16, 8));
    ASSERT_TRUE(core);
    EXPECT_EQ(core->width, 16);
    EXPECT_EQ(core->height, 8);
}

TEST(PictureHeaders, DamagedHeadersAreRejected) {
    EXPECT_FALSE(ReadPictureInfo(Bitmap(-5, 10)));
    EXPECT_FALSE(ReadPictureInfo(Bitmap(5, 0)));
    EXPECT_FALSE(ReadPictureInfo(Jpeg(0, 10)));
    EXPECT_FALSE(ReadPictureInfo({'G', 'I', 'F', '8', '9', 'a'}));
    // A JPEG whose scan starts before any frame header has no size.
    EXPECT_FALSE(ReadPictureInfo({0xFF, 0xD8, 0xFF, 0xDA, 0x00, 0x02, 0xFF, 0xD9}));
    // A segment length pointing past the end.
    EXPECT_FALSE(ReadPictureInfo({0xFF, 0xD8, 0xFF, 0xE0, 0x7F, 0xFF, 0x00}));
}

TEST(PictureHeaders, EveryTruncationIsRejectedWithoutReadingPastTheEnd) {
    for (const auto& whole : {Jpeg(640, 480), Bitmap(32, 32), CoreBitmap(16, 16)}) {
        // Anything cut before the last byte of the width must fail cleanly (the JPEG ends with 4 bytes of
        // frame components and 6 of scan and end markers after it).
        size_t needed = whole[0] == 0xFF ? whole.size() - 10 : (whole.size() == 26 ? 22 : 26);
        for (size_t length = 0; length < needed; ++length) {
            std::vector<uint8_t> cut(whole.begin(), whole.begin() + long(length));
            EXPECT_FALSE(ReadPictureInfo(cut)) << "length " << length;
        }
        EXPECT_TRUE(ReadPictureInfo(std::vector<uint8_t>(whole.begin(), whole.begin() + long(needed))));
    }
}

TEST(PictureFiles, AnImageTakesThePicturesSizeWithAutoSize) {
    std::string dir = test_support::MakeTempDir();
    test_support::WriteFile(dir + "\\setup1024.JPG", Jpeg(1024, 768));
    test_support::WriteFile(dir + "\\module.bmp", Bitmap(120, 90));
    test_support::WriteFile(dir + "\\readme.txt", std::string("not a picture"));

    TImage image(nullptr);
    image.SetBounds(10, 20, 5, 5);
    image.Picture.LoadFromFile(dir + "\\setup1024.JPG");
    EXPECT_EQ(image.Width(), 5);  // without AutoSize the control keeps its size
    image.SetAutoSize(true);
    image.Picture.LoadFromFile(dir + "\\module.bmp");
    EXPECT_EQ(image.BoundsRect(), (TRect{10, 20, 130, 110}));
    EXPECT_EQ(image.Picture.Format(), TPictureFormat::Bitmap);

    EXPECT_THROW(image.Picture.LoadFromFile(dir + "\\readme.txt"), EInvalidGraphic);
    EXPECT_THROW(image.Picture.LoadFromFile(dir + "\\missing.jpg"), rtl::EFOpenError);
    EXPECT_EQ(image.Picture.Width(), 120);  // a failed load leaves the picture as it was
}
