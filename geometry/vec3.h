#pragma once

// Single-precision 3-vector and the vector operations the cube, camera and
// picking share. Layout matches D3DXVECTOR3 so a Vec3* can stand in for one.

struct Vec3 {
    float x, y, z;
};

// |a - b|, the Euclidean distance.
float Distance(Vec3 a, Vec3 b);
// a x b = (a.y*b.z - a.z*b.y, a.z*b.x - a.x*b.z, a.x*b.y - a.y*b.x); in the
// left-handed world, Cross(+X, +Y) = +Z.
Vec3 Cross(Vec3 a, Vec3 b);
// a . b, summed x, then y, then z.
float Dot(Vec3 a, Vec3 b);

// out := v / |v|; the zero vector stays zero. out may be v. Returns out.
Vec3* Vec3Normalize(Vec3* out, const Vec3* v);
