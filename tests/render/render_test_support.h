#pragma once
// Shared set-up for the rendering tests: a fresh device on the software platform, message
// boxes recorded instead of shown, frames read back from the device, and the projection of
// world points to the pixels that show them.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "geometry/vec3.h"
#include "platform/win32/message_box_hook.h"

struct Rgb {
    int r, g, b;
};

struct Frame {
    std::vector<std::uint32_t> pixels; // X8R8G8B8, 640 x 480
    int width = 0;
    int height = 0;
    Rgb At(int x, int y) const;
    bool operator==(const Frame& other) const = default;
};

struct PixelPos {
    int x, y;
};
// Where the current camera shows a world point: the pixel whose centre is nearest.
PixelPos ProjectToPixel(Vec3 world);

// The tile colours as they come out of the lighting: a channel counts as "high" or "low".
bool LooksRed(Rgb c);
bool LooksYellow(Rgb c);
bool LooksWhite(Rgb c);
bool LooksGreen(Rgb c);
bool LooksGrey(Rgb c);
bool LooksBlack(Rgb c);
std::string Describe(Rgb c);

// A UTF-8 text from a u8 literal (the program's own literals are code page 932).
std::string Utf8(const char8_t* text);

class RenderTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // RenderFrame, then the back buffer as it was presented.
    Frame DrawFrame();
    Frame ReadBackBuffer() const;

    std::vector<platform::MessageBoxCall> boxes;
    int presents = 0;
};

// The world point at the centre of the sticker on face slot `slot` of cell `cell` (solved cube).
Vec3 StickerCentre(int cell, int slot);
