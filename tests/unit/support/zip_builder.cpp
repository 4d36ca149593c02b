// Test helper: in-memory ZIP archives with every field under the test's control.
#include "support/zip_builder.h"

#include <algorithm>
#include <numeric>
#include <stdexcept>

#include "archive/crc32.h"

namespace test_support {

namespace {

void Put16(std::vector<uint8_t>& out, uint32_t value) {
    out.push_back(static_cast<uint8_t>(value));
    out.push_back(static_cast<uint8_t>(value >> 8));
}

void Put32(std::vector<uint8_t>& out, uint32_t value) {
    Put16(out, value & 0xFFFF);
    Put16(out, value >> 16);
}

void PutText(std::vector<uint8_t>& out, const std::string& text) { out.insert(out.end(), text.begin(), text.end()); }

// Writes deflate bits least significant first; Huffman codes go most significant bit first.
class BitWriter {
public:
    void Bits(uint32_t value, int count) {
        for (int i = 0; i < count; ++i) Bit((value >> i) & 1);
    }
    void Code(uint32_t code, int length) {
        for (int i = length - 1; i >= 0; --i) Bit((code >> i) & 1);
    }
    std::vector<uint8_t> Finish() {
        if (used_) out_.push_back(current_);
        used_ = 0;
        current_ = 0;
        return out_;
    }

private:
    void Bit(uint32_t bit) {
        current_ |= static_cast<uint8_t>(bit << used_);
        if (++used_ == 8) {
            out_.push_back(current_);
            current_ = 0;
            used_ = 0;
        }
    }
    std::vector<uint8_t> out_;
    uint8_t current_ = 0;
    int used_ = 0;
};

struct Keys {
    uint32_t k0 = 0x12345678, k1 = 0x23456789, k2 = 0x34567890;
    void Update(uint8_t plain) {
        k0 = archive::ArUpdateCRC32(plain, k0);
        k1 = (k1 + (k0 & 0xFF)) * 134775813u + 1;
        k2 = archive::ArUpdateCRC32(static_cast<uint8_t>(k1 >> 24), k2);
    }
    uint8_t Encrypt(uint8_t plain) {
        uint32_t temp = (k2 & 0xFFFF) | 2;
        auto cipher = static_cast<uint8_t>(plain ^ static_cast<uint8_t>((temp * (temp ^ 1)) >> 8));
        Update(plain);
        return cipher;
    }
};

struct Placed {
    uint16_t disk;
    uint32_t offset;
};

Placed Place(uint64_t absolute, const std::vector<uint64_t>& borders) {
    uint16_t disk = 0;
    uint64_t start = 0;
    for (uint64_t border : borders) {
        if (absolute < border) break;
        start = border;
        ++disk;
    }
    return {disk, static_cast<uint32_t>(absolute - start)};
}

}  // namespace

std::vector<uint8_t> Bytes(const std::string& text) { return {text.begin(), text.end()}; }

std::vector<uint8_t> DeflateStoredBlocks(const std::vector<uint8_t>& data, size_t blockSize) {
    std::vector<uint8_t> out;
    size_t done = 0;
    do {
        size_t length = std::min(blockSize, data.size() - done);
        bool final = done + length == data.size();
        out.push_back(final ? 1 : 0);  // BFINAL, BTYPE 00, padding to the byte border
        Put16(out, static_cast<uint32_t>(length));
        Put16(out, static_cast<uint32_t>(~length & 0xFFFF));
        out.insert(out.end(), data.begin() + static_cast<ptrdiff_t>(done),
                   data.begin() + static_cast<ptrdiff_t>(done + length));
        done += length;
    } while (done < data.size());
    return out;
}

std::vector<uint8_t> DeflateFixedLiterals(const std::vector<uint8_t>& data) {
    BitWriter bits;
    bits.Bits(1, 1);  // BFINAL
    bits.Bits(1, 2);  // BTYPE 01: fixed Huffman codes
    for (uint8_t byte : data) {
        if (byte < 144) bits.Code(0x30 + byte, 8);
        else bits.Code(0x190 + (byte - 144), 9);
    }
    bits.Code(0, 7);  // end of block
    return bits.Finish();
}

std::vector<uint8_t> ZipEncrypt(const std::vector<uint8_t>& payload, const std::string& password, uint8_t checkByte) {
    Keys keys;
    for (char c : password) keys.Update(static_cast<uint8_t>(c));
    std::vector<uint8_t> out;
    for (int i = 0; i < 11; ++i) out.push_back(keys.Encrypt(static_cast<uint8_t>(0x5A + 37 * i)));
    out.push_back(keys.Encrypt(checkByte));
    for (uint8_t byte : payload) out.push_back(keys.Encrypt(byte));
    return out;
}

ZipBuildEntry& ZipBuilder::Add(const std::string& name, const std::string& content) { return Add(name, Bytes(content)); }

ZipBuildEntry& ZipBuilder::Add(const std::string& name, const std::vector<uint8_t>& content) {
    ZipBuildEntry entry;
    entry.name = name;
    entry.data = content;
    entries.push_back(std::move(entry));
    return entries.back();
}

std::vector<std::vector<uint8_t>> ZipBuilder::BuildVolumes(const std::vector<uint64_t>& borders) const {
    ZipLayout layout = Layout(borders);
    std::vector<std::vector<uint8_t>> volumes;
    uint64_t start = 0;
    for (size_t i = 0; i <= borders.size(); ++i) {
        uint64_t stop = i < borders.size() ? borders[i] : layout.bytes.size();
        if (stop < start || stop > layout.bytes.size()) throw std::invalid_argument("volume borders out of order");
        volumes.emplace_back(layout.bytes.begin() + static_cast<ptrdiff_t>(start),
                             layout.bytes.begin() + static_cast<ptrdiff_t>(stop));
        start = stop;
    }
    return volumes;
}

ZipLayout ZipBuilder::Layout(const std::vector<uint64_t>& borders) const {
    std::vector<size_t> fileOrderUsed = fileOrder, directoryOrderUsed = directoryOrder;
    if (fileOrderUsed.empty()) {
        fileOrderUsed.resize(entries.size());
        std::iota(fileOrderUsed.begin(), fileOrderUsed.end(), size_t{0});
    }
    if (directoryOrderUsed.empty()) {
        directoryOrderUsed.resize(entries.size());
        std::iota(directoryOrderUsed.begin(), directoryOrderUsed.end(), size_t{0});
    }

    struct Encoded {
        std::vector<uint8_t> payload;
        uint32_t crc = 0;
        uint16_t flags = 0;
    };
    std::vector<Encoded> encoded(entries.size());
    for (size_t i = 0; i < entries.size(); ++i) {
        const ZipBuildEntry& e = entries[i];
        Encoded& out = encoded[i];
        out.crc = e.crc.value_or(archive::ArCrc32(e.data.data(), e.data.size()));
        out.flags = static_cast<uint16_t>(e.flags | (e.password.empty() ? 0 : 1));
        if (e.payload) out.payload = *e.payload;
        else if (e.method == 0) out.payload = e.data;
        else if (e.method == 8) out.payload = e.fixedHuffman ? DeflateFixedLiterals(e.data) : DeflateStoredBlocks(e.data);
        else throw std::invalid_argument("method needs a payload");
        if (!e.password.empty()) {
            uint8_t check = (out.flags & 8) ? static_cast<uint8_t>(e.time >> 8) : static_cast<uint8_t>(out.crc >> 24);
            out.payload = ZipEncrypt(out.payload, e.password, check);
        }
    }

    ZipLayout layout;
    std::vector<uint8_t>& b = layout.bytes;
    if (spannedMarker) Put32(b, 0x08074B50);
    layout.localOffsets.assign(entries.size(), 0);
    for (size_t index : fileOrderUsed) {
        const ZipBuildEntry& e = entries[index];
        const Encoded& enc = encoded[index];
        bool descriptor = enc.flags & 8;
        layout.localOffsets[index] = b.size();
        Put32(b, e.localSignature);
        Put16(b, e.versionNeeded);
        Put16(b, enc.flags);
        Put16(b, e.localMethod.value_or(e.method));
        Put16(b, e.time);
        Put16(b, e.date);
        Put32(b, descriptor ? 0 : enc.crc);
        Put32(b, descriptor ? 0 : static_cast<uint32_t>(enc.payload.size()));
        Put32(b, descriptor ? 0 : e.uncompressedSize.value_or(static_cast<uint32_t>(e.data.size())));
        Put16(b, static_cast<uint32_t>(e.name.size()));
        Put16(b, static_cast<uint32_t>(e.extra.size()));
        PutText(b, e.name);
        PutText(b, e.extra);
        b.insert(b.end(), enc.payload.begin(), enc.payload.end());
        if (descriptor) {
            Put32(b, 0x08074B50);
            Put32(b, enc.crc);
            Put32(b, static_cast<uint32_t>(enc.payload.size()));
            Put32(b, e.uncompressedSize.value_or(static_cast<uint32_t>(e.data.size())));
        }
    }

    layout.directoryOffset = b.size();
    uint16_t entriesOnEndDisk = 0;
    std::vector<uint16_t> entryDisks;
    for (size_t index : directoryOrderUsed) {
        const ZipBuildEntry& e = entries[index];
        const Encoded& enc = encoded[index];
        entryDisks.push_back(Place(b.size(), borders).disk);
        Placed local = Place(layout.localOffsets[index], borders);
        Put32(b, 0x02014B50);
        Put16(b, e.versionMadeBy);
        Put16(b, e.versionNeeded);
        Put16(b, enc.flags);
        Put16(b, e.method);
        Put16(b, e.time);
        Put16(b, e.date);
        Put32(b, enc.crc);
        Put32(b, static_cast<uint32_t>(enc.payload.size()));
        Put32(b, e.uncompressedSize.value_or(static_cast<uint32_t>(e.data.size())));
        Put16(b, static_cast<uint32_t>(e.name.size()));
        Put16(b, static_cast<uint32_t>(e.extra.size()));
        Put16(b, static_cast<uint32_t>(e.comment.size()));
        Put16(b, local.disk);
        Put16(b, e.internalAttributes);
        Put32(b, e.externalAttributes);
        Put32(b, local.offset);
        PutText(b, e.name);
        PutText(b, e.extra);
        PutText(b, e.comment);
    }

    layout.endOffset = b.size();
    Placed endPlace = Place(layout.endOffset, borders);
    Placed directoryPlace = Place(layout.directoryOffset, borders);
    for (uint16_t disk : entryDisks)
        if (disk == endPlace.disk) ++entriesOnEndDisk;
    Put32(b, 0x06054B50);
    Put16(b, end.diskNumber.value_or(endPlace.disk));
    Put16(b, end.startDisk.value_or(directoryPlace.disk));
    Put16(b, end.entriesOnDisk.value_or(entriesOnEndDisk));
    Put16(b, end.totalEntries.value_or(static_cast<uint16_t>(directoryOrderUsed.size())));
    Put32(b, end.directorySize.value_or(static_cast<uint32_t>(layout.endOffset - layout.directoryOffset)));
    Put32(b, end.directoryOffset.value_or(directoryPlace.offset));
    Put16(b, end.commentLength.value_or(static_cast<uint16_t>(comment.size())));
    PutText(b, comment);
    return layout;
}

}  // namespace test_support
