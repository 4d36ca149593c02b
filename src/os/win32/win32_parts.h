// Internal to os/win32: factories of the machine's parts, one .cpp file each.
#pragma once
#include <memory>

#include "os/codepage.h"
#include "os/files.h"
#include "os/profile.h"
#include "os/registry.h"
#include "os/shell.h"
#include "os/system.h"

namespace os::win32::detail {

std::unique_ptr<FileSystem> MakeFileSystem();
std::unique_ptr<CodePage> MakeCodePage();
std::unique_ptr<Registry> MakeRegistry();
std::unique_ptr<Profile> MakeProfile();
std::unique_ptr<System> MakeSystem();
std::unique_ptr<Shell> MakeShell();

}  // namespace os::win32::detail
