#pragma once
// Rotation quaternions, used to build the camera's orbit rotations.

#include "geometry/maths/vec3.h"

// Rotation quaternion, layout of D3DXQUATERNION: vector part x, y, z, then w.
struct Quat {
    float x, y, z, w;
};

// out := rotation by angle radians about axis (normalised first); the same
// sense as MatrixRotationX/Y/Z about the coordinate axes. Returns out.
Quat* QuaternionRotationAxis(Quat* out, const Vec3* axis, float angle);
