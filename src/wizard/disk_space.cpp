// Module sizes, free space and the shortage test of the path and summary pages.
#include "wizard/disk_space.h"

#include <algorithm>
#include <climits>
#include <cstdio>

#include "os/machine.h"

namespace wizard {
namespace {

constexpr int64_t kMegabyte = 1048576;

int ClampToInt(uint64_t value) { return value > uint64_t(INT_MAX) ? INT_MAX : int(value); }

}  // namespace

int64_t SelectedModuleBytes(const app::TProductTable& table, int product) {
    if (product < 0 || product >= app::kMaxProducts) return 0;
    if (table.CurMode < 0 || table.CurMode >= app::kMaxInstallModes) return 0;
    const auto& modules = table.Modules[size_t(table.CurMode)][size_t(product)];
    int count = std::clamp(table.Products[size_t(product)].ModuleCount, 0, app::kMaxModules);
    int64_t total = 0;
    for (int k = 0; k < count; ++k) {
        const app::TModule& module = modules[size_t(k)];
        if (module.State != 0) total += module.Size;
    }
    return total;
}

int64_t SelectedModuleBytesOfAllProducts(const app::TProductTable& table) {
    int count = std::clamp(table.ProductCount, 0, app::kMaxProducts);
    int64_t total = 0;
    for (int p = 0; p < count; ++p) total += SelectedModuleBytes(table, p);
    return total;
}

std::string MegabytesText(int64_t bytes) { return std::to_string(bytes / kMegabyte) + " M"; }

int FreeMegabytes(const os::DiskGeometry& geometry) {
    uint64_t bytes = uint64_t(geometry.bytesPerSector) * geometry.sectorsPerCluster * geometry.freeClusters;
    return ClampToInt((bytes >> 10) / 1024);
}

int FreeMegabytes(uint64_t totalFreeBytes) { return ClampToInt(totalFreeBytes / uint64_t(kMegabyte)); }

int MeasureFreeMegabytes(char driveLetter, bool isWin9x) {
    std::string root = std::string(1, driveLetter) + ":\\";
    if (isWin9x) {
        os::DiskGeometry geometry;
        return os::system().diskFreeSpace(root, geometry) ? FreeMegabytes(geometry) : 0;
    }
    // The total free bytes (the call's last figure), not the share available to this user.
    uint64_t freeToCaller = 0, total = 0, totalFree = 0;
    return os::system().diskFreeSpaceEx(root, freeToCaller, total, totalFree) ? FreeMegabytes(totalFree) : 0;
}

bool IsShortage(int64_t requiredBytes, int freeMB) { return requiredBytes / 1024 > int64_t(freeMB) * 1024; }

std::string ShortageMessage(int64_t requiredBytes, int driveNo, int freeMB) {
    char text[512];
    std::snprintf(text, sizeof text,
                  "磁盘空间不够，至少需要 %lld 兆的空间！请退出安装程序，删除一些不必要的文件后，再重新安装！\n\n"
                  "“%c”盘只有 %d兆 的剩余空间！",
                  static_cast<long long>(requiredBytes / kMegabyte), static_cast<char>(driveNo + 64), freeMB);
    return text;
}

}  // namespace wizard
