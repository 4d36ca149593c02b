// The archive's file stream. For a spanned set it moves on to the next volume when a read reaches the
// end of the current one; for anything else, and past the end of the set's last volume, a read is short.
#pragma once
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "archive/types.h"
#include "rtl/streams.h"

namespace archive {

class TArSpanStream : public rtl::TStream {
public:
    // Asked for the volume after the current one; returns the name of the file to open. Raises
    // EArUserAbort or EArFileNotFound when there is none.
    using MediaRequest = std::function<std::string(int spanNumber)>;

    // Opens fileName (which must be an absolute path, else EArException "Full Path Required").
    TArSpanStream(const std::string& fileName, uint32_t mode, TArMediaType mediaType);

    int64_t Read(void* buffer, int64_t count) override;
    int64_t Write(const void* buffer, int64_t count) override;
    // Positions are within the current volume.
    int64_t Seek(int64_t offset, os::SeekOrigin origin) override;
    int64_t GetSize() override;

    // Closes the current volume and opens another file as the current one.
    void OpenVolume(const std::string& fileName, int spanNumber);

    const std::string& FileName() const { return fileName_; }
    TArMediaType MediaType() const { return mediaType_; }
    int SpanNumber() const { return spanNumber_; }
    void SetSpanNumber(int number) { spanNumber_ = number; }

    // Moving to the next volume happens only when Spanning is on, StayOnVolume is off and the current
    // volume is below LastVolume.
    bool Spanning = false;
    bool StayOnVolume = false;
    int LastVolume = 0;
    MediaRequest OnMediaRequest;

private:
    // Reads go through a buffer: directory records and stored data come in small pieces, and the
    // position is kept here so that asking for it costs no system call.
    static constexpr int64_t kBufferSize = 32768;
    int64_t ReadVolume(uint8_t* out, int64_t count);
    void DropBuffer();

    std::string fileName_;
    uint32_t mode_;
    TArMediaType mediaType_;
    int spanNumber_ = 0;
    std::unique_ptr<rtl::TFileStream> file_;
    std::unique_ptr<uint8_t[]> buffer_;
    int64_t bufferStart_ = 0;   // volume position of buffer_[0]
    int64_t bufferLength_ = 0;  // valid bytes in buffer_
    int64_t position_ = 0;      // volume position of the next byte to read
    int64_t size_ = -1;         // size of the current volume, once asked
};

// True when the drive of path (made absolute) is a removable drive; false for paths without a letter.
bool ArDriveIsRemovable(const std::string& path);

// The name of volume number of a spanned set: the extension becomes '.', its first character and
// number mod 100 as two digits, at most 4 characters in all (SETUP.DAT, 1 -> SETUP.D01; SETUP, 7 ->
// SETUP.07).
std::string ArIncFilename(const std::string& name, int number);

}  // namespace archive
