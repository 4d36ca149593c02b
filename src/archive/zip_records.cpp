#include "archive/zip_records.h"

#include "archive/errors.h"

namespace archive {

namespace {

// Reads exactly count bytes of a record; a short read means the archive ends inside the record.
void ReadRecordBytes(rtl::TStream& stream, void* buffer, int64_t count) {
    if (count > 0 && stream.Read(buffer, count) != count) throw EArReadError();
}

std::string ReadRecordString(rtl::TStream& stream, uint16_t length) {
    std::string text(length, '\0');
    ReadRecordBytes(stream, text.data(), length);
    return text;
}

}  // namespace

void TArZipDirectoryFileFooter::LoadFromStream(rtl::TStream& stream) {
    uint8_t b[kSize];
    ReadRecordBytes(stream, b, kSize);
    Signature = ReadLE32(b);
    if (Signature != kEndRecordSignature) throw EArZipInvalid();
    DiskNumber = ReadLE16(b + 4);
    StartDiskNumber = ReadLE16(b + 6);
    EntriesOnDisk = ReadLE16(b + 8);
    TotalEntries = ReadLE16(b + 10);
    DirectorySize = ReadLE32(b + 12);
    DirectoryOffset = ReadLE32(b + 16);
    CommentLength = ReadLE16(b + 20);
    Comment = CommentLength ? ReadRecordString(stream, CommentLength) : std::string();
}

void TArZipLocalFileHeader::LoadFromStream(rtl::TStream& stream) {
    uint8_t b[kSize];
    ReadRecordBytes(stream, b, kSize);
    Signature = ReadLE32(b);
    if (Signature != kLocalHeaderSignature) throw EArZipInvalid();
    VersionNeededToExtract = ReadLE16(b + 4);
    GeneralPurposeBitFlag = ReadLE16(b + 6);
    CompressionMethod = ReadLE16(b + 8);
    LastModFileTime = ReadLE16(b + 10);
    LastModFileDate = ReadLE16(b + 12);
    CRC32 = ReadLE32(b + 14);
    CompressedSize = ReadLE32(b + 18);
    UncompressedSize = ReadLE32(b + 22);
    uint16_t nameLength = ReadLE16(b + 26);
    uint16_t extraLength = ReadLE16(b + 28);
    FileName = ReadRecordString(stream, nameLength);
    ExtraField = ReadRecordString(stream, extraLength);
}

void TArZipDirectoryFileHeader::LoadFromStream(rtl::TStream& stream) {
    uint8_t b[kSize];
    ReadRecordBytes(stream, b, kSize);
    Signature = ReadLE32(b);
    if (Signature != kCentralHeaderSignature) throw EArZipInvalid();
    VersionMadeBy = ReadLE16(b + 4);
    VersionNeededToExtract = ReadLE16(b + 6);
    GeneralPurposeBitFlag = ReadLE16(b + 8);
    CompressionMethod = ReadLE16(b + 10);
    LastModFileTime = ReadLE16(b + 12);
    LastModFileDate = ReadLE16(b + 14);
    CRC32 = ReadLE32(b + 16);
    CompressedSize = ReadLE32(b + 20);
    UncompressedSize = ReadLE32(b + 24);
    uint16_t nameLength = ReadLE16(b + 28);
    uint16_t extraLength = ReadLE16(b + 30);
    uint16_t commentLength = ReadLE16(b + 32);
    DiskNumberStart = ReadLE16(b + 34);
    InternalFileAttributes = ReadLE16(b + 36);
    ExternalFileAttributes = ReadLE32(b + 38);
    RelativeOffset = ReadLE32(b + 42);
    FileName = ReadRecordString(stream, nameLength);
    ExtraField = ReadRecordString(stream, extraLength);
    FileComment = ReadRecordString(stream, commentLength);
}

}  // namespace archive
