// Shared set-up of the real-window tests (see fixture.h).
#include "fixture.h"

#include "vcl/forms.h"
#include "vcl/win32/win32_backend.h"

namespace vcl_win32_test {

namespace {
bool RunningUnderWineWithoutDisplay() {
    HMODULE ntdll = GetModuleHandleA("ntdll.dll");
    if (!ntdll || !GetProcAddress(ntdll, "wine_get_version")) return false;
    char display[256];
    return GetEnvironmentVariableA("DISPLAY", display, sizeof(display)) == 0;
}
}  // namespace

void RealWindows::SetUp() {
    if (RunningUnderWineWithoutDisplay())
        GTEST_SKIP() << "no X display for Wine: run under xvfb-run (scripts/test does)";
    previous_ = vcl::SetBackend(nullptr);
    vcl::win32::InstallBackend();
    installed_ = true;
    vcl::Application->Initialize();
}

RealWindows::~RealWindows() {
    if (!installed_) return;
    vcl::SetBackend(previous_);
}

HWND Hwnd(const vcl::TWinControl& control) { return static_cast<HWND>(control.NativeHandle()); }

std::string ClassOf(HWND window) {
    char name[64] = {};
    GetClassNameA(window, name, sizeof(name));
    return name;
}

std::string TextOf(HWND window) {
    char text[1024] = {};
    GetWindowTextA(window, text, sizeof(text));
    return text;
}

RECT PlaceOf(HWND window) {
    RECT r;
    GetWindowRect(window, &r);
    if (HWND parent = GetParent(window)) MapWindowPoints(HWND_DESKTOP, parent, reinterpret_cast<POINT*>(&r), 2);
    return r;
}

}  // namespace vcl_win32_test
