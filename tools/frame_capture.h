#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/platform.h"

// Drawing a frame so that its pixels can be read back, for the frame tool's pictures and
// recordings alike. After a flipping Present the back buffer holds the frame presented before,
// so the frame is drawn twice from the same model state: the repeat leaves this very frame in
// the back buffer on every platform, and the model (cube, turn, shuffle generator, banner)
// moves on exactly as if it had been drawn once.

// A picture as 0xAARRGGBB pixels (alpha always 0xFF), height rows of width, top row first.
struct CapturedFrame {
    int width = 0;
    int height = 0;
    std::vector<std::uint32_t> argb;

    // The same picture as RGB bytes, three a pixel.
    std::vector<std::uint8_t> Rgb() const;
};

// A 640x480 window of the tool's own and the viewer's device set up on it; nullptr with a reason
// in error when the device cannot be set up. ReleaseDevice ends it.
HWND OpenToolWindowWithDevice(std::string& error);

// Draws one frame (one 16 ms tick of the model) and reads it into frame. False with a
// one-line reason in error when there is no device or its back buffer cannot be read.
bool DrawAndCaptureFrame(HWND window, CapturedFrame& frame, std::string& error);
