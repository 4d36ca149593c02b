// The screen: capture through GDI, forced repaint of windows, saving screenshots.
#pragma once
#include <string>
#include <vector>

#include "setupbot/image.h"

struct HWND__;

namespace setupbot {

// How the screen is read. Gdi: BitBlt from the screen's device context into a 32-bit DIB section, as on
// Windows. X11: under Wine, the screen DC of one process does not show other processes' windows as the X
// server shows them (they come out blank), so the X root window is read with ImageMagick's `import`,
// which Wine starts as a Unix program, its raw pixels taken through a temporary file.
enum class CaptureMethod { Gdi, X11 };

// True when this process runs under Wine.
bool RunningUnderWine();

// The whole screen; an image of size 0 x 0 when it cannot be read.
Image CaptureScreen(CaptureMethod method);

// Invalidates every window given (frame and children included, erasing the background) and repaints it
// at once, as if it were drawn from scratch.
void RepaintWindows(const std::vector<HWND__*>& windows);

// Writes bytes to a file; false when it cannot.
bool WriteFileBytes(const std::wstring& path, const std::string& bytes);

}  // namespace setupbot
