#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "cube/cubie.h"
#include "cube/frame_step.h"
#include "cube/layer_turn.h"
#include "geometry/picking.h"
#include "view_probe.h"

namespace {

const Vec3 outward[6]
    = { { 1, 0, 0 }, { 0, 1, 0 }, { -1, 0, 0 }, { 0, -1, 0 }, { 0, 0, 1 }, { 0, 0, -1 } };

// A point on face `face` of cell `cell`, at (u, v) in -1..1 across the face.
Vec3 OnFace(int cell, int face, float u, float v)
{
    Cubie at;
    at.SetCell(cell);
    const Vec3 n = outward[face];
    const Vec3 s = n.x != 0 ? Vec3 { 0, 1, 0 } : Vec3 { 1, 0, 0 };
    const Vec3 t = Cross(n, s);
    return { at.CentreX() + n.x + u * s.x + v * t.x, at.CentreY() + n.y + u * s.y + v * t.y,
        at.CentreZ() + n.z + u * s.z + v * t.z };
}

bool OnSurface(int cell, int face)
{
    const int x = cell % 3, z = (cell / 3) % 3, y = cell / 9;
    const int onSide[6] = { x == 2, y == 0, x == 0, y == 2, z == 0, z == 2 };
    return onSide[face] != 0;
}

// Every sticker the camera faces (the cube is convex, so none hides another)
// is picked as itself, at the point under the pixel, across its whole face.
void ExpectEveryVisibleStickerPicksItself(float inset)
{
    const Vec3 eye = EyePosition();
    int checked = 0;
    for (int cell = 0; cell < 27; ++cell) {
        for (int face = 0; face < 6; ++face) {
            const Vec3 centre = OnFace(cell, face, 0, 0);
            Vec3 toEye { eye.x - centre.x, eye.y - centre.y, eye.z - centre.z };
            Vec3Normalize(&toEye, &toEye);
            // Grazing faces are left out: there a pixel spans more than the inset.
            if (!OnSurface(cell, face) || Dot(outward[face], toEye) < 0.35f) {
                continue;
            }
            for (float u : { -inset, 0.0f, inset }) {
                for (float v : { -inset, 0.0f, inset }) {
                    const Vec3 target = OnFace(cell, face, u, v);
                    PickHit hit {};
                    ASSERT_NE(Pick(&hit, PixelOf(target)), nullptr);
                    EXPECT_EQ(hit.cell, cell) << "face " << face << " at " << u << ", " << v;
                    EXPECT_EQ(hit.face, face) << "cell " << cell << " at " << u << ", " << v;
                    EXPECT_LT(Distance(hit.point, target), 0.1f);
                    EXPECT_EQ(hit.distance, Distance(hit.point, eye));
                }
            }
            ++checked;
        }
    }
    EXPECT_GE(checked, 9);
}

// Where the ray eye + t * dir enters and leaves the cube [-3, 3]^3.
bool CubeSpan(D3 eye, D3 dir, double& enter, double& leave)
{
    const double o[3] = { eye.x, eye.y, eye.z }, d[3] = { dir.x, dir.y, dir.z };
    enter = -1e300;
    leave = 1e300;
    for (int a = 0; a < 3; ++a) {
        if (d[a] == 0.0) {
            if (std::fabs(o[a]) > 3.0) {
                return false;
            }
            continue;
        }
        const double t0 = (-3.0 - o[a]) / d[a], t1 = (3.0 - o[a]) / d[a];
        enter = std::max(enter, std::min(t0, t1));
        leave = std::min(leave, std::max(t0, t1));
    }
    return enter <= leave;
}

// Held against the ray worked out by hand: where the ray reaches the cube, the pick takes a face
// of the surface at that point, never one deeper in.
void ExpectSurfaceWhereTheRayEnters(CursorPos p)
{
    const HandView view = HandViewOf(camera);
    const D3 dir = view.Through(p.x, p.y);
    double enter, leave;
    if (!CubeSpan(view.eye, dir, enter, leave)) {
        return; // passes the cube by; so near the silhouette the pick may still touch it
    }
    SCOPED_TRACE(testing::Message() << "pixel " << p.x << ", " << p.y);
    PickHit hit {};
    ASSERT_NE(Pick(&hit, p), nullptr);
    const D3 point = ToD3(hit.point);
    EXPECT_TRUE(OnSurface(hit.cell, hit.face)) << "cell " << hit.cell << " face " << hit.face;
    EXPECT_NEAR(DotD(point, ToD3(outward[hit.face])), 3.0, 1e-4);
    Cubie at;
    at.SetCell(hit.cell);
    const D3 fromCentre = point - D3 { at.CentreX(), at.CentreY(), at.CentreZ() };
    EXPECT_LE(
        std::max({ std::fabs(fromCentre.x), std::fabs(fromCentre.y), std::fabs(fromCentre.z) }),
        1.001);
    const double length = std::sqrt(DotD(dir, dir));
    const D3 v = point - view.eye;
    const double along = DotD(v, dir) / length;
    EXPECT_LE(std::sqrt(std::fmax(0.0, DotD(v, v) - along * along)), 1e-3) << "off the ray";
    // A few thousandths allow for the float ray on faces seen at a grazing angle; a face behind
    // the surface lies at least 0.4 deeper.
    EXPECT_LE(hit.distance, enter * length + 0.05) << "deeper than the surface";
}

// The four pixels around the image of every edge of the cube whose two sides both face the eye,
// at 121 points along each.
void ExpectSurfaceAlongTheVisibleEdges()
{
    const HandView view = HandViewOf(camera);
    const double eye[3] = { view.eye.x, view.eye.y, view.eye.z };
    int edges = 0;
    for (int a = 0; a < 3; ++a) {
        const int b = (a + 1) % 3, c = (a + 2) % 3;
        for (double sb : { -3.0, 3.0 }) {
            for (double sc : { -3.0, 3.0 }) {
                if (eye[b] * sb <= 9.0 || eye[c] * sc <= 9.0) {
                    continue; // a side turned away: a silhouette or hidden edge
                }
                ++edges;
                for (int i = 0; i <= 120; ++i) {
                    double q[3];
                    q[a] = -3.0 + i / 20.0;
                    q[b] = sb;
                    q[c] = sc;
                    const D3 at = view.Project({ q[0], q[1], q[2] });
                    for (double x : { std::floor(at.x), std::ceil(at.x) }) {
                        for (double y : { std::floor(at.y), std::ceil(at.y) }) {
                            ExpectSurfaceWhereTheRayEnters(
                                { static_cast<std::int32_t>(x), static_cast<std::int32_t>(y) });
                        }
                    }
                }
            }
        }
    }
    EXPECT_EQ(edges, 3);
}

class PickingTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ResetCamera();
        ResetCube();
    }
    void TearDown() override { SetCursorReader(nullptr); }
};

