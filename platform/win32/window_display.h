#pragma once
// How the software device's pictures and display switches reach the windows (platform/glue
// connects the device's display hooks to these).
#include <cstdint>

#include "platform/win32/windows.h"

namespace platform {

// Shows a presented back buffer (X8R8G8B8, pitch in pixels) in the window's client area; an
// unknown window is ignored. The pixels are copied. `unchanged`: they are those the window was
// last given, which it may keep showing without looking at them. `changed` (null: all of them):
// outside these `changedCount` rectangles the pixels are those the window was last given from the
// same memory.
void ShowPresentedFrame(HWND window, const std::uint32_t* pixels, int width, int height,
    int pitchPixels, bool unchanged = false, const RECT* changed = nullptr, int changedCount = 0);

// A full-screen device for the window took the display (true) or gave it back (false). While
// it holds it, the window fills the screen with its 640x480 picture (aspect kept), and the
// desktop, the cursor and mouse messages are in that 640x480 display's coordinates.
void SetWindowFullScreen(HWND window, bool fullScreen);

} // namespace platform
