#pragma once
// The window procedure and the display-mode switch it runs for F1 and the Full Screen command.

#include "platform/platform.h"

// The window procedure: keys, menu commands and mouse input become the program's actions.
LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// Switches between windowed and full-screen display by re-creating the whole device.
// 1 on success; 0 when the device for the new mode could not be made (its box was shown).
int ToggleFullScreen(HWND window);
