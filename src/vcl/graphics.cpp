// Picture headers (JPEG and BMP) and the image control.
#include "vcl/graphics.h"

#include "os/machine.h"

namespace vcl {
namespace {

// Bounds-checked big- and little-endian readers over the picture's bytes. Every read of the untrusted
// file goes through Has(), which says whether count bytes exist at offset.
struct Reader {
    const std::vector<uint8_t>& bytes;
    bool Has(size_t offset, size_t count) const { return offset <= bytes.size() && count <= bytes.size() - offset; }
    uint16_t Be16(size_t at) const { return uint16_t(bytes[at] << 8 | bytes[at + 1]); }
    uint16_t Le16(size_t at) const { return uint16_t(bytes[at] | bytes[at + 1] << 8); }
    uint32_t Le32(size_t at) const { return uint32_t(Le16(at)) | uint32_t(Le16(at + 2)) << 16; }
};

// BMP: BITMAPFILEHEADER (14 bytes, "BM" first) then the DIB header, whose first field is its own size.
constexpr size_t kBitmapFileHeaderSize = 14;
constexpr uint16_t kBitmapSignature = 0x4D42;  // "BM" read little-endian
constexpr uint32_t kBitmapCoreHeaderSize = 12;  // OS/2 1.x: 16-bit width and height
constexpr uint32_t kBitmapInfoHeaderSize = 40;  // Windows 3.x and later (larger versions extend it)

std::optional<TPictureInfo> ReadBitmapInfo(const Reader& in) {
    if (!in.Has(0, kBitmapFileHeaderSize + 4) || in.Le16(0) != kBitmapSignature) return std::nullopt;
    uint32_t headerSize = in.Le32(kBitmapFileHeaderSize);
    size_t at = kBitmapFileHeaderSize + 4;
    TPictureInfo info{TPictureFormat::Bitmap, 0, 0};
    if (headerSize == kBitmapCoreHeaderSize) {
        if (!in.Has(at, 4)) return std::nullopt;
        info.width = in.Le16(at);
        info.height = in.Le16(at + 2);
    } else if (headerSize >= kBitmapInfoHeaderSize) {
        if (!in.Has(at, 8)) return std::nullopt;
        int32_t width = int32_t(in.Le32(at));
        int32_t height = int32_t(in.Le32(at + 4));
        // A negative height marks a top-down bitmap; a negative width is invalid.
        if (width <= 0 || height == 0 || height == INT32_MIN) return std::nullopt;
        info.width = width;
        info.height = height < 0 ? -height : height;
    } else {
        return std::nullopt;
    }
    if (info.width <= 0 || info.height <= 0) return std::nullopt;
    return info;
}

// JPEG: SOI (FF D8), then segments "FF marker [length(2, big-endian, counting itself) payload]". The
// frame header SOFn (C0-CF except C4 DHT, C8 JPG, CC DAC) holds precision(1), height(2), width(2).
// The size must come before the first scan (SOS, DA); fill bytes FF may precede a marker.
std::optional<TPictureInfo> ReadJpegInfo(const Reader& in) {
    if (!in.Has(0, 2) || in.bytes[0] != 0xFF || in.bytes[1] != 0xD8) return std::nullopt;
    size_t at = 2;
    for (;;) {
        if (!in.Has(at, 1) || in.bytes[at] != 0xFF) return std::nullopt;  // not at a marker: damaged
        while (in.Has(at, 1) && in.bytes[at] == 0xFF) ++at;
        if (!in.Has(at, 1)) return std::nullopt;
        uint8_t marker = in.bytes[at++];
        // Markers without a length: TEM, RSTn; SOI or EOI here means there is no frame.
        if (marker == 0x01 || (marker >= 0xD0 && marker <= 0xD7)) continue;
        if (marker == 0xD8 || marker == 0xD9 || marker == 0xDA) return std::nullopt;
        if (!in.Has(at, 2)) return std::nullopt;
        uint16_t length = in.Be16(at);
        if (length < 2) return std::nullopt;
        bool frame = marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC;
        if (frame) {
            if (length < 7 || !in.Has(at + 2, 5)) return std::nullopt;
            int height = in.Be16(at + 3);
            int width = in.Be16(at + 5);
            // A height of 0 would be given later by a DNL segment; we do not follow it.
            if (width == 0 || height == 0) return std::nullopt;
            return TPictureInfo{TPictureFormat::Jpeg, width, height};
        }
        at += length;
    }
}

}  // namespace

std::optional<TPictureInfo> ReadPictureInfo(const std::vector<uint8_t>& bytes) {
    Reader in{bytes};
    if (auto jpeg = ReadJpegInfo(in)) return jpeg;
    return ReadBitmapInfo(in);
}

// ---- TPicture ----

void TPicture::LoadFromFile(const std::string& fileName) {
    auto file = os::files().openFile(fileName, os::kOpenRead | os::kShareDenyWrite);
    if (!file) throw rtl::EFOpenError("Cannot open file \"" + fileName + "\"");
    std::vector<uint8_t> bytes;
    uint8_t buffer[16384];
    for (;;) {
        int64_t got = file->read(buffer, sizeof buffer);
        if (got <= 0) break;
        bytes.insert(bytes.end(), buffer, buffer + got);
    }
    LoadFromBytes(std::move(bytes), fileName);
}

void TPicture::LoadFromBytes(std::vector<uint8_t> bytes, const std::string& name) {
    std::optional<TPictureInfo> info = ReadPictureInfo(bytes);
    if (!info) throw EInvalidGraphic("Invalid picture: " + name);
    info_ = *info;
    data_ = std::move(bytes);
    fileName_ = name;
    if (OnChange) OnChange();
}

void TPicture::Clear() {
    info_ = {};
    data_.clear();
    fileName_.clear();
    if (OnChange) OnChange();
}

// ---- TImage ----

TImage::TImage(TComponent* owner) : TGraphicControl(owner) {
    Picture.OnChange = [this] { PictureChanged(); };
}

void TImage::SetAutoSize(bool value) {
    autoSize_ = value;
    if (autoSize_ && !Picture.Empty()) SetBounds(Left(), Top(), Picture.Width(), Picture.Height());
}

void TImage::PictureChanged() {
    if (autoSize_ && !Picture.Empty()) SetBounds(Left(), Top(), Picture.Width(), Picture.Height());
    Changed(TChange::Picture);
}

}  // namespace vcl
