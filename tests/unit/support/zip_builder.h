// Test helper: builds ZIP archives in memory, with every field under the test's control: stored or
// deflated entries (deflate as stored blocks or fixed-Huffman literals), traditional PKWARE encryption,
// comments of any length, end-record overrides, directory order, and splitting into spanned volumes.
#pragma once
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace test_support {

std::vector<uint8_t> Bytes(const std::string& text);

// Deflate streams of the given data.
std::vector<uint8_t> DeflateStoredBlocks(const std::vector<uint8_t>& data, size_t blockSize = 65535);
std::vector<uint8_t> DeflateFixedLiterals(const std::vector<uint8_t>& data);

// Encrypts payload with the traditional PKWARE scheme: a 12-byte header ending in checkByte, then the data.
std::vector<uint8_t> ZipEncrypt(const std::vector<uint8_t>& payload, const std::string& password, uint8_t checkByte);

struct ZipBuildEntry {
    std::string name;
    std::vector<uint8_t> data;            // the plain content
    uint16_t method = 0;                  // 0 stored, 8 deflated from data; else the payload must be given
    bool fixedHuffman = false;            // method 8: fixed-Huffman literals instead of stored blocks
    std::optional<std::vector<uint8_t>> payload;  // compressed bytes written as they are
    std::string password;                 // non-empty: encrypted (flag bit 0)
    uint16_t flags = 0;                   // further flag bits; bit 3 writes a data descriptor
    uint16_t versionNeeded = 20;
    uint16_t versionMadeBy = 20;
    uint16_t time = 0x5A6B;               // 11:19:22
    uint16_t date = 0x3A57;               // 2009-02-23
    uint32_t externalAttributes = 0x20;
    uint16_t internalAttributes = 0;
    std::optional<uint32_t> crc;          // else the CRC-32 of data
    std::optional<uint32_t> uncompressedSize;
    uint32_t localSignature = 0x04034B50;
    std::optional<uint16_t> localMethod;  // else method
    std::string extra, comment;
};

struct ZipEndRecordOverrides {
    std::optional<uint16_t> diskNumber, startDisk, entriesOnDisk, totalEntries, commentLength;
    std::optional<uint32_t> directorySize, directoryOffset;
};

struct ZipLayout {
    std::vector<uint8_t> bytes;           // the whole archive as one stream
    std::vector<uint64_t> localOffsets;   // per entry, in entry order
    uint64_t directoryOffset = 0;
    uint64_t endOffset = 0;
};

class ZipBuilder {
public:
    ZipBuildEntry& Add(const std::string& name, const std::string& content);
    ZipBuildEntry& Add(const std::string& name, const std::vector<uint8_t>& content);

    std::vector<ZipBuildEntry> entries;
    std::string comment;
    ZipEndRecordOverrides end;
    std::vector<size_t> directoryOrder;   // entry indices for the central directory; empty: entry order
    std::vector<size_t> fileOrder;        // entry indices for the local records; empty: entry order
    bool spannedMarker = false;           // start with "PK" 07 08 as the first volume of a spanned set

    // One archive in one piece.
    std::vector<uint8_t> Build() const { return Layout({}).bytes; }
    ZipLayout Layout() const { return Layout({}); }
    // A spanned set: volume i+1 begins at absolute position borders[i]. Offsets and disk numbers in the
    // records are given relative to their volumes.
    std::vector<std::vector<uint8_t>> BuildVolumes(const std::vector<uint64_t>& borders) const;

private:
    ZipLayout Layout(const std::vector<uint64_t>& borders) const;
};

}  // namespace test_support
