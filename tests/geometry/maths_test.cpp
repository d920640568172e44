#include <gtest/gtest.h>

#include "geometry/maths/maths.h"

namespace {

void ExpectNear(Vec3 a, Vec3 b, float tolerance = 1e-6f)
{
    EXPECT_NEAR(a.x, b.x, tolerance);
    EXPECT_NEAR(a.y, b.y, tolerance);
    EXPECT_NEAR(a.z, b.z, tolerance);
}

Vec3 Apply(const Mat4& m, Vec3 v)
{
    return *Vec3TransformCoord(&v, &v, &m);
}

void ExpectMatrixNear(const Mat4& a, const Mat4& b, float tolerance)
{
    for (int i = 0; i < 16; ++i) {
        EXPECT_NEAR((&a._11)[i], (&b._11)[i], tolerance) << "element " << i;
    }
}

TEST(Maths, rotations_turn_the_way_the_left_handed_world_expects)
{
    const float a = 0.3f;
    Mat4 r;
    ExpectNear(Apply(*MatrixRotationX(&r, a), { 0, 1, 0 }), { 0, std::cos(a), std::sin(a) });
    ExpectNear(Apply(*MatrixRotationY(&r, a), { 0, 0, 1 }), { std::sin(a), 0, std::cos(a) });
    ExpectNear(Apply(*MatrixRotationZ(&r, a), { 1, 0, 0 }), { std::cos(a), std::sin(a), 0 });

    // A quaternion about a coordinate axis (any length) gives the same matrix.
    const Vec3 axes[3] = { { 2, 0, 0 }, { 0, 0.5f, 0 }, { 0, 0, 7 } };
    Mat4* (*rotations[3])(Mat4*, float) = { MatrixRotationX, MatrixRotationY, MatrixRotationZ };
    for (int i = 0; i < 3; ++i) {
        Quat q;
        Mat4 fromQuat, direct;
        MatrixRotationQuaternion(&fromQuat, QuaternionRotationAxis(&q, &axes[i], a));
        ExpectMatrixNear(fromQuat, *rotations[i](&direct, a), 1e-6f);
    }
}

TEST(Maths, multiply_applies_the_left_matrix_first_and_may_write_over_either_input)
{
    Mat4 move, turn, both;
    MatrixTranslation(&move, 1, 0, 0);
    MatrixRotationZ(&turn, 1.5707964f);
    ExpectNear(Apply(*MatrixMultiply(&both, &move, &turn), { 0, 0, 0 }), { 0, 1, 0 });

    Mat4 a = move, b = turn;
    MatrixMultiply(&a, &a, &turn);
    MatrixMultiply(&b, &move, &b);
    ExpectMatrixNear(a, both, 0.0f);
    ExpectMatrixNear(b, both, 0.0f);
    EXPECT_EQ(Cross({ 1, 0, 0 }, { 0, 1, 0 }).z, 1.0f);
    EXPECT_EQ(Cross({ 0, 1, 0 }, { 1, 0, 0 }).z, -1.0f);
}

TEST(Maths, projection_and_view_put_the_near_plane_at_depth_zero_and_the_far_at_one)
{
    Mat4 p;
    MatrixPerspectiveFovLH(&p, 1.0471976f, 1.3333334f, 1.0f, 100.0f);
    EXPECT_NEAR(p._22, 1.7320508f, 1e-6f); // 1 / tan 30 degrees
    EXPECT_NEAR(p._11, 1.2990381f, 1e-6f);
    EXPECT_NEAR(Apply(p, { 0, 0, 1 }).z, 0.0f, 1e-6f);
    EXPECT_NEAR(Apply(p, { 0, 0, 100 }).z, 1.0f, 1e-6f);

    const Vec3 eye { 4, 5, 6 }, at { 4, 5, 10 }, up { 0, 3, 0 };
    Mat4 v;
    MatrixLookAtLH(&v, &eye, &at, &up);
    ExpectNear(Apply(v, eye), { 0, 0, 0 });
    ExpectNear(Apply(v, at), { 0, 0, 4 });
    ExpectNear(Apply(v, { 5, 5, 6 }), { 1, 0, 0 }); // screen right is +X
    Vec3 n { 0, 0, 0 };
    ExpectNear(*Vec3Normalize(&n, &n), { 0, 0, 0 }, 0.0f);
}

TEST(Maths, inverse_undoes_a_matrix_and_refuses_a_singular_one)
{
    Mat4 m, p, inverse, product;
    const Vec3 eye { 6.9f, 6.9f, 6.9f }, at { -0.5f, -0.6f, -0.6f }, up { -1, 2, -1 };
    MatrixLookAtLH(&m, &eye, &at, &up);
    MatrixPerspectiveFovLH(&p, 1.0471976f, 1.3333334f, 1.0f, 100.0f);
    MatrixMultiply(&m, &m, &p);
    float det = 0;
    ASSERT_NE(MatrixInverse(&inverse, &det, &m), nullptr);
    EXPECT_NE(det, 0.0f);
    Mat4 identity;
    ExpectMatrixNear(*MatrixMultiply(&product, &m, &inverse), *MatrixIdentity(&identity), 1e-5f);
    EXPECT_NE(MatrixInverse(&inverse, nullptr, &m), nullptr);

    Mat4 flat;
    MatrixIdentity(&flat);
    flat._33 = 0;
    Mat4 untouched = identity;
    det = 42;
    EXPECT_EQ(MatrixInverse(&untouched, &det, &flat), nullptr);
    EXPECT_EQ(det, 42.0f);
    ExpectMatrixNear(untouched, identity, 0.0f);
}

TEST(Maths, plane_through_points_meets_the_unbounded_line_or_reports_parallel)
{
    const Vec3 a { 1, 3, 1 }, b { -1, 3, 1 }, c { -1, 3, -1 };
    Plane plane;
    PlaneFromPoints(&plane, &a, &b, &c);
    EXPECT_EQ(plane.b, -1.0f); // (b - a) x (c - a) = (0, -4, 0)
    EXPECT_EQ(plane.d, 3.0f);
    Vec3 hit { 9, 9, 9 };
    const Vec3 p1 { 0, 10, 0 }, p2 { 1, 9, 0 };
    ASSERT_NE(PlaneIntersectLine(&hit, &plane, &p1, &p2), nullptr);
    ExpectNear(hit, { 7, 3, 0 }); // beyond p2: the line is not a segment
    const Vec3 q1 { 0, 5, 0 }, q2 { 1, 5, 1 };
    EXPECT_EQ(PlaneIntersectLine(&hit, &plane, &q1, &q2), nullptr);
    ExpectNear(hit, { 7, 3, 0 });
}

} // namespace
