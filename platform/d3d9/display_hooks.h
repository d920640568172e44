#pragma once
// The one point where the software device hands its pictures to whoever shows them. The window
// layer installs these hooks at start-up (platform/glue); tests and tools may install their own.
// Neither side includes the other's headers.
#include <cstdint>
#include <functional>

#include "platform/win32/windows.h"

namespace softd3d {

struct PresentedFrame {
    HWND window = nullptr; // the device's focus window (may be null in tests and tools)
    const std::uint32_t* pixels = nullptr; // X8R8G8B8, rows top to bottom
    int width = 0;
    int height = 0;
    int pitch = 0; // in pixels
    bool fullScreen = false; // made by a device created with Windowed = 0
    // The same pixels as the last frame this device presented: the window may keep showing
    // what it has instead of comparing or copying them again.
    bool unchanged = false;
    // Outside these rectangles (right and bottom exclusive) the pixels are those of the last
    // frame this device presented; the whole picture for its first.
    static constexpr int kMaxChanged = 4;
    RECT changed[kMaxChanged] {};
    int changedCount = 0;
};

struct DisplayHooks {
    // Each successful Present.
    std::function<void(const PresentedFrame&)> present;
    // A full-screen device was created (true: the display now shows 640x480 exclusively) or such a
    // device was released or reset to windowed (false).
    std::function<void(HWND window, bool fullScreen)> displayMode;
};

void SetDisplayHooks(DisplayHooks hooks);

} // namespace softd3d
