// Test helper: the entries of a ZIP file held in memory, listed from its central directory, with the
// offset of each entry's data after its local header.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

namespace test_support {

struct ZipWalkEntry {
    std::string name;
    uint16_t method = 0;
    uint16_t flags = 0;
    uint32_t crc = 0;
    uint64_t compressedSize = 0;
    uint64_t uncompressedSize = 0;
    uint64_t dataOffset = 0;  // first byte after the local header, name and extra field
};

// Lists the entries; throws std::runtime_error when a record is missing or runs past the buffer.
std::vector<ZipWalkEntry> ZipWalk(const std::vector<uint8_t>& zip);

// The compressed bytes of one entry (after any encryption header is the caller's business).
std::vector<uint8_t> ZipEntryData(const std::vector<uint8_t>& zip, const ZipWalkEntry& entry);

}  // namespace test_support
