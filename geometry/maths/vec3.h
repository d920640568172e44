#pragma once
// Single-precision 3-vector and the vector operations the cube, camera and
// picking share. Layout matches D3DXVECTOR3 so a Vec3* can stand in for one.
// The small operations live here, inline: a pick calls them over a thousand
// times.

#include <cmath>

struct Vec3 {
    float x, y, z;
};

// |a - b|, the Euclidean distance.
inline float Distance(Vec3 a, Vec3 b)
{
    const float dx = a.x - b.x;
    const float dy = a.y - b.y;
    const float dz = a.z - b.z;
    return std::sqrt(dx * dx + dy * dy + dz * dz);
}

// a x b = (a.y*b.z - a.z*b.y, a.z*b.x - a.x*b.z, a.x*b.y - a.y*b.x); in the
// left-handed world, Cross(+X, +Y) = +Z.
inline Vec3 Cross(Vec3 a, Vec3 b)
{
    return { a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x };
}

// a . b, summed x, then y, then z.
inline float Dot(Vec3 a, Vec3 b)
{
    return a.x * b.x + a.y * b.y + a.z * b.z;
}

// out := v / |v|; the zero vector stays zero. out may be v. Returns out.
inline Vec3* Vec3Normalize(Vec3* out, const Vec3* v)
{
    const Vec3 in = *v;
    const float length = std::sqrt(in.x * in.x + in.y * in.y + in.z * in.z);
    if (length == 0.0f) {
        *out = { 0.0f, 0.0f, 0.0f };
    } else {
        *out = { in.x / length, in.y / length, in.z / length };
    }
    return out;
}
