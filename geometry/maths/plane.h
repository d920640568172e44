#pragma once
// Planes through three points and their intersection with a line, as picking needs them.

#include "geometry/maths/vec3.h"

// Plane a*x + b*y + c*z + d = 0, layout of D3DXPLANE. The operations are
// inline: a pick builds and intersects up to 162 planes.
struct Plane {
    float a, b, c, d;
};

// out := the plane through p1, p2, p3 with unit normal
// normalize((p2 - p1) x (p3 - p1)). Returns out.
inline Plane* PlaneFromPoints(Plane* out, const Vec3* p1, const Vec3* p2, const Vec3* p3)
{
    const Vec3 edge1 { p2->x - p1->x, p2->y - p1->y, p2->z - p1->z };
    const Vec3 edge2 { p3->x - p1->x, p3->y - p1->y, p3->z - p1->z };
    const Vec3 normal = Cross(edge1, edge2);
    Vec3 unit;
    Vec3Normalize(&unit, &normal);
    *out = { unit.x, unit.y, unit.z, -Dot(*p1, unit) };
    return out;
}

// out := where the unbounded line through p1 and p2 meets the plane; returns
// null (out untouched) when the line is parallel to it, else out.
inline Vec3* PlaneIntersectLine(Vec3* out, const Plane* plane, const Vec3* p1, const Vec3* p2)
{
    const Vec3 normal { plane->a, plane->b, plane->c };
    const Vec3 direction { p2->x - p1->x, p2->y - p1->y, p2->z - p1->z };
    const float along = Dot(normal, direction);
    if (along == 0.0f) {
        return nullptr;
    }
    // Signed distance of p1 from the plane over the direction's component
    // along the normal: the line parameter, measured back from p1.
    const float t = (plane->d + Dot(normal, *p1)) / along;
    *out = { p1->x - t * direction.x, p1->y - t * direction.y, p1->z - t * direction.z };
    return out;
}
