// What the user sees in a frame: the visible sides in their colours, the picture on the top
// centre, the turning layer and nothing else moving, the light's reach.
#include <utility>

#include "cube/cubie.h"
#include "cube/frame_step.h"
#include "cube/layer_turn.h"
#include "geometry/camera.h"
#include "geometry/cursor.h"
#include "geometry/maths/matrix.h"
#include "platform/d3d9/display_hooks.h"
#include "render/device.h"
#include "render/overlay.h"
#include "render/view_flags.h"
#include "tests/render/render_test_support.h"

namespace {

class FrameImage : public RenderTest { };

CursorPos orbitCursor = { 0, 0 };

// One right-drag step of (dx, dy) pixels through the camera's own orbit.
void OrbitBy(int dx, int dy)
{
    SetCursorReader([] { return orbitCursor; });
    orbitCursor = { 0, 0 };
    SetOrbitAnchor();
    mousePos = orbitCursor = { dx, dy };
    OrbitCamera();
    SetCursorReader(nullptr);
}

Vec3 RotatedAboutY(Vec3 v, float angle)
{
    Mat4 rotation;
    MatrixRotationY(&rotation, angle);
    return *Vec3TransformCoord(&v, &v, &rotation);
}

TEST_F(FrameImage, start_camera_shows_red_left_white_top_and_yellow_right)
{
    const Frame frame = DrawFrame();
    for (int i = 0; i < 9; ++i) {
        const int plusX = 2 + 3 * (i % 3) + 9 * (i / 3), plusY = i, plusZ = i % 3 + 9 * (i / 3);
        EXPECT_LT(ProjectToPixel(StickerCentre(plusX, 0)).x, 320);
        EXPECT_TRUE(LooksRed(frame.At(StickerCentre(plusX, 0))))
            << plusX << frame.At(StickerCentre(plusX, 0));
        EXPECT_TRUE(plusY == 4 || LooksWhite(frame.At(StickerCentre(plusY, 1)))) << plusY;
        EXPECT_GT(ProjectToPixel(StickerCentre(plusZ, 4)).x, 320);
        EXPECT_TRUE(LooksYellow(frame.At(StickerCentre(plusZ, 4))))
            << plusZ << frame.At(StickerCentre(plusZ, 4));
    }
    EXPECT_EQ(frame.pixels[2 * 640 + 2], 0u) << "black background";
    EXPECT_EQ(frame.pixels[477 * 640 + 637], 0u) << "black background";
    // Half-way across the bevels from a sticker's edge (0.81 out on the 0.99 plane) to the
    // body's corner edge (0.9, 0.9), beside the +X stickers of cells 5 and 14.
    EXPECT_TRUE(LooksGrey(frame.At({ 2.945f, 2.855f, 0.0f })))
        << frame.At({ 2.945f, 2.855f, 0.0f });
    EXPECT_TRUE(LooksGrey(frame.At({ 2.945f, 0.0f, 0.855f })))
        << frame.At({ 2.945f, 0.0f, 0.855f });
}

TEST_F(FrameImage, top_centre_sticker_carries_the_picture_upright)
{
    // The +Y sticker of cell 4 maps the tile's top row to z = -0.81, its left column to x = 0.81.
    auto tile = [](float column, float row) {
        return Vec3 { 0.81f - column / 30.0f * 1.62f, 2.99f, -0.81f + row / 30.0f * 1.62f };
    };
    EXPECT_TRUE(LooksYellow(DrawFrame().At(tile(15.0f, 14.0f))))
        << "the feathers, at the start camera";
    // Close and from high above, where the picture is large enough to read.
    while (camera.distance > 7.0f) {
        ZoomCamera(-120);
    }
    OrbitBy(0, 56);
    const Frame frame = DrawFrame();
    EXPECT_TRUE(LooksWhite(frame.At(tile(2.0f, 2.0f)))) << frame.At(tile(2.0f, 2.0f));
    // Yellow feathers above, the pale belly below: upside down they would swap.
    EXPECT_TRUE(LooksYellow(frame.At(tile(12.5f, 9.5f)))) << frame.At(tile(12.5f, 9.5f));
    const Rgb belly = frame.At(tile(12.5f, 21.5f));
    EXPECT_TRUE(belly.r > 200 && belly.b > 100 && belly.b < 220) << belly;
    EXPECT_LT(ProjectToPixel(tile(15.0f, 0.0f)).y, ProjectToPixel(tile(15.0f, 29.0f)).y)
        << "top up";
}

// Frame p of a 16-frame turn of the top layer with code +2: the layer is drawn turned by
// -p/16 of a quarter turn about Y; the bottom layer does not move at all.
TEST_F(FrameImage, turning_layer_is_rotated_mid_turn)
{
    const Frame rest = DrawFrame();
    const Vec3 eye = EyePosition();
    for (int p : { 4, 12 }) {
        ResetCube();
        StartUserTurn(+2, 4);
        for (int frame = 1; frame < p; ++frame) {
            StepModelFrame();
        }
        const Frame frame = DrawFrame();
        ASSERT_EQ(turnState.remainingFrames, 16 - p);
        const float angle = -static_cast<float>(p) * 3.14159265f / 32.0f;
        for (int i = 0; i < 3; ++i) {
            const Vec3 xNormal = RotatedAboutY({ 1, 0, 0 }, angle),
                       zNormal = RotatedAboutY({ 0, 0, 1 }, angle);
            const Rgb red = frame.At(RotatedAboutY(StickerCentre(2 + 3 * i, 0), angle));
            const Rgb yellow = frame.At(RotatedAboutY(StickerCentre(i, 4), angle));
            // Only sides that face the eye well enough to sample.
            EXPECT_TRUE(Dot(xNormal, eye) < 3.0f || LooksRed(red)) << "p " << p << " " << red;
            EXPECT_TRUE(Dot(zNormal, eye) < 3.0f || LooksYellow(yellow))
                << "p " << p << " " << yellow;
        }
        // No part of the top layer reaches below the front edge's midpoint at any angle.
        for (int y = ProjectToPixel({ 3.0f, 0.5f, 3.0f }).y; y < 480; ++y) {
            for (int x = 0; x < 640; ++x) {
                ASSERT_EQ(frame.At(x, y).g, rest.At(x, y).g)
                    << "p " << p << " at " << x << "," << y;
            }
        }
    }
}

// While a layer turns, each frame is drawn over the last only where pieces moved and where text
// was: every such frame must be, to the bit, the one a device that has drawn nothing draws. And
// the window, which copies only the rectangles a present names, must show it whole.
TEST_F(FrameImage, frames_drawn_over_the_last_are_those_drawn_afresh)
{
    Frame shown { std::vector<std::uint32_t>(640 * 480, 0u) };
    const auto copyChanged = [&](const softd3d::PresentedFrame& f) {
        for (int i = 0; i < f.changedCount; ++i) {
            const RECT& r = f.changed[i];
            for (int y = r.top; y < r.bottom; ++y) {
                for (int x = r.left; x < r.right; ++x)
                    shown.pixels[y * 640 + x] = f.pixels[y * f.pitch + x] & 0xFFFFFFu;
            }
        }
    };
    softd3d::SetDisplayHooks({ copyChanged, {} });
    DrawFrame();
    shuffling = ~0; // its banner over every frame; its own turns wait for these to end
    mousePos = { 300, 200 };
    for (const auto [axis, cell] : { std::pair { -1, 6 }, std::pair { +2, 22 } }) {
        StartUserTurn(axis, cell);
        for (int frame = 1; frame <= 16; ++frame) {
            overlayVisible = frame == 8; // text over the cube, then gone
            const TurnState turn = turnState;
            const std::int32_t tick = bannerTick;
            Cubie pieces[27];
            std::copy(std::begin(cubies), std::end(cubies), pieces);
            const Frame drawnOver = DrawFrame();
            EXPECT_TRUE(shown == drawnOver) << "axis " << axis << " frame " << frame;
            turnState = turn;
            bannerTick = tick;
            std::copy(std::begin(pieces), std::end(pieces), cubies);
            ReleaseDevice();
            ASSERT_EQ(SetUpDevice(nullptr), 1);
            EXPECT_TRUE(DrawFrame() == drawnOver) << "axis " << axis << " frame " << frame;
        }
    }
    shuffling = 0;
}

TEST_F(FrameImage, commit_frame_and_the_frame_after_show_no_rotation)
{
    StartUserTurn(+2, 4);
    for (int frame = 1; frame < 15; ++frame) {
        StepModelFrame();
    }
    const Frame commit = DrawFrame();
    ASSERT_EQ(turnState.remainingFrames, 1);
    const Frame after = DrawFrame();
    ASSERT_EQ(turnState.remainingFrames, 0);
    EXPECT_TRUE(commit == after);
    EXPECT_TRUE(after == DrawFrame());
    // A quarter turn of the top row: -Z's green now faces +X, +X's red faces +Z.
    for (int i = 0; i < 3; ++i) {
        EXPECT_TRUE(LooksGreen(after.At(StickerCentre(2 + 3 * i, 0))))
            << after.At(StickerCentre(2 + 3 * i, 0));
        EXPECT_TRUE(LooksRed(after.At(StickerCentre(i, 4)))) << after.At(StickerCentre(i, 4));
    }
}

TEST_F(FrameImage, zoomed_out_cube_is_lit_by_ambient_only)
{
    const Rgb nearWhite = DrawFrame().At(StickerCentre(3, 1));
    while (camera.distance < 30.0f) {
        ZoomCamera(120);
    }
    const Frame far = DrawFrame();
    const Rgb farWhite = far.At(StickerCentre(3, 1));
    EXPECT_LT(farWhite.r + farWhite.g + farWhite.b, nearWhite.r + nearWhite.g + nearWhite.b - 60);
    // The global ambient (200, 192, 184) on a white tile and a white material.
    EXPECT_NEAR(farWhite.r, 200, 8) << farWhite;
    EXPECT_NEAR(farWhite.g, 192, 8) << farWhite;
    EXPECT_NEAR(farWhite.b, 184, 8) << farWhite;
    EXPECT_TRUE(LooksRed(far.At(StickerCentre(14, 0))));
}

} // namespace
