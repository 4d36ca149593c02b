// The Win32 API for code that checks the robot's Windows parts from outside, such as its tests (which
// live outside the folders allowed to include <windows.h>).
#pragma once
#include <windows.h>
