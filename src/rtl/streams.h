// The runtime's streams: TStream and its file and memory kinds.
#pragma once
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "os/files.h"

namespace rtl {

enum : uint32_t { fmCreate = 0xFFFF };

class TStream {
public:
    virtual ~TStream() = default;
    // Reads up to count bytes and returns how many were read; 0 at the end. Failures throw.
    virtual int64_t Read(void* buffer, int64_t count) = 0;
    // Writes up to count bytes and returns how many were written. Failures throw.
    virtual int64_t Write(const void* buffer, int64_t count) = 0;
    // Moves the position and returns the new one.
    virtual int64_t Seek(int64_t offset, os::SeekOrigin origin) = 0;

    virtual int64_t GetSize();
    virtual void SetSize(int64_t size);
    int64_t Position() { return Seek(0, os::SeekOrigin::Current); }
    void SetPosition(int64_t position) { Seek(position, os::SeekOrigin::Begin); }

    // Read or write exactly count bytes, or throw EReadError ("Stream read error") / EWriteError. A failed
    // machine call gives its system error as the exception's ErrorCode; a short count gives 0.
    void ReadBuffer(void* buffer, int64_t count);
    void WriteBuffer(const void* buffer, int64_t count);
    // Copies count bytes from source (all of it from the start when count is 0); returns the count.
    int64_t CopyFrom(TStream& source, int64_t count);
};

// A stream over an open file of the machine port.
class THandleStream : public TStream {
public:
    explicit THandleStream(std::unique_ptr<os::File> file) : file_(std::move(file)) {}
    int64_t Read(void* buffer, int64_t count) override;
    int64_t Write(const void* buffer, int64_t count) override;
    int64_t Seek(int64_t offset, os::SeekOrigin origin) override;
    int64_t GetSize() override;
    void SetSize(int64_t size) override;
    os::File& Handle() { return *file_; }

protected:
    THandleStream() = default;
    std::unique_ptr<os::File> file_;
};

// A named file: mode fmCreate creates or truncates it (EFCreateError on failure); otherwise the file is
// opened with the access and sharing bits of mode (EFOpenError on failure). Either exception carries the
// system error of the failed call as its ErrorCode, as do the read, write, seek and size errors.
class TFileStream : public THandleStream {
public:
    TFileStream(const std::string& fileName, uint32_t mode);
    const std::string& FileName() const { return fileName_; }

private:
    std::string fileName_;
};

class TMemoryStream : public TStream {
public:
    TMemoryStream() = default;
    explicit TMemoryStream(std::vector<uint8_t> data) : data_(std::move(data)) {}
    int64_t Read(void* buffer, int64_t count) override;
    int64_t Write(const void* buffer, int64_t count) override;
    int64_t Seek(int64_t offset, os::SeekOrigin origin) override;
    int64_t GetSize() override { return static_cast<int64_t>(data_.size()); }
    void SetSize(int64_t size) override;
    const std::vector<uint8_t>& Data() const { return data_; }
    std::vector<uint8_t>& Data() { return data_; }

private:
    std::vector<uint8_t> data_;
    int64_t position_ = 0;
};

}  // namespace rtl
