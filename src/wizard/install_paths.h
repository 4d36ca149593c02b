// Changes of the products' install paths made on the path page: moving every product to another drive,
// and which drive types a typed path may lie on.
#pragma once
#include <string>

#include "app/product_table.h"
#include "os/files.h"

namespace wizard {

// The drive letter a path begins with ("d:\x" gives 'D'), upper-cased; 0 when the path does not begin
// with an ASCII letter followed by a colon (empty, relative, a server share, a leading double-byte
// character or macro).
char DriveLetterOf(const std::string& path);

// Moves every product (p < ProductCount) whose MainPath begins with a drive letter and a colon to the
// drive driveLetter: the letter is replaced, the rest of the path kept, and with dropTrailingBackslash one
// trailing '\' of the result removed. Paths without a drive letter have no drive to change and stay as
// they are, byte for byte; so does every path when driveLetter is not an ASCII letter.
void MoveProductsToDrive(app::TProductTable& table, char driveLetter, bool dropTrailingBackslash);

// Why a typed path on a drive of this type is refused, or null when the type is accepted (fixed, RAM
// disk, unknown and any other value).
const char* DriveTypeRefusal(os::DriveType type);

// The refusal for a typed path: the drive part of path is asked for its type through the machine port.
// A path without a drive letter ("" from a relative path or an empty field, a "\\server\share" path) is
// refused as a missing drive. Null when the path may be used.
const char* TypedPathRefusal(const std::string& path);

// The refusal texts of the path dialog.
inline constexpr char kNoSuchDrive[] = "所选择的磁盘分区不存在，请重新选择！";
inline constexpr char kOnFloppyDrive[] = "所选择的路径位于软驱上，不能安装，请重新选择！";
inline constexpr char kOnNetworkDrive[] = "所选择的路径为网络路径，不能安装，请重新选择！";
inline constexpr char kOnCdRomDrive[] = "所选择的路径为光盘路径，请重新选择！";

}  // namespace wizard
