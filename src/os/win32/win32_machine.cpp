// The real machine object: owns the Win32 file system and code-page parts.
#include "os/win32/win32_machine.h"

#include "os/win32/win32_parts.h"

namespace os::win32 {

Win32Machine::Win32Machine() : files_(detail::MakeFileSystem()), codePage_(detail::MakeCodePage()) {}

Win32Machine::~Win32Machine() = default;

FileSystem& Win32Machine::files() { return *files_; }
CodePage& Win32Machine::codePage() { return *codePage_; }

}  // namespace os::win32
