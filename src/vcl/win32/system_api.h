// The Win32 API (with the common controls) for code that inspects or drives this backend's windows from
// outside, such as its tests. Include it after every library header: <windows.h> defines macros such as
// MessageBox that would rename library members.
#pragma once
#include <windows.h>
#include <commctrl.h>
