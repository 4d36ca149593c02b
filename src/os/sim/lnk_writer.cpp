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

}  // namespace os::sim::detail
