// Standard error of a windows program started from a console.
#include <windows.h>

#include <cstdio>

#include "os/win32/win32_machine.h"

namespace os::win32 {

void UseParentConsoleForErrors() {
    HANDLE error = GetStdHandle(STD_ERROR_HANDLE);
    if (error != nullptr && error != INVALID_HANDLE_VALUE) return;
    if (AttachConsole(ATTACH_PARENT_PROCESS)) std::freopen("CONOUT$", "w", stderr);
}

}  // namespace os::win32
