#pragma once
// Start-up of the program, from the entry point up to the first tick of the frame loop.

#include "platform/platform.h"

// Everything before the frame loop: the single-instance guard, the window class and the window,
// the shuffle's seed, the device, the first camera and cube. Returns the window, or null when the
// program is to end at once (another copy runs, or the window could not be made).
HWND StartUp(HINSTANCE instance, int showCommand);
