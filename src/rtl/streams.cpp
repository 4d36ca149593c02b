#include "rtl/streams.h"

#include <algorithm>
#include <cstring>

#include "os/machine.h"
#include "rtl/exceptions.h"

namespace rtl {

namespace {

// The error of the machine call that just failed on this thread, for the exception that reports it.
int SystemError() { return static_cast<int>(os::files().lastError()); }

}  // namespace

int64_t TStream::GetSize() {
    int64_t position = Seek(0, os::SeekOrigin::Current);
    int64_t size = Seek(0, os::SeekOrigin::End);
    Seek(position, os::SeekOrigin::Begin);
    return size;
}

void TStream::SetSize(int64_t) { throw EStreamError("Stream size cannot be changed"); }

void TStream::ReadBuffer(void* buffer, int64_t count) {
    if (count != 0 && Read(buffer, count) != count) throw EReadError("Stream read error");
}

void TStream::WriteBuffer(const void* buffer, int64_t count) {
    if (count != 0 && Write(buffer, count) != count) throw EWriteError("Stream write error");
}

int64_t TStream::CopyFrom(TStream& source, int64_t count) {
    if (count == 0) {
        source.SetPosition(0);
        count = source.GetSize();
    }
    std::vector<uint8_t> buffer(static_cast<size_t>(std::min<int64_t>(count, 61440)));
    int64_t left = count;
    while (left > 0) {
        int64_t n = std::min<int64_t>(left, static_cast<int64_t>(buffer.size()));
        source.ReadBuffer(buffer.data(), n);
        WriteBuffer(buffer.data(), n);
        left -= n;
    }
    return count;
}

int64_t THandleStream::Read(void* buffer, int64_t count) {
    int64_t n = file_->read(buffer, count);
    if (n < 0) throw EReadError("Stream read error", SystemError());
    return n;
}

int64_t THandleStream::Write(const void* buffer, int64_t count) {
    int64_t n = file_->write(buffer, count);
    if (n < 0) throw EWriteError("Stream write error", SystemError());
    return n;
}

int64_t THandleStream::Seek(int64_t offset, os::SeekOrigin origin) {
    int64_t n = file_->seek(offset, origin);
    if (n < 0) throw EStreamError("Stream seek error", SystemError());
    return n;
}

int64_t THandleStream::GetSize() {
    int64_t n = file_->size();
    if (n < 0) throw EStreamError("Stream size error", SystemError());
    return n;
}

void THandleStream::SetSize(int64_t size) {
    Seek(size, os::SeekOrigin::Begin);
    if (!file_->truncate()) throw EStreamError("Stream size error", SystemError());
}

TFileStream::TFileStream(const std::string& fileName, uint32_t mode) : fileName_(fileName) {
    if (mode == fmCreate) {
        file_ = os::files().createFile(fileName);
        if (!file_) throw EFCreateError("Cannot create file " + fileName, SystemError());
    } else {
        file_ = os::files().openFile(fileName, mode);
        if (!file_) throw EFOpenError("Cannot open file " + fileName, SystemError());
    }
}

int64_t TMemoryStream::Read(void* buffer, int64_t count) {
    int64_t size = GetSize();
    if (count <= 0 || position_ >= size) return 0;
    int64_t n = std::min(count, size - position_);
    std::memcpy(buffer, data_.data() + position_, static_cast<size_t>(n));
    position_ += n;
    return n;
}

int64_t TMemoryStream::Write(const void* buffer, int64_t count) {
    if (count <= 0) return 0;
    if (position_ + count > GetSize()) data_.resize(static_cast<size_t>(position_ + count));
    std::memcpy(data_.data() + position_, buffer, static_cast<size_t>(count));
    position_ += count;
    return count;
}

int64_t TMemoryStream::Seek(int64_t offset, os::SeekOrigin origin) {
    int64_t base = origin == os::SeekOrigin::Begin ? 0 : origin == os::SeekOrigin::Current ? position_ : GetSize();
    position_ = std::max<int64_t>(0, base + offset);
    return position_;
}

void TMemoryStream::SetSize(int64_t size) {
    data_.resize(static_cast<size_t>(size));
    position_ = std::min(position_, size);
}

}  // namespace rtl