TEST_F(PickingTest, pixel_off_the_cube_misses_and_leaves_the_record_alone)
{
    PickHit hit { 1.5f, 7, 3, { 1, 2, 3 } };
    EXPECT_EQ(Pick(&hit, { 5, 5 }), nullptr);
    EXPECT_EQ(Pick(&hit, { -100000, 2000000 }), nullptr);
    EXPECT_EQ(hit.cell, 7);
    EXPECT_EQ(hit.point.z, 3.0f);
}

TEST_F(PickingTest, view_centre_always_hits_on_the_line_of_sight)
{
    PickHit hit {};
    ASSERT_NE(Pick(&hit, { 320, 240 }), nullptr);
    EXPECT_NEAR(hit.point.x, hit.point.y, 1e-3f);
    EXPECT_NEAR(hit.point.y, hit.point.z, 1e-3f);
}

// Exact distances matter near the edges of a face, where a whole-number
// comparison would let an inner face of a lower cell win.
TEST_F(PickingTest, face_the_user_sees_wins_right_up_to_its_edges)
{
    ExpectEveryVisibleStickerPicksItself(0.9f);
}

TEST_F(PickingTest, other_cameras_pick_what_they_show)
{
    PlaceCursor({ 0, 0 });
    SetOrbitAnchor();
    const CursorPos drags[] = { { 150, 0 }, { 0, 170 }, { -260, 0 }, { 0, -200 }, { 90, 0 } };
    for (CursorPos d : drags) {
        mousePos = d;
        OrbitCamera();
        ZoomCamera(d.x < 0 ? -1 : 1);
        SCOPED_TRACE(testing::Message() << "after drag " << d.x << ", " << d.y);
        ExpectEveryVisibleStickerPicksItself(0.8f);
        PlaceCursor({ 0, 0 });
        SetOrbitAnchor();
    }
}

