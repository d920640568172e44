// What the user sees in a frame: the three visible sides in their colours, the picture on the
// top centre, the layer that turns and nothing else, the light's reach.
#include <cmath>

#include "cube/cubie.h"
#include "cube/frame_step.h"
#include "cube/layer_turn.h"
#include "geometry/camera.h"
#include "geometry/cursor.h"
#include "geometry/matrix.h"
#include "tests/render/render_test_support.h"

namespace {

class FrameImage : public RenderTest { };

// Cells of a side, for the face slots the start camera sees.
constexpr int plusXCells[9] = { 2, 5, 8, 11, 14, 17, 20, 23, 26 };
constexpr int plusYCells[9] = { 0, 1, 2, 3, 4, 5, 6, 7, 8 };
constexpr int plusZCells[9] = { 0, 1, 2, 9, 10, 11, 18, 19, 20 };

Rgb ColourAt(const Frame& frame, Vec3 world)
{
    const PixelPos p = ProjectToPixel(world);
    return frame.At(p.x, p.y);
}

CursorPos orbitCursor = { 0, 0 };

// One right-drag step of (dx, dy) pixels through the camera's own orbit.
void OrbitBy(int dx, int dy)
{
    SetCursorReader([] { return orbitCursor; });
    orbitCursor = { 0, 0 };
    SetOrbitAnchor();
    orbitCursor = { dx, dy };
    mousePos = orbitCursor;
    OrbitCamera();
    SetCursorReader(nullptr);
}

Vec3 RotateAboutY(Vec3 v, float angle)
{
    Mat4 rotation;
    MatrixRotationY(&rotation, angle);
    Vec3 out;
    Vec3TransformCoord(&out, &v, &rotation);
    return out;
}

TEST_F(FrameImage, start_camera_shows_red_left_white_top_and_yellow_right)
{
    const Frame frame = DrawFrame();
    for (int cell : plusXCells) {
        const PixelPos p = ProjectToPixel(StickerCentre(cell, 0));
        EXPECT_LT(p.x, 320) << "+X lies left of the view's centre";
        EXPECT_TRUE(LooksRed(frame.At(p.x, p.y)))
            << "cell " << cell << " " << Describe(frame.At(p.x, p.y));
    }
    for (int cell : plusYCells) {
        if (cell == 4) {
            continue;
        }
        const Rgb c = ColourAt(frame, StickerCentre(cell, 1));
        EXPECT_TRUE(LooksWhite(c)) << "cell " << cell << " " << Describe(c);
    }
    for (int cell : plusZCells) {
        const PixelPos p = ProjectToPixel(StickerCentre(cell, 4));
        EXPECT_GT(p.x, 320) << "+Z lies right of the view's centre";
        EXPECT_TRUE(LooksYellow(frame.At(p.x, p.y)))
            << "cell " << cell << " " << Describe(frame.At(p.x, p.y));
    }
}

TEST_F(FrameImage, top_centre_sticker_carries_the_picture_upright)
{
    // Close and from high above, where the picture is large enough to read.
    while (camera.distance > 7.0f) {
        ZoomCamera(-120);
    }
    OrbitBy(0, 56);
    const Frame frame = DrawFrame();
    // The +Y sticker maps the tile's top row to z = -0.81 and its left column to x = +0.81 of
    // the piece (cell 4 at (0, 2, 0)).
    auto tilePoint = [](float column, float row) {
        return Vec3 { 0.81f - column / 30.0f * 1.62f, 2.99f, -0.81f + row / 30.0f * 1.62f };
    };
    const Rgb corner = ColourAt(frame, tilePoint(2.0f, 2.0f));
    EXPECT_TRUE(LooksWhite(corner)) << "the tile's corners stay white " << Describe(corner);
    // Yellow feathers above, the pale belly below: upside down they would swap.
    const Rgb feathers = ColourAt(frame, tilePoint(12.5f, 9.5f));
    EXPECT_TRUE(LooksYellow(feathers)) << Describe(feathers);
    const Rgb belly = ColourAt(frame, tilePoint(12.5f, 21.5f));
    EXPECT_GT(belly.r, 200) << Describe(belly);
    EXPECT_GT(belly.b, 100) << Describe(belly);
    EXPECT_LT(belly.b, 220) << Describe(belly);
    // The picture's top is towards the top of the view.
    EXPECT_LT(ProjectToPixel(tilePoint(15.0f, 0.0f)).y, ProjectToPixel(tilePoint(15.0f, 29.0f)).y);

    ResetCamera();
    const Frame start = DrawFrame();
    const Rgb centre = ColourAt(start, tilePoint(15.0f, 14.0f));
    EXPECT_TRUE(LooksYellow(centre)) << "the start camera shows it too " << Describe(centre);
}

TEST_F(FrameImage, background_is_black_and_bevels_are_grey)
{
    const Frame frame = DrawFrame();
    for (PixelPos corner :
        { PixelPos { 2, 2 }, PixelPos { 637, 2 }, PixelPos { 2, 477 }, PixelPos { 637, 477 } }) {
        EXPECT_TRUE(LooksBlack(frame.At(corner.x, corner.y))) << corner.x << "," << corner.y;
    }
    // Half-way across the bevel between a sticker's edge (0.81 out, on the 0.99 plane) and the
    // body's corner edge (0.9, 0.9): on the +X side of cell 5 towards +Y, and of cell 11 towards
    // +Z.
    const Rgb topBevel = ColourAt(frame, { 2.0f + 0.945f, 2.0f + 0.855f, 0.0f });
    EXPECT_TRUE(LooksGrey(topBevel)) << Describe(topBevel);
    const Rgb sideBevel = ColourAt(frame, { 2.0f + 0.945f, 0.0f, 2.0f + 0.855f });
    EXPECT_TRUE(LooksGrey(sideBevel)) << Describe(sideBevel);
}

// Frame p of a 16-frame turn of the top layer with axis code +2 (towards TurnYMinus): the
// layer is drawn at -p/16 of a quarter turn about Y; the other two layers stay put.
TEST_F(FrameImage, turning_layer_is_rotated_mid_turn)
{
    const Frame rest = DrawFrame();
    for (int p : { 4, 12 }) {
        ResetCube();
        StartUserTurn(+2, 4);
        for (int frame = 1; frame < p; ++frame) {
            StepModelFrame();
        }
        const Frame frame = DrawFrame();
        ASSERT_EQ(turnState.remainingFrames, 16 - p);
        const float angle = -static_cast<float>(p) * 3.14159265f / 32.0f;
        const Vec3 toEye = EyePosition();
        for (int cell : { 2, 5, 8 }) {
            const Vec3 moved = RotateAboutY(StickerCentre(cell, 0), angle);
            const Vec3 normal = RotateAboutY({ 1, 0, 0 }, angle);
            if (normal.x * toEye.x + normal.z * toEye.z < 3.0f) {
                continue; // seen too nearly edge-on to sample
            }
            const Rgb c = ColourAt(frame, moved);
            EXPECT_TRUE(LooksRed(c)) << "p " << p << " cell " << cell << " " << Describe(c);
        }
        for (int cell : { 0, 1, 2 }) {
            const Vec3 moved = RotateAboutY(StickerCentre(cell, 4), angle);
            const Vec3 normal = RotateAboutY({ 0, 0, 1 }, angle);
            if (normal.x * toEye.x + normal.z * toEye.z < 3.0f) {
                continue;
            }
            const Rgb c = ColourAt(frame, moved);
            EXPECT_TRUE(LooksYellow(c)) << "p " << p << " cell " << cell << " " << Describe(c);
        }
        // The bottom layer's stickers are pixel for pixel where they were (the middle layer's
        // top edge may be overhung by the turning corners).
        for (int cell : { 20, 23, 26 }) {
            const PixelPos at = ProjectToPixel(StickerCentre(cell, 0));
            EXPECT_EQ(frame.At(at.x, at.y).r, rest.At(at.x, at.y).r)
                << "p " << p << " cell " << cell;
        }
        for (int cell : { 18, 19, 20 }) {
            const PixelPos at = ProjectToPixel(StickerCentre(cell, 4));
            EXPECT_EQ(frame.At(at.x, at.y).g, rest.At(at.x, at.y).g)
                << "p " << p << " cell " << cell;
        }
        // Below the front edge's midpoint no part of the top layer can reach, at any angle.
        for (int y = ProjectToPixel({ 3.0f, 0.5f, 3.0f }).y; y < 480; ++y) {
            for (int x = 0; x < 640; ++x) {
                const std::size_t i = static_cast<std::size_t>(y) * 640 + x;
                ASSERT_EQ(frame.pixels[i], rest.pixels[i]) << "p " << p << " at " << x << "," << y;
            }
        }
    }
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
    const Frame resting = DrawFrame();

    EXPECT_TRUE(commit == after);
    EXPECT_TRUE(after == resting);
    // The top row turned by a quarter: -Z's green now faces +X, +X's red faces +Z.
    for (int cell : { 2, 5, 8 }) {
        const Rgb c = ColourAt(after, StickerCentre(cell, 0));
        EXPECT_TRUE(LooksGreen(c)) << "cell " << cell << " " << Describe(c);
    }
    for (int cell : { 0, 1, 2 }) {
        const Rgb c = ColourAt(after, StickerCentre(cell, 4));
        EXPECT_TRUE(LooksRed(c)) << "cell " << cell << " " << Describe(c);
    }
}

TEST_F(FrameImage, zoomed_out_cube_is_lit_by_ambient_only)
{
    const Rgb nearWhite = ColourAt(DrawFrame(), StickerCentre(3, 1));
    while (camera.distance < 30.0f) {
        ZoomCamera(120);
    }
    const Frame far = DrawFrame();
    const Rgb farWhite = ColourAt(far, StickerCentre(3, 1));
    EXPECT_LT(farWhite.r + farWhite.g + farWhite.b, nearWhite.r + nearWhite.g + nearWhite.b - 60);
    // Global ambient (200, 192, 184) times a white tile and a white material.
    EXPECT_NEAR(farWhite.r, 200, 8) << Describe(farWhite);
    EXPECT_NEAR(farWhite.g, 192, 8) << Describe(farWhite);
    EXPECT_NEAR(farWhite.b, 184, 8) << Describe(farWhite);
    const Rgb farRed = ColourAt(far, StickerCentre(14, 0));
    EXPECT_TRUE(LooksRed(farRed)) << Describe(farRed);
}

} // namespace
