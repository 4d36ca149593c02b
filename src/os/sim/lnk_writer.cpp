// Writes shell link files: a fixed header, one LinkInfo with a VolumeID and the ANSI local base path, then
// the counted ANSI strings in the order the format gives (name, working directory, arguments), then the
// terminal block of the (empty) extra data.
#include "os/sim/lnk_writer.h"

#include <algorithm>
#include <cassert>

namespace os::sim::detail {

namespace {

void Put16(std::vector<uint8_t>& out, uint32_t value) {
    assert(value <= 0xFFFF);
    out.push_back(static_cast<uint8_t>(value));
    out.push_back(static_cast<uint8_t>(value >> 8));
}

void Put32(std::vector<uint8_t>& out, uint32_t value) {
    Put16(out, value & 0xFFFF);
    Put16(out, value >> 16);
}

void Put64(std::vector<uint8_t>& out, uint64_t value) {
    Put32(out, static_cast<uint32_t>(value));
    Put32(out, static_cast<uint32_t>(value >> 32));
}

void PutZeroTerminated(std::vector<uint8_t>& out, const std::string& text) {
    out.insert(out.end(), text.begin(), text.end());
    out.push_back(0);
}

// StringData entry: a 16-bit count of characters (bytes, for ANSI strings) and the bytes, no terminator.
void PutCounted(std::vector<uint8_t>& out, const std::string& text) {
    size_t size = std::min<size_t>(text.size(), 0xFFFF);
    Put16(out, static_cast<uint32_t>(size));
    out.insert(out.end(), text.begin(), text.begin() + static_cast<std::ptrdiff_t>(size));
}

void Patch32(std::vector<uint8_t>& out, size_t at, uint32_t value) {
    assert(at + 4 <= out.size());
    for (int i = 0; i < 4; ++i) out[at + i] = static_cast<uint8_t>(value >> (8 * i));
}

std::vector<uint8_t> VolumeId(const LinkContents& link) {
    std::vector<uint8_t> out;
    Put32(out, 0);  // size, patched below
    Put32(out, link.driveType);
    Put32(out, link.driveSerial);
    Put32(out, kVolumeIdHeaderSize);  // VolumeLabelOffset: the label follows the header
    PutZeroTerminated(out, link.volumeLabel);
    Patch32(out, 0, static_cast<uint32_t>(out.size()));
    return out;
}

std::vector<uint8_t> LinkInfo(const LinkContents& link) {
    std::vector<uint8_t> volume = VolumeId(link);
    uint32_t volumeOffset = kLinkInfoHeaderSize;
    auto basePathOffset = static_cast<uint32_t>(volumeOffset + volume.size());
    auto suffixOffset = static_cast<uint32_t>(basePathOffset + link.localBasePath.size() + 1);
    std::vector<uint8_t> out;
    Put32(out, 0);  // LinkInfoSize, patched below
    Put32(out, kLinkInfoHeaderSize);
    Put32(out, kVolumeIdAndLocalBasePath);
    Put32(out, volumeOffset);
    Put32(out, basePathOffset);
    Put32(out, 0);  // no CommonNetworkRelativeLink
    Put32(out, suffixOffset);
    assert(out.size() == kLinkInfoHeaderSize);
    out.insert(out.end(), volume.begin(), volume.end());
    PutZeroTerminated(out, link.localBasePath);
    PutZeroTerminated(out, "");  // CommonPathSuffix: the base path is the whole target
    Patch32(out, 0, static_cast<uint32_t>(out.size()));
    return out;
}

}  // namespace

std::vector<uint8_t> BuildShellLink(const LinkContents& link) {
    uint32_t flags = kHasLinkInfo;
    if (!link.description.empty()) flags |= kHasName;
    if (!link.workingDirectory.empty()) flags |= kHasWorkingDir;
    if (!link.arguments.empty()) flags |= kHasArguments;

    std::vector<uint8_t> out;
    Put32(out, kLinkHeaderSize);
    out.insert(out.end(), std::begin(kLinkClsid), std::end(kLinkClsid));
    Put32(out, flags);
    Put32(out, link.fileAttributes);
    Put64(out, link.writeTime);  // creation
    Put64(out, link.writeTime);  // access
    Put64(out, link.writeTime);  // write
    Put32(out, link.fileSize);
    Put32(out, 0);  // icon index
    Put32(out, link.showCommand);
    Put16(out, 0);  // hot key
    Put16(out, 0);  // reserved
    Put32(out, 0);
    Put32(out, 0);
    assert(out.size() == kLinkHeaderSize);

    std::vector<uint8_t> info = LinkInfo(link);
    out.insert(out.end(), info.begin(), info.end());
    if (flags & kHasName) PutCounted(out, link.description);
    if (flags & kHasWorkingDir) PutCounted(out, link.workingDirectory);
    if (flags & kHasArguments) PutCounted(out, link.arguments);
    Put32(out, 0);  // TerminalBlock
    return out;
}

namespace {

// Whether [at, at + length) lies inside bytes; the one check every read below goes through.
bool Inside(const std::string& bytes, size_t at, size_t length) { return at <= bytes.size() && length <= bytes.size() - at; }

uint32_t ReadLE(const std::string& bytes, size_t at, size_t width) {
    uint32_t value = 0;
    for (size_t i = 0; i < width; ++i) value |= static_cast<uint32_t>(static_cast<uint8_t>(bytes[at + i])) << (8 * i);
    return value;
}

}  // namespace

LinkContents ReadShellLink(const std::string& bytes) {
    LinkContents link;
    link.localBasePath.clear();
    if (!Inside(bytes, 0, kLinkHeaderSize) || ReadLE(bytes, 0, 4) != kLinkHeaderSize) return link;
    uint32_t flags = ReadLE(bytes, 0x14, 4);
    size_t at = kLinkHeaderSize;
    if (flags & kHasLinkTargetIdList) {
        if (!Inside(bytes, at, 2)) return link;
        at += 2 + ReadLE(bytes, at, 2);
    }
    if (flags & kHasLinkInfo) {
        if (!Inside(bytes, at, kLinkInfoHeaderSize)) return link;
        uint32_t size = ReadLE(bytes, at, 4);
        uint32_t baseOffset = ReadLE(bytes, at + 16, 4);
        if ((ReadLE(bytes, at + 8, 4) & kVolumeIdAndLocalBasePath) && baseOffset < size && Inside(bytes, at, size)) {
            size_t start = at + baseOffset, end = start;
            while (end < at + size && bytes[end] != '\0') ++end;
            link.localBasePath = bytes.substr(start, end - start);
        }
        at += size;
    }
    // StringData: counted strings in flag order.
    auto next = [&](std::string* into) {
        if (!Inside(bytes, at, 2)) return false;
        size_t count = ReadLE(bytes, at, 2), length = (flags & kIsUnicode) ? count * 2 : count;
        if (!Inside(bytes, at + 2, length)) return false;
        if (into && !(flags & kIsUnicode)) *into = bytes.substr(at + 2, length);
        at += 2 + length;
        return true;
    };
    if ((flags & kHasName) && !next(&link.description)) return link;
    if ((flags & kHasRelativePath) && !next(nullptr)) return link;
    if ((flags & kHasWorkingDir) && !next(&link.workingDirectory)) return link;
    if (flags & kHasArguments) next(&link.arguments);
    return link;
}

}  // namespace os::sim::detail
