// The ZIP on-disk records the engine reads: end of central directory, central directory file header and
// local file header. All integers are little-endian; every read is length-checked.
#pragma once
#include <cstdint>
#include <string>

#include "rtl/streams.h"

namespace archive {

enum : uint32_t {
    kLocalHeaderSignature = 0x04034B50,      // "PK" 03 04
    kCentralHeaderSignature = 0x02014B50,    // "PK" 01 02
    kEndRecordSignature = 0x06054B50,        // "PK" 05 06
    kSpannedSetSignature = 0x08074B50,       // first four bytes of the first volume of a spanned set
    kSingleSpanSignature = 0x30304B50,       // "PK00": a single volume written in spanning mode
};

// End of central directory record: 22 bytes plus the comment.
struct TArZipDirectoryFileFooter {
    static constexpr int64_t kSize = 22;
    uint32_t Signature = 0;
    uint16_t DiskNumber = 0;              // number of this disk
    uint16_t StartDiskNumber = 0;         // disk holding the start of the central directory
    uint16_t EntriesOnDisk = 0;           // central directory entries on this disk
    uint16_t TotalEntries = 0;            // central directory entries in all
    uint32_t DirectorySize = 0;
    uint32_t DirectoryOffset = 0;         // from the start of the start disk
    uint16_t CommentLength = 0;
    std::string Comment;

    // Reads the record at the stream position; a wrong signature raises EArZipInvalid, a short read
    // EArReadError.
    void LoadFromStream(rtl::TStream& stream);
};

// Fields local and central headers share.
struct TArZipFileHeader {
    uint32_t Signature = 0;
    uint16_t VersionNeededToExtract = 0;  // low byte = version x 10
    uint16_t GeneralPurposeBitFlag = 0;
    uint16_t CompressionMethod = 0;
    uint16_t LastModFileTime = 0;         // DOS time
    uint16_t LastModFileDate = 0;         // DOS date
    uint32_t CRC32 = 0;
    uint32_t CompressedSize = 0;
    uint32_t UncompressedSize = 0;
    std::string FileName;                 // bytes as stored
    std::string ExtraField;

    bool IsEncrypted() const { return GeneralPurposeBitFlag & 1; }
};

// Local file header: 30 bytes plus name and extra field; the item data follows directly.
struct TArZipLocalFileHeader : TArZipFileHeader {
    static constexpr int64_t kSize = 30;
    // Reads the header at the stream position, leaving it at the item data.
    void LoadFromStream(rtl::TStream& stream);
};

// Central directory file header: 46 bytes plus name, extra field and comment.
struct TArZipDirectoryFileHeader : TArZipFileHeader {
    static constexpr int64_t kSize = 46;
    uint16_t VersionMadeBy = 0;
    uint16_t DiskNumberStart = 0;
    uint16_t InternalFileAttributes = 0;
    uint32_t ExternalFileAttributes = 0;
    uint32_t RelativeOffset = 0;          // of the local header, from the start of its disk
    std::string FileComment;

    void LoadFromStream(rtl::TStream& stream);
};

// Little-endian field readers over a byte buffer of known length.
inline uint16_t ReadLE16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | p[1] << 8); }
inline uint32_t ReadLE32(const uint8_t* p) {
    return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 | static_cast<uint32_t>(p[2]) << 16 |
           static_cast<uint32_t>(p[3]) << 24;
}

}  // namespace archive
