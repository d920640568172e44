#pragma once

#include "geometry/vec3.h"

// Plane a*x + b*y + c*z + d = 0, layout of D3DXPLANE.
struct Plane {
    float a, b, c, d;
};

// out := the plane through p1, p2, p3 with unit normal
// normalize((p2 - p1) x (p3 - p1)). Returns out.
Plane* PlaneFromPoints(Plane* out, const Vec3* p1, const Vec3* p2, const Vec3* p3);
// out := where the unbounded line through p1 and p2 meets the plane; returns
// null (out untouched) when the line is parallel to it, else out.
Vec3* PlaneIntersectLine(Vec3* out, const Plane* plane, const Vec3* p1, const Vec3* p2);
