// Shared set-up of the real-window tests: the backend installed, a display required, and helpers that read
// native windows back.
#pragma once
#include <gtest/gtest.h>

#include <string>

#include "vcl/backend.h"
#include "vcl/controls.h"

#include "vcl/win32/system_api.h"

namespace vcl_win32_test {

// Installs the real-window backend for one test and restores the previous one once the test's forms (members
// of derived fixtures included) are gone. Under Wine without an X display no window can be made: the test is
// skipped with a message saying so.
class RealWindows : public testing::Test {
protected:
    ~RealWindows() override;
    void SetUp() override;
    vcl::Backend* previous_ = nullptr;
    bool installed_ = false;
};

HWND Hwnd(const vcl::TWinControl& control);
std::string ClassOf(HWND window);
std::string TextOf(HWND window);
// The window's rectangle in its parent's client coordinates (screen coordinates for a top-level window).
RECT PlaceOf(HWND window);

}  // namespace vcl_win32_test
