#pragma once
// The Win32 geometry of our windows. Qt shows only the client area and the menu bar; caption and
// border are drawn by the desktop (or not at all), so their sizes are fixed metrics of this
// system, the classic Windows values. A window's outer rectangle is its client area plus these
// parts, exactly as GetSystemMetrics reports them, so that a program sizing its window from the
// metrics gets the client area it asked for.
#include "platform/win32/windows.h"

namespace platform {

constexpr int kDialogFrameX = 3; // SM_CXDLGFRAME, each side
constexpr int kDialogFrameY = 3; // SM_CYDLGFRAME, top and bottom
constexpr int kCaptionHeight = 19; // SM_CYCAPTION
constexpr int kMenuBarHeight = 19; // SM_CYMENU; the window's QMenuBar is held to this height

// The display a full-screen device switches to.
constexpr int kFullScreenWidth = 640;
constexpr int kFullScreenHeight = 480;

// What lies between a window's outer rectangle and its client area.
struct FrameInsets {
    int left = 0;
    int top = 0; // border, caption and menu bar
    int right = 0;
    int bottom = 0;
};

inline FrameInsets FrameInsetsFor(DWORD style, bool hasMenu)
{
    FrameInsets insets;
    int borderX = 0;
    int borderY = 0;
    if ((style & WS_DLGFRAME) != 0) {
        borderX = kDialogFrameX;
        borderY = kDialogFrameY;
    } else if ((style & WS_BORDER) != 0) {
        borderX = 1;
        borderY = 1;
    }
    insets.left = insets.right = borderX;
    insets.top = insets.bottom = borderY;
    if ((style & WS_CAPTION) == WS_CAPTION)
        insets.top += kCaptionHeight;
    if (hasMenu)
        insets.top += kMenuBarHeight;
    return insets;
}

} // namespace platform
