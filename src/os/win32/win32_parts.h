// Internal to os/win32: factories of the machine's parts, one .cpp file each.
#pragma once
#include <memory>

#include "os/codepage.h"
#include "os/files.h"

namespace os::win32::detail {

std::unique_ptr<FileSystem> MakeFileSystem();
std::unique_ptr<CodePage> MakeCodePage();

}  // namespace os::win32::detail
