#include "archive/span_stream.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "archive/errors.h"
#include "os/machine.h"
#include "rtl/strings.h"

namespace archive {

namespace {

bool IsAbsolute(const std::string& path) {
    return (path.size() >= 3 && path[1] == ':' && path[2] == '\\') || path.rfind("\\\\", 0) == 0;
}

}  // namespace

TArSpanStream::TArSpanStream(const std::string& fileName, uint32_t mode, TArMediaType mediaType)
    : fileName_(fileName), mode_(mode), mediaType_(mediaType), buffer_(new uint8_t[kBufferSize]) {
    if (!IsAbsolute(rtl::SlashesToBackslashes(fileName))) throw EArException(0, "Full Path Required");
    file_ = std::make_unique<rtl::TFileStream>(fileName, mode);
}

void TArSpanStream::DropBuffer() {
    bufferStart_ = position_;
    bufferLength_ = 0;
}

void TArSpanStream::OpenVolume(const std::string& fileName, int spanNumber) {
    file_.reset();
    file_ = std::make_unique<rtl::TFileStream>(fileName, mode_);
    spanNumber_ = spanNumber;
    position_ = 0;
    size_ = -1;
    DropBuffer();
}

// Reads from the current volume only; returns fewer bytes than asked at its end.
int64_t TArSpanStream::ReadVolume(uint8_t* out, int64_t count) {
    int64_t total = 0;
    while (total < count) {
        int64_t offset = position_ - bufferStart_;
        if (offset >= 0 && offset < bufferLength_) {
            int64_t n = std::min(bufferLength_ - offset, count - total);
            std::memcpy(out + total, buffer_.get() + offset, static_cast<size_t>(n));
            total += n;
            position_ += n;
            continue;
        }
        file_->Seek(position_, os::SeekOrigin::Begin);
        if (count - total >= kBufferSize) {
            // Large reads go straight to the caller.
            int64_t n = file_->Read(out + total, count - total);
            position_ += n;
            total += n;
            DropBuffer();
            break;
        }
        bufferStart_ = position_;
        bufferLength_ = file_->Read(buffer_.get(), kBufferSize);
        if (bufferLength_ == 0) break;
    }
    return total;
}

int64_t TArSpanStream::Read(void* buffer, int64_t count) {
    auto* out = static_cast<uint8_t*>(buffer);
    int64_t total = 0;
    while (total < count) {
        total += ReadVolume(out + total, count - total);
        if (total == count) break;
        // The current volume is at its end.
        if (!Spanning || StayOnVolume || spanNumber_ >= LastVolume || !OnMediaRequest) break;
        std::string next = OnMediaRequest(spanNumber_ + 1);
        OpenVolume(next, spanNumber_ + 1);
    }
    return total;
}

int64_t TArSpanStream::Write(const void*, int64_t) { throw rtl::EWriteError("Stream write error"); }

int64_t TArSpanStream::Seek(int64_t offset, os::SeekOrigin origin) {
    int64_t base = origin == os::SeekOrigin::Begin ? 0 : origin == os::SeekOrigin::Current ? position_ : GetSize();
    int64_t target = base + offset;
    if (target < 0) {
        // A reader giving back read-ahead after the stream moved to the next volume would land before
        // the start of this volume; the earlier volume is closed, so stop at the start of this one.
        if (Spanning && origin == os::SeekOrigin::Current) target = 0;
        else throw rtl::EStreamError("Stream seek error");
    }
    position_ = target;
    return position_;
}

int64_t TArSpanStream::GetSize() {
    if (size_ < 0) size_ = file_->GetSize();
    return size_;
}

bool ArDriveIsRemovable(const std::string& path) {
    std::string full = os::files().fullPathName(path);
    if (full.size() < 2 || full[1] != ':') return false;
    return os::files().getDriveType(full.substr(0, 2) + "\\") == os::DriveType::Removable;
}

std::string ArIncFilename(const std::string& name, int number) {
    std::string extension = rtl::ExtractFileExt(name);
    char digits[4];
    std::snprintf(digits, sizeof digits, "%02d", number % 100);
    std::string replacement = "." + (extension.size() > 1 ? extension.substr(1, 1) : std::string()) + digits;
    return rtl::ChangeFileExt(name, replacement.substr(0, 4));
}

}  // namespace archive
