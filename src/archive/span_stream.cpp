#include "archive/span_stream.h"

#include <cstdio>

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
    : fileName_(fileName), mode_(mode), mediaType_(mediaType) {
    if (!IsAbsolute(rtl::SlashesToBackslashes(fileName))) throw EArException(0, "Full Path Required");
    file_ = std::make_unique<rtl::TFileStream>(fileName, mode);
}

void TArSpanStream::OpenVolume(const std::string& fileName, int spanNumber) {
    file_.reset();
    file_ = std::make_unique<rtl::TFileStream>(fileName, mode_);
    spanNumber_ = spanNumber;
}

int64_t TArSpanStream::Read(void* buffer, int64_t count) {
    auto* out = static_cast<uint8_t*>(buffer);
    int64_t total = 0;
    while (total < count) {
        int64_t n = file_->Read(out + total, count - total);
        total += n;
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
    // A reader giving back read-ahead after the stream moved to the next volume would land before the
    // start of this volume; the earlier volume is closed, so stop at the start of this one.
    if (Spanning && origin == os::SeekOrigin::Current && offset < 0) {
        int64_t position = file_->Position();
        if (position + offset < 0) offset = -position;
    }
    return file_->Seek(offset, origin);
}

int64_t TArSpanStream::GetSize() { return file_->GetSize(); }

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
