#include "geometry/maths/quaternion.h"

#include <cmath>

Quat* QuaternionRotationAxis(Quat* out, const Vec3* axis, float angle)
{
    Vec3 unit;
    Vec3Normalize(&unit, axis);
    const float s = std::sin(angle / 2.0f);
    *out = { s * unit.x, s * unit.y, s * unit.z, std::cos(angle / 2.0f) };
    return out;
}
