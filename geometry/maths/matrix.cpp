#include "geometry/maths/matrix.h"

#include <bit>
#include <cmath>

namespace {

// Indexed view of a Mat4: m[row][column], rows 0..3 for _1x.._4x.
struct Rows {
    float m[4][4];
};
static_assert(sizeof(Rows) == sizeof(Mat4));

Rows ToRows(const Mat4& matrix)
{
    return std::bit_cast<Rows>(matrix);
}
Mat4 ToMat4(const Rows& rows)
{
    return std::bit_cast<Mat4>(rows);
}

} // namespace

Mat4* MatrixIdentity(Mat4* out)
{
    *out = { 1.0f, 0.0f, 0.0f, 0.0f, 0.0f, 1.0f, 0.0f, 0.0f, 0.0f, 0.0f, 1.0f, 0.0f, 0.0f, 0.0f,
        0.0f, 1.0f };
    return out;
}

Mat4* MatrixMultiply(Mat4* out, const Mat4* a, const Mat4* b)
{
    const Rows x = ToRows(*a);
    const Rows y = ToRows(*b);
    Rows r;
    for (int i = 0; i < 4; ++i) {
        for (int j = 0; j < 4; ++j) {
            r.m[i][j] = x.m[i][0] * y.m[0][j] + x.m[i][1] * y.m[1][j] + x.m[i][2] * y.m[2][j]
                + x.m[i][3] * y.m[3][j];
        }
    }
    *out = ToMat4(r);
    return out;
}

Mat4* MatrixRotationX(Mat4* out, float angle)
{
    const float c = std::cos(angle);
    const float s = std::sin(angle);
    MatrixIdentity(out);
    out->_22 = c;
    out->_33 = c;
    out->_23 = s;
    out->_32 = -s;
    return out;
}

Mat4* MatrixRotationY(Mat4* out, float angle)
{
    const float c = std::cos(angle);
    const float s = std::sin(angle);
    MatrixIdentity(out);
    out->_11 = c;
    out->_33 = c;
    out->_13 = -s;
    out->_31 = s;
    return out;
}

Mat4* MatrixRotationZ(Mat4* out, float angle)
{
    const float c = std::cos(angle);
    const float s = std::sin(angle);
    MatrixIdentity(out);
    out->_11 = c;
    out->_22 = c;
    out->_12 = s;
    out->_21 = -s;
    return out;
}

Mat4* MatrixTranslation(Mat4* out, float x, float y, float z)
{
    MatrixIdentity(out);
    out->_41 = x;
    out->_42 = y;
    out->_43 = z;
    return out;
}

Mat4* MatrixRotationQuaternion(Mat4* out, const Quat* q)
{
    const Quat r = *q;
    MatrixIdentity(out);
    out->_11 = 1.0f - 2.0f * (r.y * r.y + r.z * r.z);
    out->_12 = 2.0f * (r.x * r.y + r.z * r.w);
    out->_13 = 2.0f * (r.x * r.z - r.y * r.w);
    out->_21 = 2.0f * (r.x * r.y - r.z * r.w);
    out->_22 = 1.0f - 2.0f * (r.x * r.x + r.z * r.z);
    out->_23 = 2.0f * (r.y * r.z + r.x * r.w);
    out->_31 = 2.0f * (r.x * r.z + r.y * r.w);
    out->_32 = 2.0f * (r.y * r.z - r.x * r.w);
    out->_33 = 1.0f - 2.0f * (r.x * r.x + r.y * r.y);
    return out;
}

Mat4* MatrixPerspectiveFovLH(Mat4* out, float fovY, float aspect, float zn, float zf)
{
    const float t = std::tan(fovY / 2.0f);
    MatrixIdentity(out);
    out->_11 = 1.0f / (aspect * t);
    out->_22 = 1.0f / t;
    out->_33 = zf / (zf - zn);
    out->_34 = 1.0f;
    out->_43 = (zf * zn) / (zn - zf);
    out->_44 = 0.0f;
    return out;
}

Mat4* MatrixLookAtLH(Mat4* out, const Vec3* eye, const Vec3* at, const Vec3* up)
{
    const Vec3 e = *eye;
    Vec3 forward { at->x - e.x, at->y - e.y, at->z - e.z };
    Vec3Normalize(&forward, &forward);
    Vec3 right = Cross(*up, forward);
    Vec3 upward = Cross(forward, right);
    Vec3Normalize(&right, &right);
    Vec3Normalize(&upward, &upward);
    *out = { right.x, upward.x, forward.x, 0.0f, right.y, upward.y, forward.y, 0.0f, right.z,
        upward.z, forward.z, 0.0f, -Dot(right, e), -Dot(upward, e), -Dot(forward, e), 1.0f };
    return out;
}

