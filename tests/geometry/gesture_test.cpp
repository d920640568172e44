#include <gtest/gtest.h>

#include <cmath>

#include "cube/cubie.h"
#include "cube/frame_step.h"
#include "cube/layer_turn.h"
#include "geometry/gesture.h"
#include "view_probe.h"

namespace {

// Centre of the sticker on face slot `face` of cell `cell`.
Vec3 StickerCentre(int cell, int face)
{
    static const Vec3 outward[6]
        = { { 1, 0, 0 }, { 0, 1, 0 }, { -1, 0, 0 }, { 0, -1, 0 }, { 0, 0, 1 }, { 0, 0, -1 } };
    Cubie at;
    at.SetCell(cell);
    return { at.CentreX() + outward[face].x, at.CentreY() + outward[face].y,
        at.CentreZ() + outward[face].z };
}

CursorPos Offset(CursorPos p, int dx, int dy)
{
    return { p.x + dx, p.y + dy };
}

void Press(CursorPos p)
{
    PlaceCursor(p);
    BeginGesture();
}

void Release(CursorPos p)
{
    PlaceCursor(p);
    EndGesture();
}

void Drag(CursorPos from, CursorPos to)
{
    Press(from);
    Release(to);
}

void StepFrames(int n)
{
    for (int i = 0; i < n; ++i) {
        StepModelFrame();
    }
}

bool CubeSolved()
{
    for (const Cubie& c : cubies) {
        if (c.Cell() != c.Home() || c.Orientation()._11 != 1.0f || c.Orientation()._22 != 1.0f) {
            return false;
        }
    }
    return true;
}

Vec3 Minus(Vec3 a, Vec3 b)
{
    return { a.x - b.x, a.y - b.y, a.z - b.z };
}

class GestureTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ResetCamera();
        ResetCube();
    }
    void TearDown() override
    {
        StopTurn();
        SetCursorReader(nullptr);
    }
};

struct DragCase {
    int cell, face, toCell;
    int code;
};

// Press on a sticker, release two stickers further along: after the turn's 16
// frames exactly the pressed cell's layer has turned by the code's quarter
// turn, and the pressed sticker has moved along the drag.
TEST_F(GestureTest, drag_across_stickers_turns_the_pressed_layer_along_the_drag)
{
    const DragCase cases[] = {
        { 1, 1, 7, +1 }, // top face towards -Z: the middle X layer
        { 0, 1, 2, +3 }, // top face towards +X: the front (+Z) layer
        { 2, 0, 20, +3 }, // +X face downwards: the front layer again
        { 0, 4, 2, -2 }, // +Z face towards +X: the top layer
    };
    Mat4* (*const rotations[3])(Mat4*, float)
        = { MatrixRotationX, MatrixRotationY, MatrixRotationZ };
    for (const DragCase& d : cases) {
        SCOPED_TRACE(testing::Message() << "cell " << d.cell << " face " << d.face);
        ResetCube();
        const Vec3 from = StickerCentre(d.cell, d.face), to = StickerCentre(d.toCell, d.face);
        Drag(PixelOf(from), PixelOf(to));
        EXPECT_EQ(turnState.axisCode, d.code);
        EXPECT_EQ(turnState.selectorCell, d.cell);
        EXPECT_EQ(turnState.remainingFrames, userTurnFrames);
        StepFrames(userTurnFrames);

        const int axis = std::abs(d.code);
        auto layer = [axis](int cell) {
            return axis == 1 ? cell % 3 : axis == 2 ? cell / 9 : (cell / 3) % 3;
        };
        Mat4 r;
        rotations[axis - 1](&r, d.code > 0 ? -1.5707964f : 1.5707964f);
        for (Cubie& c : cubies) {
            Cubie home;
            home.SetCell(c.Home());
            Vec3 expected { home.CentreX(), home.CentreY(), home.CentreZ() };
            if (layer(c.Home()) == layer(d.cell)) {
                Vec3TransformCoord(&expected, &expected, &r);
            } else {
                EXPECT_EQ(c.Orientation()._11 + c.Orientation()._22 + c.Orientation()._33, 3.0f);
            }
            EXPECT_NEAR(c.CentreX(), expected.x, 1e-4f) << "cubie " << c.Home();
            EXPECT_NEAR(c.CentreY(), expected.y, 1e-4f) << "cubie " << c.Home();
            EXPECT_NEAR(c.CentreZ(), expected.z, 1e-4f) << "cubie " << c.Home();
        }
        Cubie& pressed = cubies[d.cell]; // the solved cube had it in the pressed cell
        const Mat4 world = PoseCubieForFrame(pressed);
        Cubie home;
        home.SetCell(d.cell);
        Vec3 moved = Minus(from, { home.CentreX(), home.CentreY(), home.CentreZ() });
        Vec3TransformCoord(&moved, &moved, &world);
        EXPECT_GT(Dot(Minus(moved, from), Minus(to, from)), 1.0f);
    }
}

TEST_F(GestureTest, drag_while_a_turn_runs_is_refused)
{
    const CursorPos top = PixelOf(StickerCentre(4, 1));
    Drag(top, PixelOf(StickerCentre(3, 1)));
    const TurnState started = turnState;
    StepFrames(3);
    Drag(PixelOf(StickerCentre(2, 0)), PixelOf(StickerCentre(20, 0)));
    EXPECT_EQ(turnState.axisCode, started.axisCode);
    EXPECT_EQ(turnState.selectorCell, started.selectorCell);
    EXPECT_EQ(turnState.remainingFrames, userTurnFrames - 3);

    // A press refused while the turn ran arms nothing for after it.
    Press(PixelOf(StickerCentre(2, 0)));
    StepFrames(userTurnFrames);
    Release(PixelOf(StickerCentre(20, 0)));
    EXPECT_EQ(turnState.remainingFrames, 0);
}

