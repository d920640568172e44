#pragma once
// A fresh device on the software platform for each test, message boxes recorded instead of
// shown, frames read back after Present, and world points projected to the pixels showing them.
#include <gtest/gtest.h>

#include <cstdint>
#include <ostream>
#include <vector>

#include "geometry/maths/vec3.h"
#include "platform/win32/message_box_hook.h"

struct Rgb {
    int r, g, b;
};
std::ostream& operator<<(std::ostream& out, Rgb c);

struct Frame {
    std::vector<std::uint32_t> pixels; // 640 x 480, 0x00RRGGBB
    Rgb At(int x, int y) const;
    Rgb At(Vec3 world) const; // the pixel the current camera shows the point at
    bool operator==(const Frame&) const = default;
};

struct PixelPos {
    int x, y;
};
PixelPos ProjectToPixel(Vec3 world);
// The centre of the sticker on face slot `slot` of cell `cell` in the solved cube.
Vec3 StickerCentre(int cell, int slot);

// Tile colours after lighting, with room for shading and filtering.
inline bool LooksRed(Rgb c)
{
    return c.r > 150 && c.g < 90 && c.b < 90;
}
inline bool LooksYellow(Rgb c)
{
    return c.r > 150 && c.g > 150 && c.b < 90;
}
inline bool LooksWhite(Rgb c)
{
    return c.r > 170 && c.g > 170 && c.b > 160;
}
inline bool LooksGreen(Rgb c)
{
    return c.g > 120 && c.r < 120 && c.b < 90;
}
bool LooksGrey(Rgb c);

class RenderTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;
    Frame DrawFrame(); // RenderFrame, then the back buffer as presented

    std::vector<platform::MessageBoxCall> boxes;
    int presents = 0;
};