Mat4* MatrixInverse(Mat4* out, float* determinant, const Mat4* m)
{
    const Rows a = ToRows(*m);
    // 2x2 minors of rows 0-1 (s) and rows 2-3 (c); the determinant and every
    // cofactor are sums of products of one of each (Laplace expansion).
    const float s0 = a.m[0][0] * a.m[1][1] - a.m[1][0] * a.m[0][1];
    const float s1 = a.m[0][0] * a.m[1][2] - a.m[1][0] * a.m[0][2];
    const float s2 = a.m[0][0] * a.m[1][3] - a.m[1][0] * a.m[0][3];
    const float s3 = a.m[0][1] * a.m[1][2] - a.m[1][1] * a.m[0][2];
    const float s4 = a.m[0][1] * a.m[1][3] - a.m[1][1] * a.m[0][3];
    const float s5 = a.m[0][2] * a.m[1][3] - a.m[1][2] * a.m[0][3];
    const float c5 = a.m[2][2] * a.m[3][3] - a.m[3][2] * a.m[2][3];
    const float c4 = a.m[2][1] * a.m[3][3] - a.m[3][1] * a.m[2][3];
    const float c3 = a.m[2][1] * a.m[3][2] - a.m[3][1] * a.m[2][2];
    const float c2 = a.m[2][0] * a.m[3][3] - a.m[3][0] * a.m[2][3];
    const float c1 = a.m[2][0] * a.m[3][2] - a.m[3][0] * a.m[2][2];
    const float c0 = a.m[2][0] * a.m[3][1] - a.m[3][0] * a.m[2][1];

    const float det = s0 * c5 - s1 * c4 + s2 * c3 + s3 * c2 - s4 * c1 + s5 * c0;
    if (det == 0.0f) {
        return nullptr;
    }
    if (determinant != nullptr) {
        *determinant = det;
    }
    const float k = 1.0f / det;

    Rows r;
    r.m[0][0] = (a.m[1][1] * c5 - a.m[1][2] * c4 + a.m[1][3] * c3) * k;
    r.m[0][1] = (-a.m[0][1] * c5 + a.m[0][2] * c4 - a.m[0][3] * c3) * k;
    r.m[0][2] = (a.m[3][1] * s5 - a.m[3][2] * s4 + a.m[3][3] * s3) * k;
    r.m[0][3] = (-a.m[2][1] * s5 + a.m[2][2] * s4 - a.m[2][3] * s3) * k;

    r.m[1][0] = (-a.m[1][0] * c5 + a.m[1][2] * c2 - a.m[1][3] * c1) * k;
    r.m[1][1] = (a.m[0][0] * c5 - a.m[0][2] * c2 + a.m[0][3] * c1) * k;
    r.m[1][2] = (-a.m[3][0] * s5 + a.m[3][2] * s2 - a.m[3][3] * s1) * k;
    r.m[1][3] = (a.m[2][0] * s5 - a.m[2][2] * s2 + a.m[2][3] * s1) * k;

    r.m[2][0] = (a.m[1][0] * c4 - a.m[1][1] * c2 + a.m[1][3] * c0) * k;
    r.m[2][1] = (-a.m[0][0] * c4 + a.m[0][1] * c2 - a.m[0][3] * c0) * k;
    r.m[2][2] = (a.m[3][0] * s4 - a.m[3][1] * s2 + a.m[3][3] * s0) * k;
    r.m[2][3] = (-a.m[2][0] * s4 + a.m[2][1] * s2 - a.m[2][3] * s0) * k;

    r.m[3][0] = (-a.m[1][0] * c3 + a.m[1][1] * c1 - a.m[1][2] * c0) * k;
    r.m[3][1] = (a.m[0][0] * c3 - a.m[0][1] * c1 + a.m[0][2] * c0) * k;
    r.m[3][2] = (-a.m[3][0] * s3 + a.m[3][1] * s1 - a.m[3][2] * s0) * k;
    r.m[3][3] = (a.m[2][0] * s3 - a.m[2][1] * s1 + a.m[2][2] * s0) * k;

    *out = ToMat4(r);
    return out;
}

Vec3* Vec3TransformCoord(Vec3* out, const Vec3* v, const Mat4* m)
{
    const Vec3 p = *v;
    const float w = m->_14 * p.x + m->_24 * p.y + m->_34 * p.z + m->_44;
    *out = { (m->_11 * p.x + m->_21 * p.y + m->_31 * p.z + m->_41) / w,
        (m->_12 * p.x + m->_22 * p.y + m->_32 * p.z + m->_42) / w,
        (m->_13 * p.x + m->_23 * p.y + m->_33 * p.z + m->_43) / w };
    return out;
}
