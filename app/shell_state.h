#pragma once
// State of the window shell that more than one of its files needs: the main window, its outer
// size for leaving full screen, and the platform's cursor reader.

#include <cstdint>

#include "geometry/cursor.h"
#include "platform/platform.h"

// The window's outer size for a 640x480 client area with caption and menu bar; computed once at
// start-up, used again when leaving full screen.
struct WindowSize {
    std::int32_t width;
    std::int32_t height;
};
extern WindowSize windowOuterSize;

// The program's one window; set as soon as it is being created.
extern HWND mainWindow;

// The cursor as the program sees it: client coordinates when windowed, screen coordinates (the
// 640x480 display) in full screen. Installed behind ReadCursor at start-up.
CursorPos ReadPlatformCursor();
