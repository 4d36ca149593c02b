// Moving products to another drive and the drive types a typed install path may lie on.
#include "wizard/install_paths.h"

#include <algorithm>

#include "os/machine.h"
#include "rtl/strings.h"

namespace wizard {

namespace {

bool IsAsciiLetter(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }

}  // namespace

char DriveLetterOf(const std::string& path) {
    if (path.size() < 2 || path[1] != ':' || !IsAsciiLetter(path[0])) return 0;
    return path[0] >= 'a' ? char(path[0] - 'a' + 'A') : path[0];
}

// Overwriting the first byte of any other path would corrupt it: "\\server\share" would become
// "E\server\share", a relative path would lose its first letter, and a leading double-byte character
// would be split into a letter and a stray trail byte.
void MoveProductsToDrive(app::TProductTable& table, char driveLetter, bool dropTrailingBackslash) {
    if (!IsAsciiLetter(driveLetter)) return;
    int count = std::clamp(table.ProductCount, 0, app::kMaxProducts);
    for (int p = 0; p < count; ++p) {
        std::string& path = table.Products[size_t(p)].MainPath;
        if (DriveLetterOf(path) == 0) continue;
        path[0] = driveLetter;
        if (dropTrailingBackslash) path = rtl::ExcludeTrailingBackslash(path);
    }
}

const char* DriveTypeRefusal(os::DriveType type) {
    switch (type) {
    case os::DriveType::NoRootDir: return kNoSuchDrive;
    case os::DriveType::Removable: return kOnFloppyDrive;
    case os::DriveType::Remote: return kOnNetworkDrive;
    case os::DriveType::CdRom: return kOnCdRomDrive;
    default: return nullptr;
    }
}

const char* TypedPathRefusal(const std::string& path) {
    // Without a drive letter the type would be that of the current directory's drive (or nothing for a
    // server share), so the path would not say where the products go: such entries are refused.
    std::string drive = rtl::ExtractFileDrive(path);
    if (drive.size() != 2 || drive[1] != ':') return kNoSuchDrive;
    return DriveTypeRefusal(os::files().getDriveType(drive + "\\"));
}

}  // namespace wizard
