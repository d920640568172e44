#include "tests/render/render_test_support.h"

#include <algorithm>
#include <cstdio>

#include "cube/cubie.h"
#include "cube/layer_turn.h"
#include "geometry/camera.h"
#include "geometry/cursor.h"
#include "geometry/matrix.h"
#include "platform/d3d9/display_hooks.h"
#include "platform/d3d9/fault_injection.h"
#include "platform/d3d9/software_device.h"
#include "platform/platform.h"
#include "render/device.h"
#include "render/frame.h"
#include "render/overlay.h"
#include "render/view_flags.h"

Rgb Frame::At(int x, int y) const
{
    const std::uint32_t p = pixels[static_cast<std::size_t>(y) * width + x];
    return { static_cast<int>((p >> 16) & 0xFF), static_cast<int>((p >> 8) & 0xFF),
        static_cast<int>(p & 0xFF) };
}

PixelPos ProjectToPixel(Vec3 world)
{
    Mat4 view;
    Mat4 projection;
    BuildView(&view);
    BuildProjection(&projection);
    Mat4 both;
    MatrixMultiply(&both, &view, &projection);
    Vec3 ndc;
    Vec3TransformCoord(&ndc, &world, &both);
    const float x = (ndc.x + 1.0f) * 320.0f;
    const float y = (1.0f - ndc.y) * 240.0f;
    return { static_cast<int>(x + 0.5f), static_cast<int>(y + 0.5f) };
}

bool LooksRed(Rgb c)
{
    return c.r > 150 && c.g < 90 && c.b < 90;
}
bool LooksYellow(Rgb c)
{
    return c.r > 150 && c.g > 150 && c.b < 90;
}
bool LooksWhite(Rgb c)
{
    return c.r > 170 && c.g > 170 && c.b > 160;
}
bool LooksGreen(Rgb c)
{
    return c.g > 120 && c.r < 120 && c.b < 90;
}
bool LooksBlack(Rgb c)
{
    return c.r == 0 && c.g == 0 && c.b == 0;
}
bool LooksGrey(Rgb c)
{
    const int low = std::min({ c.r, c.g, c.b });
    const int high = std::max({ c.r, c.g, c.b });
    return high - low < 24 && low > 40 && high < 200;
}

std::string Describe(Rgb c)
{
    char text[48];
    std::snprintf(text, sizeof text, "(%d, %d, %d)", c.r, c.g, c.b);
    return text;
}

std::string Utf8(const char8_t* text)
{
    return reinterpret_cast<const char*>(text);
}

Vec3 StickerCentre(int cell, int slot)
{
    const int x = cell % 3;
    const int z = (cell / 3) % 3;
    const int y = cell / 9;
    Vec3 centre = { 2.0f * x - 2.0f, 2.0f - 2.0f * y, 2.0f - 2.0f * z };
    constexpr float plane = 0.99f;
    switch (slot) {
    case 0: centre.x += plane; break;
    case 1: centre.y += plane; break;
    case 2: centre.x -= plane; break;
    case 3: centre.y -= plane; break;
    case 4: centre.z += plane; break;
    default: centre.z -= plane; break;
    }
    return centre;
}

void RenderTest::SetUp()
{
    softd3d::faults::ClearAll();
    boxes.clear();
    presents = 0;
    platform::SetMessageBoxObserver([this](const platform::MessageBoxCall& call) {
        boxes.push_back(call);
        return IDOK;
    });
    softd3d::DisplayHooks hooks;
    hooks.present = [this](const softd3d::PresentedFrame&) { ++presents; };
    softd3d::SetDisplayHooks(hooks);
    windowed = 1;
    overlayVisible = 0;
    framesPerSecond = 0;
    bannerTick = 0;
    mousePos = { 0, 0 };
    ASSERT_EQ(SetUpDevice(nullptr), 1);
    ASSERT_TRUE(boxes.empty());
    ResetCamera();
    ResetCube();
}

void RenderTest::TearDown()
{
    ReleaseDevice();
    softd3d::faults::ClearAll();
    softd3d::SetDisplayHooks({});
    platform::SetMessageBoxObserver({});
    overlayVisible = 0;
    shuffling = 0;
}

Frame RenderTest::ReadBackBuffer() const
{
    Frame frame;
    const softd3d::FrameView view = softd3d::BackBufferPixels(d3dDevice);
    frame.width = view.width;
    frame.height = view.height;
    frame.pixels.resize(static_cast<std::size_t>(view.width) * view.height);
    for (int y = 0; y < view.height; ++y) {
        for (int x = 0; x < view.width; ++x) {
            frame.pixels[static_cast<std::size_t>(y) * view.width + x]
                = view.pixels[static_cast<std::size_t>(y) * view.pitch + x] & 0x00FFFFFFu;
        }
    }
    return frame;
}

Frame RenderTest::DrawFrame()
{
    RenderFrame(nullptr);
    return ReadBackBuffer();
}
