// The real machine object: owns the Win32 parts of the port.
#include "os/win32/win32_machine.h"

#include "os/win32/win32_parts.h"

namespace os::win32 {

Win32Machine::Win32Machine()
    : files_(detail::MakeFileSystem()),
      codePage_(detail::MakeCodePage()),
      registry_(detail::MakeRegistry()),
      profile_(detail::MakeProfile()),
      system_(detail::MakeSystem()),
      shell_(detail::MakeShell()) {}

Win32Machine::~Win32Machine() = default;

FileSystem& Win32Machine::files() { return *files_; }
CodePage& Win32Machine::codePage() { return *codePage_; }
Registry& Win32Machine::registry() { return *registry_; }
Profile& Win32Machine::profile() { return *profile_; }
System& Win32Machine::system() { return *system_; }
Shell& Win32Machine::shell() { return *shell_; }

}  // namespace os::win32
