#pragma once
// 4x4 matrix operations with D3DX 9's layouts, argument order and rotation senses, so both builds
// compute the same cube, camera and picks.

#include "geometry/maths/quaternion.h"
#include "geometry/maths/vec3.h"

// Row-major 4x4 matrix in the layout of D3DMATRIX: points are row vectors,
// v' = v * M, so a translation sits in _41, _42, _43 and in A * B the
// transform A applies first. The world is left-handed.
struct Mat4 {
    float _11, _12, _13, _14;
    float _21, _22, _23, _24;
    float _31, _32, _33, _34;
    float _41, _42, _43, _44;
};
static_assert(sizeof(Mat4) == 16 * sizeof(float), "Mat4 is handed to Direct3D as a D3DMATRIX");

// Every operation writes through its first argument and returns it.

// out := identity.
Mat4* MatrixIdentity(Mat4* out);
// out := a * b (a applies first); out may alias a or b.
Mat4* MatrixMultiply(Mat4* out, const Mat4* a, const Mat4* b);
// Rotation about +X by angle radians: (x, y, z) -> (x, y*cos - z*sin, y*sin + z*cos).
Mat4* MatrixRotationX(Mat4* out, float angle);
// Rotation about +Y: (x, y, z) -> (x*cos + z*sin, y, z*cos - x*sin).
Mat4* MatrixRotationY(Mat4* out, float angle);
// Rotation about +Z: (x, y, z) -> (x*cos - y*sin, x*sin + y*cos, z).
Mat4* MatrixRotationZ(Mat4* out, float angle);
// Translation by (x, y, z), stored in the fourth row.
Mat4* MatrixTranslation(Mat4* out, float x, float y, float z);
// The rotation matrix of a unit quaternion, same sense as QuaternionRotationAxis.
Mat4* MatrixRotationQuaternion(Mat4* out, const Quat* q);
// Left-handed perspective: view-space +Z looks into the screen, depth 0 at zn
// and 1 at zf, fovY the vertical field of view in radians, aspect = width / height.
Mat4* MatrixPerspectiveFovLH(Mat4* out, float fovY, float aspect, float zn, float zf);
// Left-handed view: eye to the origin, at along +Z, up projected to +Y.
Mat4* MatrixLookAtLH(Mat4* out, const Vec3* eye, const Vec3* at, const Vec3* up);
// out := m^-1 and *determinant := det m (determinant may be null); returns
// null with out and *determinant untouched when m is singular.
Mat4* MatrixInverse(Mat4* out, float* determinant, const Mat4* m);

// out := (v.x, v.y, v.z, 1) * m divided by its w; out may be v.
Vec3* Vec3TransformCoord(Vec3* out, const Vec3* v, const Mat4* m);
