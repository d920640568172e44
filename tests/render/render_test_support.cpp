#include "tests/render/render_test_support.h"

#include <algorithm>

#include "cube/cubie.h"
#include "cube/layer_turn.h"
#include "geometry/camera.h"
#include "geometry/maths/matrix.h"
#include "platform/d3d9/display_hooks.h"
#include "platform/d3d9/fault_injection.h"
#include "platform/d3d9/software_device.h"
#include "render/device.h"
#include "render/frame.h"
#include "render/overlay.h"
#include "render/view_flags.h"

std::ostream& operator<<(std::ostream& out, Rgb c)
{
    return out << "(" << c.r << ", " << c.g << ", " << c.b << ")";
}

Rgb Frame::At(int x, int y) const
{
    const std::uint32_t p = pixels[static_cast<std::size_t>(y) * 640 + x];
    return { int(p >> 16 & 0xFF), int(p >> 8 & 0xFF), int(p & 0xFF) };
}

Rgb Frame::At(Vec3 world) const
{
    const PixelPos p = ProjectToPixel(world);
    return At(p.x, p.y);
}

PixelPos ProjectToPixel(Vec3 world)
{
    Mat4 view, projection, both;
    MatrixMultiply(&both, BuildView(&view), BuildProjection(&projection));
    Vec3 ndc;
    Vec3TransformCoord(&ndc, &world, &both);
    // Pixel centres sit on whole coordinates: round to the nearest.
    return { int((ndc.x + 1.0f) * 320.0f + 0.5f), int((1.0f - ndc.y) * 240.0f + 0.5f) };
}

Vec3 StickerCentre(int cell, int slot)
{
    // Sticker planes lie 0.99 out from the cell centre along the slot's direction.
    static const Vec3 outward[6] = { { 0.99f, 0, 0 }, { 0, 0.99f, 0 }, { -0.99f, 0, 0 },
        { 0, -0.99f, 0 }, { 0, 0, 0.99f }, { 0, 0, -0.99f } };
    return { 2.0f * (cell % 3) - 2.0f + outward[slot].x, 2.0f - 2.0f * (cell / 9) + outward[slot].y,
        2.0f - 2.0f * (cell / 3 % 3) + outward[slot].z };
}

bool LooksGrey(Rgb c)
{
    const int low = std::min({ c.r, c.g, c.b }), high = std::max({ c.r, c.g, c.b });
    return high - low < 24 && low > 40 && high < 200;
}

void RenderTest::SetUp()
{
    softd3d::faults::ClearAll();
    platform::SetMessageBoxObserver([this](const platform::MessageBoxCall& call) {
        boxes.push_back(call);
        return IDOK;
    });
    softd3d::SetDisplayHooks({ [this](const softd3d::PresentedFrame&) { ++presents; }, {} });
    windowed = 1;
    overlayVisible = 0;
    bannerTick = 0;
    mousePos = { 0, 0 };
    ASSERT_EQ(SetUpDevice(nullptr), 1);
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
    windowed = 1;
}

Frame RenderTest::DrawFrame()
{
    RenderFrame(nullptr);
    const softd3d::FrameView view = softd3d::BackBufferPixels(d3dDevice);
    Frame frame;
    frame.pixels.resize(640 * 480);
    for (int y = 0; y < 480 && view.pixels != nullptr; ++y) {
        for (int x = 0; x < 640; ++x) {
            frame.pixels[y * 640 + x]
                = view.pixels[static_cast<std::size_t>(y) * view.pitch + x] & 0xFFFFFFu;
        }
    }
    return frame;
}
