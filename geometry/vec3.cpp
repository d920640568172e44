#include "geometry/vec3.h"

#include <cmath>

float Distance(Vec3 a, Vec3 b)
{
    const float dx = a.x - b.x;
    const float dy = a.y - b.y;
    const float dz = a.z - b.z;
    return std::sqrt(dx * dx + dy * dy + dz * dz);
}

Vec3 Cross(Vec3 a, Vec3 b)
{
    return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}

float Dot(Vec3 a, Vec3 b)
{
    return a.x * b.x + a.y * b.y + a.z * b.z;
}

Vec3* Vec3Normalize(Vec3* out, const Vec3* v)
{
    const Vec3 in = *v;
    const float length = std::sqrt(in.x * in.x + in.y * in.y + in.z * in.z);
    if (length == 0.0f) {
        *out = {0.0f, 0.0f, 0.0f};
    } else {
        *out = {in.x / length, in.y / length, in.z / length};
    }
    return out;
}
