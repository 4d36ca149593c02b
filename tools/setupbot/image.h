// Screenshots as plain pixel arrays, their comparison and their BMP encoding. No Windows calls here.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "setupbot/description.h"

namespace setupbot {

// 32-bit pixels (0x00RRGGBB), rows from the top.
struct Image {
    int width = 0, height = 0;
    std::vector<uint32_t> pixels;
};

struct ImageDifference {
    long long pixels = 0;  // differing pixels outside the masks
    Rect box;              // their bounding box (all zero when none differ)
};

// Compares two images of the same size pixel by pixel, ignoring the masked rectangles (parts of them
// off the image are ignored). Images of different sizes differ everywhere: every pixel of the larger
// area counts and the box is that area.
ImageDifference CompareImages(const Image& a, const Image& b, const std::vector<Rect>& masks);

// The image as a BMP file: BITMAPFILEHEADER, BITMAPINFOHEADER (32 bits, top-down rows), the pixels.
std::string EncodeBmp(const Image& image);

}  // namespace setupbot
