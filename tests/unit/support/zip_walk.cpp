// Test helper: a minimal central-directory walk over a ZIP file in memory (no ZIP64, no spanning).
#include "support/zip_walk.h"

#include <stdexcept>

namespace test_support {
namespace {

constexpr uint32_t kEndSignature = 0x06054B50;
constexpr size_t kEndSize = 22;
constexpr uint32_t kCentralSignature = 0x02014B50;
constexpr size_t kCentralSize = 46;
constexpr uint32_t kLocalSignature = 0x04034B50;
constexpr size_t kLocalSize = 30;

// Bounds-checked little-endian reads: every access goes through Need.
class Reader {
public:
    explicit Reader(const std::vector<uint8_t>& data) : data_(data) {}
    void Need(uint64_t offset, uint64_t size) const {
        if (offset > data_.size() || size > data_.size() - offset) throw std::runtime_error("zip walk: truncated");
    }
    uint16_t U16(uint64_t offset) const {
        Need(offset, 2);
        return static_cast<uint16_t>(data_[offset] | data_[offset + 1] << 8);
    }
    uint32_t U32(uint64_t offset) const { return U16(offset) | static_cast<uint32_t>(U16(offset + 2)) << 16; }
    std::string Text(uint64_t offset, uint64_t size) const {
        Need(offset, size);
        return std::string(data_.begin() + static_cast<ptrdiff_t>(offset),
                           data_.begin() + static_cast<ptrdiff_t>(offset + size));
    }
    size_t Size() const { return data_.size(); }

private:
    const std::vector<uint8_t>& data_;
};

}  // namespace

std::vector<ZipWalkEntry> ZipWalk(const std::vector<uint8_t>& zip) {
    Reader r(zip);
    if (zip.size() < kEndSize) throw std::runtime_error("zip walk: too small");
    uint64_t end = zip.size() - kEndSize;
    // The end record sits at most 65,535 bytes (its comment) before the end of the file.
    while (r.U32(end) != kEndSignature) {
        if (end == 0 || zip.size() - end > kEndSize + 0xFFFF) throw std::runtime_error("zip walk: no end record");
        --end;
    }
    uint16_t count = r.U16(end + 10);
    uint64_t at = r.U32(end + 16);
    std::vector<ZipWalkEntry> entries;
    for (uint16_t i = 0; i < count; ++i) {
        if (r.U32(at) != kCentralSignature) throw std::runtime_error("zip walk: bad central record");
        ZipWalkEntry e;
        e.flags = r.U16(at + 8);
        e.method = r.U16(at + 10);
        e.crc = r.U32(at + 16);
        e.compressedSize = r.U32(at + 20);
        e.uncompressedSize = r.U32(at + 24);
        uint16_t nameLength = r.U16(at + 28), extraLength = r.U16(at + 30), commentLength = r.U16(at + 32);
        uint64_t local = r.U32(at + 42);
        e.name = r.Text(at + kCentralSize, nameLength);
        if (r.U32(local) != kLocalSignature) throw std::runtime_error("zip walk: bad local header");
        e.dataOffset = local + kLocalSize + r.U16(local + 26) + r.U16(local + 28);
        r.Need(e.dataOffset, e.compressedSize);
        entries.push_back(e);
        at += kCentralSize + nameLength + extraLength + commentLength;
    }
    return entries;
}

std::vector<uint8_t> ZipEntryData(const std::vector<uint8_t>& zip, const ZipWalkEntry& entry) {
    Reader(zip).Need(entry.dataOffset, entry.compressedSize);
    auto begin = zip.begin() + static_cast<ptrdiff_t>(entry.dataOffset);
    return std::vector<uint8_t>(begin, begin + static_cast<ptrdiff_t>(entry.compressedSize));
}

}  // namespace test_support
