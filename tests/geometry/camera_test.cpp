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

TEST_F(CameraTest, reset_looks_at_the_cube_from_the_start_corner)
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

// The optics pinned by hand: from the eye at 12 / sqrt(3) (1, 1, 1) with up (-1, 2, -1) / sqrt(6),
// a 60 degree vertical field at 4:3 puts each cell centre at the pixel and the depth below (depth
// 0 at the near plane 1, 1 at the far plane 100).
TEST_F(CameraTest, start_view_projects_every_cell_centre_where_the_optics_put_it)
{
    const double r2 = std::sqrt(2.0), r3 = std::sqrt(3.0), r6 = std::sqrt(6.0);
    const HandView hand { { 12 / r3, 12 / r3, 12 / r3 }, { -1 / r2, 0, 1 / r2 },
        { -1 / r6, 2 / r6, -1 / r6 }, { -1 / r3, -1 / r3, -1 / r3 } };
    Mat4 view, projection, both;
    BuildView(&view);
    BuildProjection(&projection);
    MatrixMultiply(&both, &view, &projection);
    for (int cell = 0; cell < 27; ++cell) {
        const int x = cell % 3, z = (cell / 3) % 3, y = cell / 9;
        const Vec3 centre { 2.0f * x - 2, 2.0f - 2 * y, 2.0f - 2 * z };
        const D3 expected = hand.Project(ToD3(centre));
        Vec3 projected;
        Vec3TransformCoord(&projected, &centre, &both);
        SCOPED_TRACE(testing::Message() << "cell " << cell);
        EXPECT_NEAR(320.0 + 320.0 * projected.x, expected.x, 1e-3);
        EXPECT_NEAR(240.0 - 240.0 * projected.y, expected.y, 1e-3);
        EXPECT_NEAR(projected.z, 100.0 / 99.0 * (1.0 - 1.0 / expected.z), 1e-6);
    }
}

TEST_F(CameraTest, dominant_component_of_a_move_wins_and_ties_go_to_pitch)
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

    // The step turns by mousePos, but the anchor is the cursor read afresh.
    mousePos = { 110, 101 };
    PlaceCursor({ 140, 90 });
    OrbitCamera();
    EXPECT_EQ(camera.orbitAnchor.x, 140);
    EXPECT_EQ(camera.orbitAnchor.y, 90);
    PlaceCursor({ 103, 101 });
    SetOrbitAnchor();

    before = camera;
    DragTo({ 105, 103 }); // |dx| = |dy| = 2: pitch
    ExpectNear(camera.direction, Rotated(before.direction, before.rightAxis, 2 * k));
    ExpectSame(camera.rightAxis, before.rightAxis);
    ExpectNear(camera.yawAxis, Rotated(before.yawAxis, before.rightAxis, 2 * k));
}

TEST_F(CameraTest, cube_follows_the_cursor_and_the_frame_stays_orthonormal)
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

TEST_F(CameraTest, zoom_steps_by_one_within_seven_to_thirty)
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
