#include "archive/zip_directory.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "archive/span_stream.h"
#include "archive/zip_records.h"
#include "os/machine.h"
#include "rtl/exceptions.h"
#include "rtl/strings.h"

namespace archive {

namespace {

constexpr int64_t kFirstWindow = 512;
constexpr int64_t kLargestWindow = 65536;

// Restores a stream's position (and a span stream's volume switch) when the search ends.
class SearchScope {
public:
    explicit SearchScope(rtl::TStream& stream) : stream_(stream), span_(dynamic_cast<TArSpanStream*>(&stream)) {
        position_ = stream.Position();
        if (span_) {
            stayed_ = span_->StayOnVolume;
            span_->StayOnVolume = true;
        }
    }
    ~SearchScope() {
        if (span_) span_->StayOnVolume = stayed_;
    }
    void Restore() { stream_.SetPosition(position_); }

private:
    rtl::TStream& stream_;
    TArSpanStream* span_;
    int64_t position_ = 0;
    bool stayed_ = false;
};

bool Qualifies(const uint8_t* record, int64_t position, int64_t size) {
    return ReadLE32(record) == kEndRecordSignature &&
           position + TArZipDirectoryFileFooter::kSize + ReadLE16(record + 20) <= size;
}

}  // namespace

int64_t FindCentralDirectoryTail(rtl::TStream& stream) {
    SearchScope scope(stream);
    const int64_t size = stream.GetSize();
    if (size < TArZipDirectoryFileFooter::kSize) {
        scope.Restore();
        return -1;
    }

    // Fast path: an end record without a comment closes the file.
    uint8_t tail[TArZipDirectoryFileFooter::kSize];
    int64_t tailPosition = size - TArZipDirectoryFileFooter::kSize;
    stream.SetPosition(tailPosition);
    if (stream.Read(tail, sizeof tail) == static_cast<int64_t>(sizeof tail) && ReadLE32(tail) == kEndRecordSignature &&
        ReadLE16(tail + 20) == 0) {
        stream.SetPosition(tailPosition);
        return tailPosition;
    }

    // Backward search. Each window is read with the 21 bytes that follow it, so a record that straddles
    // a window border is seen whole.
    std::vector<uint8_t> buffer(static_cast<size_t>(kLargestWindow + TArZipDirectoryFileFooter::kSize));
    int64_t windowEnd = size;
    int64_t window = kFirstWindow;
    while (windowEnd > 0) {
        int64_t windowStart = std::max<int64_t>(0, windowEnd - window);
        int64_t readEnd = std::min(size, windowEnd + TArZipDirectoryFileFooter::kSize - 1);
        int64_t length = readEnd - windowStart;
        stream.SetPosition(windowStart);
        if (stream.Read(buffer.data(), length) != length) break;
        for (int64_t position = windowEnd - 1; position >= windowStart; --position) {
            int64_t offset = position - windowStart;
            if (buffer[static_cast<size_t>(offset)] != 'P') continue;
            if (position + TArZipDirectoryFileFooter::kSize > size) continue;
            if (Qualifies(buffer.data() + offset, position, size)) {
                stream.SetPosition(position);
                return position;
            }
        }
        windowEnd = windowStart;
        window = std::min(window * 2, kLargestWindow);
    }
    scope.Restore();
    return -1;
}

TArArchiveType VerifyZip(rtl::TStream& stream) {
    int64_t position = stream.Position();
    TArArchiveType result = TArArchiveType::atUnknown;
    try {
        stream.SetPosition(0);
        uint8_t first[4] = {};
        uint32_t signature = stream.Read(first, 4) == 4 ? ReadLE32(first) : 0;
        if (signature == kSpannedSetSignature || signature == kSingleSpanSignature) {
            result = TArArchiveType::atSpannedZip;
        } else if (FindCentralDirectoryTail(stream) >= 0) {
            TArZipDirectoryFileFooter footer;
            footer.LoadFromStream(stream);
            result = TArArchiveType::atZip;
        } else if (signature == kLocalHeaderSignature) {
            // A ZIP file without its end record: the first volume of a set split without the spanning
            // marker, or an archive cut short. Loading looks for the volume holding the end record.
            result = TArArchiveType::atSpannedZip;
        }
    } catch (const rtl::Exception&) {
        result = TArArchiveType::atUnknown;
    }
    stream.SetPosition(position);
    return result;
}

TArArchiveType VerifySelfExtracting(rtl::TStream& stream) {
    int64_t position = stream.Position();
    TArArchiveType result = TArArchiveType::atUnknown;
    try {
        stream.SetPosition(0);
        uint8_t mz[2];
        if (stream.Read(mz, 2) == 2 && mz[0] == 'M' && mz[1] == 'Z' && VerifyZip(stream) == TArArchiveType::atZip)
            result = TArArchiveType::atSelfExtZip;
    } catch (const rtl::Exception&) {
        result = TArArchiveType::atUnknown;
    }
    stream.SetPosition(position);
    return result;
}

TArArchiveType ArDetermineArcType(const std::string& fileName, TArArchiveType asserted) {
    std::string extension = rtl::AnsiUpperCase(rtl::ExtractFileExt(fileName));
    uint32_t attributes = os::files().getFileAttributes(fileName);
    bool exists = attributes != os::kInvalidAttributes && !(attributes & os::kAttrDirectory);

    auto verify = [&](TArArchiveType kind) {
        rtl::TFileStream stream(fileName, os::kOpenRead | os::kShareDenyNone);
        switch (kind) {
            case TArArchiveType::atZip: return VerifyZip(stream);
            case TArArchiveType::atSelfExtZip: return VerifySelfExtracting(stream);
            default: return TArArchiveType::atUnknown;  // TAR, gzip and cabinet archives are not read
        }
    };

    if (asserted != TArArchiveType::atUnknown) return exists ? verify(asserted) : asserted;

    bool empty = true;
    if (exists) {
        rtl::TFileStream stream(fileName, os::kOpenRead | os::kShareDenyNone);
        empty = stream.GetSize() == 0;
    }
    if (exists && !empty) {
        if (extension == ".EXE") return verify(TArArchiveType::atSelfExtZip);
        if (extension == ".DAT") return verify(TArArchiveType::atZip);
        return TArArchiveType::atUnknown;
    }
    if (extension == ".DAT") return TArArchiveType::atZip;
    if (extension == ".TAR") return TArArchiveType::atTar;
    if (extension == ".GZ") return TArArchiveType::atGzip;
    if (extension == ".TGZ") return TArArchiveType::atGzippedTar;
    if (extension == ".CAB") return TArArchiveType::atCab;
    return TArArchiveType::atUnknown;
}

}  // namespace archive
