// Internal to os/sim (and setupcheck, which reads links back): the bytes of a shell link (.LNK) file in the Shell Link Binary File Format, with ANSI
// strings: header, link info (volume and local base path), description, working directory and arguments.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

namespace os::sim::detail {

// Sizes and identifiers of the format.
constexpr uint32_t kLinkHeaderSize = 0x4C;
constexpr uint8_t kLinkClsid[16] = {0x01, 0x14, 0x02, 0x00, 0x00, 0x00, 0x00, 0x00,
                                    0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46};
constexpr uint32_t kLinkInfoHeaderSize = 0x1C;
constexpr uint32_t kVolumeIdHeaderSize = 0x10;

// LinkFlags bits.
enum : uint32_t {
    kHasLinkTargetIdList = 0x01,
    kHasLinkInfo = 0x02,
    kHasName = 0x04,
    kHasRelativePath = 0x08,
    kHasWorkingDir = 0x10,
    kHasArguments = 0x20,
    kHasIconLocation = 0x40,
    kIsUnicode = 0x80,
};

// LinkInfoFlags bit: the link info holds a VolumeID and a LocalBasePath.
constexpr uint32_t kVolumeIdAndLocalBasePath = 0x01;

struct LinkContents {
    // The target: its full local path and what the volume and the file looked like when the link was made.
    std::string localBasePath;
    uint32_t driveType = 3;  // DRIVE_FIXED
    uint32_t driveSerial = 0;
    std::string volumeLabel;
    uint32_t fileAttributes = 0;
    uint32_t fileSize = 0;
    uint64_t writeTime = 0;  // FILETIME; also used as creation and access time
    // StringData, each written only when not empty. All texts are ANSI bytes.
    std::string description;
    std::string workingDirectory;
    std::string arguments;
    uint32_t showCommand = 1;  // SW_SHOWNORMAL
};

// The whole file. Strings longer than a counted string can hold (65535 bytes) are cut there.
std::vector<uint8_t> BuildShellLink(const LinkContents& link);

// Reads back the local base path, description, working directory and arguments of a link file (ANSI
// strings; Unicode strings are skipped). Fields that are missing or cut short come back empty; nothing
// outside bytes is read.
LinkContents ReadShellLink(const std::string& bytes);

}  // namespace os::sim::detail
