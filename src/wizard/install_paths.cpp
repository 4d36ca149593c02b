// Moving products to another drive and the drive types a typed install path may lie on.
#include "wizard/install_paths.h"

#include <algorithm>

#include "os/machine.h"
#include "rtl/strings.h"

namespace wizard {

void MoveProductsToDrive(app::TProductTable& table, char driveLetter, bool dropTrailingBackslash) {
    int count = std::clamp(table.ProductCount, 0, app::kMaxProducts);
    for (int p = 0; p < count; ++p) {
        std::string& path = table.Products[size_t(p)].MainPath;
        if (path.empty()) continue;
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
