// What the installation stages share: which products are installed, counts kept within the table's
// arrays, and names joined to folders.
#pragma once
#include <algorithm>
#include <string>

#include "app/setup_program.h"
#include "os/machine.h"
#include "rtl/strings.h"
#include "wizard/setup_guide.h"

namespace app {

// A product is installed when its line in the wizard's product list is checked or grayed.
inline bool ProductChosen(int product) { return frmSetupGuide && frmSetupGuide->ProductChosen(product); }

// A count from the table, kept within its array.
inline int Bounded(int count, int capacity) { return std::clamp(count, 0, capacity); }

// name in folder, with one separator between them: none is added when folder already ends in one (a
// drive root such as "D:\") or is empty.
inline std::string PathIn(const std::string& folder, const std::string& name) {
    return rtl::IncludeTrailingBackslash(folder) + name;
}

// How failure texts name the machine's error: " (Windows error 112)"; empty when no error was recorded.
inline std::string WindowsErrorText(uint32_t error) {
    return error == 0 ? std::string() : " (Windows error " + rtl::IntToStr(int(error)) + ")";
}
// The same for the file system's last error (GetLastError).
inline std::string LastErrorText() { return WindowsErrorText(os::files().lastError()); }

}  // namespace app
