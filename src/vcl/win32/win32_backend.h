// The real-window backend: forms are top-level windows, windowed controls are child windows of the system's
// classes, graphic controls are painted by their parent. SETUP.EXE's main installs it before the first form.
#pragma once
#include "vcl/backend.h"

namespace vcl::win32 {

// Initialises COM and the common controls, registers the window classes and makes this backend the library's
// one. Safe to call again: the same backend stays installed. Returns it.
Backend& InstallBackend();

// The class name our forms' windows are registered under (tests and the UI robot look for it).
inline constexpr const char* kFormClassName = "TSForm";
// The class of windowed containers: panels, group boxes, page controls and their sheets.
inline constexpr const char* kContainerClassName = "TSContainer";

}  // namespace vcl::win32
