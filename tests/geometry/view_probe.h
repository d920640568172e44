#pragma once

// Test helpers: where a world point appears in the 640x480 view with the
// current camera, and a cursor that tests place through the ReadCursor seam.

#include <cmath>

#include "geometry/camera.h"
#include "geometry/cursor.h"
#include "geometry/maths/matrix.h"

inline CursorPos& TestCursor()
{
    static CursorPos position { 0, 0 };
    return position;
}

inline void PlaceCursor(CursorPos p)
{
    SetCursorReader([] { return TestCursor(); });
    TestCursor() = p;
}

inline CursorPos PixelOf(Vec3 world)
{
    Mat4 view, projection, both;
    BuildView(&view);
    BuildProjection(&projection);
    MatrixMultiply(&both, &view, &projection);
    Vec3 ndc;
    Vec3TransformCoord(&ndc, &world, &both);
    return { static_cast<std::int32_t>(std::lround(320.0f + 320.0f * ndc.x)),
        static_cast<std::int32_t>(std::lround(240.0f - 240.0f * ndc.y)) };
}

// The view worked out by hand in double precision from a camera frame and the fixed optics
// (60 degree vertical field, aspect 4:3, the 640x480 viewport), without the matrices: the
// reference that the projection and the pick are held against.
struct D3 {
    double x, y, z;
};

inline D3 operator-(D3 a, D3 b)
{
    return { a.x - b.x, a.y - b.y, a.z - b.z };
}

inline D3 operator*(double k, D3 a)
{
    return { k * a.x, k * a.y, k * a.z };
}

inline D3 operator+(D3 a, D3 b)
{
    return { a.x + b.x, a.y + b.y, a.z + b.z };
}

inline double DotD(D3 a, D3 b)
{
    return a.x * b.x + a.y * b.y + a.z * b.z;
}

inline D3 ToD3(Vec3 v)
{
    return { v.x, v.y, v.z };
}

struct HandView {
    D3 eye, right, up, forward;
    // tan(30 degrees): half the view's height at unit depth; half its width is 4/3 of it.
    static constexpr double halfHeight = 0.57735026918962573;
    static constexpr double halfWidth = halfHeight * 4.0 / 3.0;

    // The pixel (column, row) where a world point appears, and its depth along the view.
    D3 Project(D3 p) const
    {
        const D3 v = p - eye;
        const double depth = DotD(v, forward);
        return { 320.0 + 320.0 * DotD(v, right) / (depth * halfWidth),
            240.0 - 240.0 * DotD(v, up) / (depth * halfHeight), depth };
    }

    // Direction of the ray from the eye through a pixel, of unit depth.
    D3 Through(double column, double row) const
    {
        return forward + ((column - 320.0) / 320.0 * halfWidth) * right
            + ((240.0 - row) / 240.0 * halfHeight) * up;
    }
};

inline HandView HandViewOf(const CameraState& c)
{
    const D3 d = ToD3(c.direction);
    return { c.distance * d, ToD3(c.rightAxis), ToD3(c.axisY), -1.0 * d };
}