TEST_F(GestureTest, press_off_the_cube_then_release_on_it_turns_nothing)
{
    const CursorPos top = PixelOf(StickerCentre(4, 1));
    Drag(top, top); // a click: leaves a hit in pressHit
    EXPECT_EQ(pressHit.cell, 4);
    Drag({ 10, 10 }, PixelOf(StickerCentre(6, 1)));
    EXPECT_EQ(turnState.remainingFrames, 0);
    EXPECT_EQ(pressPos.x, 10);
    EXPECT_EQ(pressHit.cell, 4);

    // And a release off the cube, however far, turns nothing either.
    Drag(top, { 630, 470 });
    EXPECT_EQ(turnState.remainingFrames, 0);
    EXPECT_EQ(releasePos.x, 630);
}

TEST_F(GestureTest, only_a_drag_beyond_twenty_squared_pixels_turns)
{
    const CursorPos p = PixelOf(StickerCentre(4, 1));
    Drag(p, Offset(p, 4, 2));
    EXPECT_EQ(turnState.remainingFrames, 0);
    for (CursorPos to : { Offset(p, 5, 0), Offset(p, -3, 4), Offset(p, 0, -5) }) {
        ResetCamera();
        Drag(p, to);
        EXPECT_EQ(turnState.remainingFrames, userTurnFrames);
        // So short a drag truncates every axis component to 0: code +1 whatever the direction.
        EXPECT_EQ(turnState.axisCode, 1);
    }
}

TEST_F(GestureTest, clear_mid_turn_drops_the_turn_and_restores_everything)
{
    Drag(PixelOf(StickerCentre(1, 1)), PixelOf(StickerCentre(7, 1)));
    shuffling = ~0;
    mousePos = { camera.orbitAnchor.x + 40, camera.orbitAnchor.y };
    OrbitCamera();
    StepFrames(5);
    ResetCamera();
    ResetCube();
    EXPECT_EQ(turnState.remainingFrames, 0);
    EXPECT_EQ(turnState.selectorCell, -1);
    EXPECT_EQ(shuffling, 0);
    EXPECT_EQ(PixelOf(StickerCentre(4, 1)).x, 320);
    StepFrames(30);
    EXPECT_TRUE(CubeSolved());
}

TEST_F(GestureTest, press_switches_shuffling_off_and_the_running_shuffle_turn_finishes)
{
    shuffling = ~0;
    StepModelFrame();
    ASSERT_EQ(turnState.totalFrames, shuffleTurnFrames);
    const TurnState shuffleTurn = turnState;
    Drag(PixelOf(StickerCentre(4, 1)), PixelOf(StickerCentre(3, 1)));
    EXPECT_EQ(shuffling, 0);
    EXPECT_EQ(turnState.axisCode, shuffleTurn.axisCode);
    EXPECT_EQ(turnState.remainingFrames, shuffleTurn.remainingFrames);
    StepFrames(6);
    EXPECT_FALSE(CubeSolved());
    StepFrames(20);
    EXPECT_EQ(turnState.remainingFrames, 0);
}

// Between an accepted press and its release, the Shuffle command can start a turn: the release is
// then ignored and the shuffle turn runs on untouched.
TEST_F(GestureTest, release_while_a_turn_runs_is_ignored_even_after_an_accepted_press)
{
    Release({ 7, 9 });
    Press(PixelOf(StickerCentre(4, 1)));
    shuffling = ~0;
    StepModelFrame();
    const TurnState shuffleTurn = turnState;
    ASSERT_EQ(shuffleTurn.totalFrames, shuffleTurnFrames);
    Release(PixelOf(StickerCentre(3, 1)));
    EXPECT_EQ(turnState.totalFrames, shuffleTurnFrames);
    EXPECT_EQ(turnState.remainingFrames, shuffleTurn.remainingFrames);
    EXPECT_EQ(turnState.axisCode, shuffleTurn.axisCode);
    EXPECT_EQ(turnState.selectorCell, shuffleTurn.selectorCell);
    EXPECT_EQ(releasePos.x, 7);
}

TEST_F(GestureTest, axis_from_the_pressed_faces_inward_normal_and_the_drag)
{
    // +Z face of cell 1, dragged down onto cell 10: n = (0, 0, -4), a = (-8, 0, 0).
    EXPECT_EQ(ChooseTurnAxis({ 0, 2, 3 }, { 0, 0, 3 }, 1, 4), -1);
    // Ties: X over Z and over Y, Y over Z. On the +Y face of cell 1, n = (0, -4, 0) and a drag
    // of (0.5, 0, 0.5) gives a = (-2, 0, 2); on its +Z face, (0.5, 0.5, 0) gives (2, -2, 0); on the
    // +X face of cell 2, n = (-4, 0, 0) and (0, 0.5, 0.5) gives (0, 2, -2).
    EXPECT_EQ(ChooseTurnAxis({ 0, 3, 2 }, { 0.5f, 3, 2.5f }, 1, 1), -1);
    EXPECT_EQ(ChooseTurnAxis({ 0, 2, 3 }, { 0.5f, 2.5f, 3 }, 1, 4), 1);
    EXPECT_EQ(ChooseTurnAxis({ 3, 2, 2 }, { 3, 2.5f, 2.5f }, 2, 0), 2);
    // Out-of-range and NaN components still give a valid code.
    const int code = ChooseTurnAxis({ std::nanf(""), 0, 0 }, { 1e30f, -1e30f, 0 }, 1, 4);
    EXPECT_TRUE(code != 0 && std::abs(code) <= 3);
}

} // namespace