// Column 320 is the image of the plane x = z; below the centre it runs down the front vertical
// edge (x = z = 3), where both sides' hit points can round to just outside their faces.
TEST_F(PickingTest, rays_through_the_cubes_edges_take_a_surface_face_where_they_enter)
{
    const auto alongColumnAndEdges = [] {
        for (int row = 240; row < 480; ++row) {
            ExpectSurfaceWhereTheRayEnters({ 320, row });
        }
        ExpectSurfaceAlongTheVisibleEdges();
    };
    alongColumnAndEdges();
    const auto orbit = [](int dx, int dy) {
        PlaceCursor({ 0, 0 });
        SetOrbitAnchor();
        mousePos = { dx, dy };
        OrbitCamera();
    };
    // A pitch keeps the view's centre column on the plane x = z: here the eye sinks.
    orbit(0, -25);
    SCOPED_TRACE("pitched");
    alongColumnAndEdges();
    ResetCamera();
    orbit(30, 0);
    orbit(0, 20);
    SCOPED_TRACE("yawed and pitched");
    ExpectSurfaceAlongTheVisibleEdges();
}

// Seen along (1, 3, 0), the view's centre lies on the line between the top stickers of cells 4
// and 5: both faces take the same point at the same distance, and the lower cell wins.
TEST_F(PickingTest, equal_distances_go_to_the_lower_cell)
{
    const float r10 = std::sqrt(10.0f);
    camera.direction = { 1 / r10, 3 / r10, 0 };
    camera.axisY = { -3 / r10, 1 / r10, 0 };
    camera.yawAxis = camera.axisY;
    camera.rightAxis = { 0, 0, 1 };
    PickHit hit {};
    ASSERT_NE(Pick(&hit, { 320, 240 }), nullptr);
    EXPECT_EQ(hit.cell, 4);
    EXPECT_EQ(hit.face, 1);
    EXPECT_NEAR(hit.point.x, 1.0f, 1e-5f);
}

TEST_F(PickingTest, grid_cells_stay_put_while_layers_turn)
{
    const CursorPos pixel = PixelOf(OnFace(2, 1, 0.3f, 0.3f));
    PickHit before {}, during {}, after {};
    ASSERT_NE(Pick(&before, pixel), nullptr);
    StartUserTurn(-2, 0);
    for (int f = 0; f < 5; ++f) {
        StepModelFrame();
    }
    ASSERT_NE(Pick(&during, pixel), nullptr);
    for (int f = 0; f < 11; ++f) {
        StepModelFrame();
    }
    ASSERT_NE(Pick(&after, pixel), nullptr);
    EXPECT_EQ(during.cell, before.cell);
    EXPECT_EQ(after.cell, before.cell);
    EXPECT_EQ(after.face, before.face);
}

TEST_F(PickingTest, camera_never_reset_sees_nothing)
{
    camera = CameraState {};
    PickHit hit {};
    EXPECT_EQ(Pick(&hit, { 320, 240 }), nullptr);
}

TEST(PointInQuad, boundary_counts_inside_for_either_winding_and_nan_outside)
{
    const Vec3 a { -1, 3, 1 }, b { 1, 3, 1 }, c { 1, 3, -1 }, d { -1, 3, -1 };
    for (Vec3 p : { Vec3 { 0, 3, 0 }, Vec3 { 1, 3, 0 }, Vec3 { 1, 3, 1 }, Vec3 { -1, 3, -1 } }) {
        EXPECT_TRUE(PointInQuad(p, a, b, c, d));
        EXPECT_TRUE(PointInQuad(p, d, c, b, a));
    }
    EXPECT_FALSE(PointInQuad({ 1.001f, 3, 0 }, a, b, c, d));
    EXPECT_FALSE(PointInQuad({ 0, 3, -1.001f }, d, c, b, a));
    EXPECT_FALSE(PointInQuad({ std::nanf(""), 3, 0 }, a, b, c, d));
}

} // namespace
