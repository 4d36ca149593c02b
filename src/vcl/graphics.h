// Pictures and the image control. A picture is loaded from a JPEG or BMP file; the library keeps its pixel
// size (read from the file's header) and its bytes, which a window backend decodes to paint.
#pragma once
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "rtl/exceptions.h"
#include "vcl/controls.h"

namespace vcl {

// A picture file that is neither a readable JPEG nor a readable BMP.
class EInvalidGraphic : public rtl::Exception {
public:
    using rtl::Exception::Exception;
};

enum class TPictureFormat { None, Jpeg, Bitmap };

struct TPictureInfo {
    TPictureFormat format = TPictureFormat::None;
    int width = 0, height = 0;
};

// The format and pixel size of a picture file's bytes: JPEG from its first SOFn segment, BMP from its
// BITMAPCOREHEADER or BITMAPINFOHEADER. Empty when the bytes are neither, or are cut short.
std::optional<TPictureInfo> ReadPictureInfo(const std::vector<uint8_t>& bytes);

class TPicture {
public:
    // Loads the file through the machine port. Raises EFOpenError when it cannot be read and
    // EInvalidGraphic when it is not a JPEG or BMP picture; the picture is unchanged then.
    void LoadFromFile(const std::string& fileName);
    void Clear();
    bool Empty() const { return info_.format == TPictureFormat::None; }
    int Width() const { return info_.width; }
    int Height() const { return info_.height; }
    TPictureFormat Format() const { return info_.format; }
    const std::vector<uint8_t>& Data() const { return data_; }
    const std::string& FileName() const { return fileName_; }
    // Installs a picture from bytes already in memory (a form's stored picture); same checks as loading.
    void LoadFromBytes(std::vector<uint8_t> bytes, const std::string& name = "");

    std::function<void()> OnChange;

private:
    TPictureInfo info_;
    std::vector<uint8_t> data_;
    std::string fileName_;
};

// An image control. With AutoSize it takes the picture's size whenever the picture changes.
class TImage : public TGraphicControl {
public:
    explicit TImage(TComponent* owner);
    TPicture Picture;
    bool AutoSize() const { return autoSize_; }
    void SetAutoSize(bool value);
    bool Stretch() const { return stretch_; }
    void SetStretch(bool value) { stretch_ = value; Changed(TChange::Style); }
    bool Center() const { return center_; }
    void SetCenter(bool value) { center_ = value; Changed(TChange::Style); }
    bool Transparent() const { return transparent_; }
    void SetTransparent(bool value) { transparent_ = value; Changed(TChange::Style); }

private:
    void PictureChanged();
    bool autoSize_ = false, stretch_ = false, center_ = false, transparent_ = false;
};

}  // namespace vcl
