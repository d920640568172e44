#include <gtest/gtest.h>

#include <cmath>

#include "cube/layer_turn.h"
#include "geometry/camera.h"
#include "view_probe.h"

namespace {

constexpr float k = 0.009817477f;

void ExpectNear(Vec3 a, Vec3 b, float tolerance = 1e-5f)
{
    EXPECT_NEAR(a.x, b.x, tolerance);
    EXPECT_NEAR(a.y, b.y, tolerance);
    EXPECT_NEAR(a.z, b.z, tolerance);
}

void ExpectSame(Vec3 a, Vec3 b)
{
    EXPECT_EQ(a.x, b.x);
    EXPECT_EQ(a.y, b.y);
    EXPECT_EQ(a.z, b.z);
}

// v rotated by angle about the unit axis a.
Vec3 Rotated(Vec3 v, Vec3 a, float angle)
{
    const Vec3 c = Cross(a, v);
    const float along = Dot(a, v) * (1 - std::cos(angle));
    return { v.x * std::cos(angle) + c.x * std::sin(angle) + a.x * along,
        v.y * std::cos(angle) + c.y * std::sin(angle) + a.y * along,
        v.z * std::cos(angle) + c.z * std::sin(angle) + a.z * along };
}

class CameraTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ResetCamera();
        PlaceCursor({ 100, 100 });
        SetOrbitAnchor();
    }
    void TearDown() override { SetCursorReader(nullptr); }

    // A right-button drag step: the window shell refreshes mousePos, then orbits.
    void DragTo(CursorPos p)
    {
        PlaceCursor(p);
        mousePos = ReadCursor();
        OrbitCamera();
    }
};

TEST_F(CameraTest, ResetLooksAtTheCubeFromTheStartCorner)
{
    ExpectNear(camera.direction, { 0.577350f, 0.577350f, 0.577350f });
    ExpectNear(camera.axisY, { -0.408248f, 0.816497f, -0.408248f });
    ExpectNear(camera.rightAxis, { -0.707107f, 0.0f, 0.707107f });
    ExpectSame(camera.yawAxis, camera.axisY);
    ExpectNear(EyePosition(), { 6.928203f, 6.928203f, 6.928203f });
    EXPECT_EQ(PixelOf({ 0, 0, 0 }).x, 320);
    EXPECT_EQ(PixelOf({ 0, 0, 0 }).y, 240);
    // Screen right and up are rightAxis and axisY.
    EXPECT_GT(PixelOf(camera.rightAxis).x, 320);
    EXPECT_LT(PixelOf(camera.axisY).y, 240);

    StartUserTurn(2, 5);
    shuffling = ~0;
    camera.distance = 30;
    ResetCamera();
    EXPECT_EQ(turnState.remainingFrames, 0);
    EXPECT_EQ(turnState.selectorCell, -1);
    EXPECT_EQ(shuffling, 0);
    EXPECT_EQ(camera.distance, 12.0f);
    EXPECT_EQ(camera.orbitAnchor.x, 100); // the anchor is kept
}

TEST_F(CameraTest, DominantComponentOfAMoveWinsAndTiesGoToPitch)
{
    CameraState before = camera;
    DragTo({ 100, 100 }); // no move at all changes nothing
    ExpectSame(camera.direction, before.direction);
    ExpectSame(camera.yawAxis, before.yawAxis);

    DragTo({ 103, 101 }); // yaw by 3k; the vertical pixel is dropped
    ExpectNear(camera.direction, Rotated(before.direction, before.yawAxis, 3 * k));
    ExpectSame(camera.yawAxis, before.yawAxis);
    EXPECT_EQ(camera.orbitAnchor.x, 103);
    EXPECT_EQ(camera.orbitAnchor.y, 101);

    before = camera;
    DragTo({ 105, 103 }); // |dx| = |dy| = 2: pitch
    ExpectNear(camera.direction, Rotated(before.direction, before.rightAxis, 2 * k));
    ExpectSame(camera.rightAxis, before.rightAxis);
    ExpectNear(camera.yawAxis, Rotated(before.yawAxis, before.rightAxis, 2 * k));
}

TEST_F(CameraTest, CubeFollowsTheCursorAndTheFrameStaysOrthonormal)
{
    CameraState before = camera;
    DragTo({ 110, 100 }); // right: the eye moves to the viewer's left
    EXPECT_LT(Dot(camera.direction, before.rightAxis), 0.0f);
    before = camera;
    DragTo({ 110, 110 }); // down: the eye rises
    EXPECT_GT(Dot(camera.direction, before.axisY), 0.0f);

    for (int i = 0; i < 500; ++i) {
        DragTo({ 110 + (i * 37) % 50, 100 + (i * 53) % 40 });
    }
    EXPECT_NEAR(Dot(camera.direction, camera.axisY), 0.0f, 1e-4f);
    EXPECT_EQ(PixelOf({ 0, 0, 0 }).x, 320);
}

TEST_F(CameraTest, ZoomStepsByOneWithinSevenToThirty)
{
    for (int i = 0; i < 10; ++i) {
        ZoomCamera(-120);
    }
    EXPECT_EQ(camera.distance, 7.0f);
    ZoomCamera(0); // zero counts as turned away
    EXPECT_EQ(camera.distance, 8.0f);
    for (int i = 0; i < 40; ++i) {
        ZoomCamera(32767);
    }
    EXPECT_EQ(camera.distance, 30.0f);
}

} // namespace
