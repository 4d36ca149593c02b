// The figures of the path and summary pages: module sizes of the chosen install mode, the free space of
// the target drive, the shortage test and the message that reports a shortage.
//
// Module sizes, their sums and the requirement are 64-bit byte counts end to end: a module or a selection
// of 2 GiB or more must neither show a negative size nor pass the disk-space test because a 32-bit figure
// saturated or wrapped. Only the figures shown are in MiB.
#pragma once
#include <cstdint>
#include <string>

#include "app/product_table.h"
#include "os/system.h"

namespace wizard {

// Sum of Size over the modules k < ModuleCount of product (0-based) in table.CurMode whose State is not
// 0. A product or mode outside the table counts 0.
int64_t SelectedModuleBytes(const app::TProductTable& table, int product);

// Sum of SelectedModuleBytes over all products p < ProductCount, chosen in the wizard or not: a product's
// selected modules count even when its check mark was taken away after a mode switch.
int64_t SelectedModuleBytesOfAllProducts(const app::TProductTable& table);

// A size as the path list shows it: whole MiB (truncated toward zero) and " M", e.g. "1 M".
std::string MegabytesText(int64_t bytes);

// GetDiskFreeSpaceA's numbers as whole MiB: bytes per sector × sectors per cluster × free clusters,
// shifted right by 10, divided by 1024. The product is taken in 64 bits (a 32-bit product wraps for
// counts describing more than 4 GiB); results beyond the int range are clamped.
int FreeMegabytes(const os::DiskGeometry& geometry);
// GetDiskFreeSpaceExA's total free bytes as whole MiB, clamped to the int range.
int FreeMegabytes(uint64_t totalFreeBytes);

// The free space in whole MiB of the drive with the given letter (its root "X:\"), through the machine
// port: GetDiskFreeSpaceA when isWin9x, else GetDiskFreeSpaceExA. A drive whose free space cannot be
// measured (the call fails: no such drive, no medium, no access) has 0 MiB free, so that a requirement
// is never checked against a figure that belongs to another drive or to no drive at all.
int MeasureFreeMegabytes(char driveLetter, bool isWin9x);

// True when requiredBytes / 1024 (truncated) exceeds freeMB × 1024, in 64 bits: a requirement of exactly
// freeMB MiB fits, one KiB more does not.
bool IsShortage(int64_t requiredBytes, int freeMB);

// The shortage message with the required MiB (requiredBytes / 1048576, truncated), the drive letter
// (driveNo + 64; driveNo 1 is drive A) and the free MiB. The flow shows it with the caption
// kShortageCaption, an OK button and the stop icon.
std::string ShortageMessage(int64_t requiredBytes, int driveNo, int freeMB);
inline constexpr char kShortageCaption[] = "提示";

}  // namespace wizard
