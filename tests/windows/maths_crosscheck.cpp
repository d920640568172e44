// Holds the program's own maths (geometry/) against the real D3DX 9 (d3dx9_30) on one table of
// inputs. Both builds draw and pick with geometry/, so any sense, layout or rounding that differs
// from D3DX here would show as a different cube, camera or pick between Windows and Linux.
//
// A difference is counted in units in the last place of the result's own scale: the largest
// magnitude among the components of the D3DX result (at least 1), so that a component which is
// zero in one and 1e-8 in the other costs what it costs the picture, not 2^30 ulps.
#include <d3dx9.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <vector>

#include "geometry/maths/maths.h"

namespace {

struct Tally {
    const char* name;
    double limit; // largest ulp difference accepted
    double worst = 0.0;
    int cases = 0;
    int nullMismatches = 0;
};

double UlpAt(float scale)
{
    const float s = std::fmax(std::fabs(scale), 1.0f);
    return static_cast<double>(std::nextafter(s, INFINITY) - s);
}

void Compare(Tally& tally, const float* ours, const float* theirs, int count)
{
    float scale = 0.0f;
    for (int i = 0; i < count; ++i) {
        if (std::isfinite(theirs[i])) {
            scale = std::fmax(scale, std::fabs(theirs[i]));
        }
    }
    const double ulp = UlpAt(scale);
    for (int i = 0; i < count; ++i) {
        // A point in the eye's plane has w = 0: both must give the same infinity or NaN.
        if (!std::isfinite(ours[i]) || !std::isfinite(theirs[i])) {
            const bool same
                = (std::isnan(ours[i]) && std::isnan(theirs[i])) || ours[i] == theirs[i];
            if (!same) {
                tally.worst = 1e30;
            }
            continue;
        }
        const double d = std::fabs(static_cast<double>(ours[i]) - static_cast<double>(theirs[i]));
        const double ulps = d / ulp;
        if (ulps > tally.worst) {
            tally.worst = ulps;
        }
    }
    ++tally.cases;
}

// One result that is null in one library and not in the other is a disagreement of its own.
void CompareNull(Tally& tally, bool oursNull, bool theirsNull)
{
    if (oursNull != theirsNull) {
        ++tally.nullMismatches;
    }
}

const float* F(const Mat4& m)
{
    return &m._11;
}
const float* F(const D3DXMATRIX& m)
{
    return &m._11;
}
const float* F(const Vec3& v)
{
    return &v.x;
}
const float* F(const D3DXVECTOR3& v)
{
    return &v.x;
}

D3DXMATRIX ToD3DX(const Mat4& m)
{
    return D3DXMATRIX(&m._11);
}

D3DXVECTOR3 ToD3DX(const Vec3& v)
{
    return D3DXVECTOR3(v.x, v.y, v.z);
}

const float angles[]
    = { 0.0f, 0.1f, -0.5f, 1.0f, 1.5707964f, -0.7853982f, 3.0f, 3.1415927f, 10.0f, -7.3f, 0.0015f };

const Vec3 vectors[] = { { 0, 0, 0 }, { 1, 0, 0 }, { 0, 1, 0 }, { 0, 0, 1 }, { 1, 2, 3 },
    { -2, 3, 2 }, { 2, 3, -2 }, { 0.3f, -0.9f, 0.1f }, { 12.5f, -7.25f, 0.001f },
    { -1e-3f, 2e-3f, 5e-4f }, { 100.0f, 200.0f, -300.0f } };

// A spread of matrices the program makes: rotations, translations, their products, a camera
// and a projection, a scale.
std::vector<Mat4> MatrixTable()
{
    std::vector<Mat4> table;
    for (const float a : angles) {
        Mat4 x;
        Mat4 y;
        Mat4 z;
        Mat4 xy;
        Mat4 xyz;
        MatrixRotationX(&x, a);
        MatrixRotationY(&y, a * 0.7f);
        MatrixRotationZ(&z, -a * 1.3f);
        MatrixMultiply(&xy, &x, &y);
        MatrixMultiply(&xyz, &xy, &z);
        table.push_back(xyz);
        Mat4 t;
        MatrixTranslation(&t, a, -2.0f * a, 2.0f);
        Mat4 rt;
        MatrixMultiply(&rt, &xyz, &t);
        table.push_back(rt);
    }
    Mat4 view;
    const Vec3 eye { 6.9282f, 6.9282f, -6.9282f };
    const Vec3 at { 0, 0, 0 };
    const Vec3 up { 0, 1, 0 };
    MatrixLookAtLH(&view, &eye, &at, &up);
    table.push_back(view);
    Mat4 projection;
    MatrixPerspectiveFovLH(&projection, 0.7853982f, 640.0f / 480.0f, 1.0f, 100.0f);
    table.push_back(projection);
    Mat4 both;
    MatrixMultiply(&both, &view, &projection);
    table.push_back(both);
    Mat4 scale = {};
    scale._11 = 0.9f;
    scale._22 = 0.9f;
    scale._33 = -0.9f;
    scale._44 = 1.0f;
    table.push_back(scale);
    return table;
}

} // namespace

int main()
{
    Tally multiply { "MatrixMultiply", 2 };
    Tally multiplyInPlace { "MatrixMultiply (out = a)", 2 };
    Tally rotationX { "MatrixRotationX", 2 };
    Tally rotationY { "MatrixRotationY", 2 };
    Tally rotationZ { "MatrixRotationZ", 2 };
    Tally translation { "MatrixTranslation", 0 };
    Tally quaternionAxis { "QuaternionRotationAxis", 2 };
    Tally rotationQuaternion { "MatrixRotationQuaternion", 2 };
    Tally transformCoord { "Vec3TransformCoord", 4 };
    Tally normalize { "Vec3Normalize", 2 };
    Tally perspective { "MatrixPerspectiveFovLH", 2 };
    Tally lookAt { "MatrixLookAtLH", 4 };
    Tally inverse { "MatrixInverse", 8 };
    Tally planeFromPoints { "PlaneFromPoints", 4 };
    Tally planeIntersect { "PlaneIntersectLine", 8 };

    const std::vector<Mat4> matrices = MatrixTable();

    for (const float a : angles) {
        Mat4 ours;
        D3DXMATRIX theirs;
        MatrixRotationX(&ours, a);
        D3DXMatrixRotationX(&theirs, a);
        Compare(rotationX, F(ours), F(theirs), 16);
        MatrixRotationY(&ours, a);
        D3DXMatrixRotationY(&theirs, a);
        Compare(rotationY, F(ours), F(theirs), 16);
        MatrixRotationZ(&ours, a);
        D3DXMatrixRotationZ(&theirs, a);
        Compare(rotationZ, F(ours), F(theirs), 16);
        for (const Vec3& v : vectors) {
            MatrixTranslation(&ours, v.x * a, v.y, v.z - a);
            D3DXMatrixTranslation(&theirs, v.x * a, v.y, v.z - a);
            Compare(translation, F(ours), F(theirs), 16);

            if (v.x == 0 && v.y == 0 && v.z == 0) {
                continue; // no axis
            }
            Quat q;
            D3DXQUATERNION dq;
            D3DXVECTOR3 axis = ToD3DX(v);
            QuaternionRotationAxis(&q, &v, a);
            D3DXQuaternionRotationAxis(&dq, &axis, a);
            Compare(quaternionAxis, &q.x, &dq.x, 4);
            // From the same quaternion, so only the matrix construction is compared.
            MatrixRotationQuaternion(&ours, &q);
            D3DXQUATERNION same(q.x, q.y, q.z, q.w);
            D3DXMatrixRotationQuaternion(&theirs, &same);
            Compare(rotationQuaternion, F(ours), F(theirs), 16);
        }
    }

    for (const Mat4& a : matrices) {
        for (const Mat4& b : matrices) {
            Mat4 ours;
            D3DXMATRIX theirs;
            D3DXMATRIX da = ToD3DX(a);
            D3DXMATRIX db = ToD3DX(b);
            MatrixMultiply(&ours, &a, &b);
            D3DXMatrixMultiply(&theirs, &da, &db);
            Compare(multiply, F(ours), F(theirs), 16);
            Mat4 inPlace = a;
            MatrixMultiply(&inPlace, &inPlace, &b);
            D3DXMATRIX theirsInPlace = da;
            D3DXMatrixMultiply(&theirsInPlace, &theirsInPlace, &db);
            Compare(multiplyInPlace, F(inPlace), F(theirsInPlace), 16);
        }
        Mat4 ours;
        D3DXMATRIX theirs;
        D3DXMATRIX da = ToD3DX(a);
        const bool oursNull = MatrixInverse(&ours, nullptr, &a) == nullptr;
        const bool theirsNull = D3DXMatrixInverse(&theirs, nullptr, &da) == nullptr;
        CompareNull(inverse, oursNull, theirsNull);
        if (!oursNull && !theirsNull) {
            Compare(inverse, F(ours), F(theirs), 16);
        }
        for (const Vec3& v : vectors) {
            Vec3 out;
            D3DXVECTOR3 dout;
            D3DXVECTOR3 dv = ToD3DX(v);
            Vec3TransformCoord(&out, &v, &a);
            D3DXVec3TransformCoord(&dout, &dv, &da);
            Compare(transformCoord, F(out), F(dout), 3);
            Vec3 aliased = v; // out may be v: the camera transforms in place
            Vec3TransformCoord(&aliased, &aliased, &a);
            Compare(transformCoord, F(aliased), F(dout), 3);
        }
    }
    {
        // The singular matrix: both must refuse it.
        const Mat4 zero = {};
        Mat4 ours;
        D3DXMATRIX theirs;
        D3DXMATRIX dz = ToD3DX(zero);
        CompareNull(inverse, MatrixInverse(&ours, nullptr, &zero) == nullptr,
            D3DXMatrixInverse(&theirs, nullptr, &dz) == nullptr);
    }

    for (const Vec3& v : vectors) {
        Vec3 out;
        D3DXVECTOR3 dout;
        D3DXVECTOR3 dv = ToD3DX(v);
        Vec3Normalize(&out, &v);
        D3DXVec3Normalize(&dout, &dv);
        Compare(normalize, F(out), F(dout), 3);
    }

    const float fovs[] = { 0.7853982f, 0.5f, 1.2f };
    const float ranges[][2] = { { 1.0f, 100.0f }, { 0.1f, 50.0f }, { 3.0f, 33.0f } };
    for (const float fov : fovs) {
        for (const auto& range : ranges) {
            Mat4 ours;
            D3DXMATRIX theirs;
            MatrixPerspectiveFovLH(&ours, fov, 640.0f / 480.0f, range[0], range[1]);
            D3DXMatrixPerspectiveFovLH(&theirs, fov, 640.0f / 480.0f, range[0], range[1]);
            Compare(perspective, F(ours), F(theirs), 16);
        }
    }

    const Vec3 ups[] = { { 0, 1, 0 }, { 0.2f, 0.9f, -0.1f }, { 0, 0, 1 } };
    for (const Vec3& eye : vectors) {
        for (const Vec3& up : ups) {
            const Vec3 at { 0.5f, -0.25f, 0.0f };
            if (Distance(eye, at) < 0.5f) {
                continue; // no view direction
            }
            Mat4 ours;
            D3DXMATRIX theirs;
            D3DXVECTOR3 de = ToD3DX(eye);
            D3DXVECTOR3 da = ToD3DX(at);
            D3DXVECTOR3 du = ToD3DX(up);
            const Vec3 forward { at.x - eye.x, at.y - eye.y, at.z - eye.z };
            const Vec3 side = Cross(up, forward);
            if (Dot(side, side) < 1e-6f * Dot(forward, forward)) {
                continue; // up along the view: no frame
            }
            MatrixLookAtLH(&ours, &eye, &at, &up);
            D3DXMatrixLookAtLH(&theirs, &de, &da, &du);
            Compare(lookAt, F(ours), F(theirs), 16);
        }
    }

    // Planes through the corners of cell faces, and lines from the eye through pixels, as a
    // pick makes them; plus lines parallel to the plane.
    for (const Vec3& p1 : vectors) {
        for (const Vec3& p2 : vectors) {
            const Vec3 p3 { p1.x + 1.0f, p2.y - 2.0f, p1.z + p2.z + 0.5f };
            const Vec3 e1 { p2.x - p1.x, p2.y - p1.y, p2.z - p1.z };
            const Vec3 e2 { p3.x - p1.x, p3.y - p1.y, p3.z - p1.z };
            const Vec3 n = Cross(e1, e2);
            if (Dot(n, n) < 1e-4f) {
                continue; // no plane through points on one line
            }
            Plane plane;
            D3DXPLANE dplane;
            D3DXVECTOR3 d1 = ToD3DX(p1);
            D3DXVECTOR3 d2 = ToD3DX(p2);
            D3DXVECTOR3 d3 = ToD3DX(p3);
            PlaneFromPoints(&plane, &p1, &p2, &p3);
            D3DXPlaneFromPoints(&dplane, &d1, &d2, &d3);
            Compare(planeFromPoints, &plane.a, &dplane.a, 4);

            D3DXPLANE same(plane.a, plane.b, plane.c, plane.d);
            for (const Vec3& q : vectors) {
                const Vec3 q2 { q.x + 0.5f, q.y - 1.5f, q.z + 3.0f };
                Vec3 hit;
                D3DXVECTOR3 dhit;
                D3DXVECTOR3 dq = ToD3DX(q);
                D3DXVECTOR3 dq2 = ToD3DX(q2);
                const bool oursNull = PlaneIntersectLine(&hit, &plane, &q, &q2) == nullptr;
                const bool theirsNull = D3DXPlaneIntersectLine(&dhit, &same, &dq, &dq2) == nullptr;
                CompareNull(planeIntersect, oursNull, theirsNull);
                if (!oursNull && !theirsNull) {
                    Compare(planeIntersect, F(hit), F(dhit), 3);
                }
            }
        }
    }
    {
        // A line parallel to a cell face's plane: no point, in both.
        const Vec3 p1 { 0, 1, 0 }, p2 { 1, 1, 0 }, p3 { 0, 1, 1 };
        const Vec3 q1 { 0, 2, 0 }, q2 { 3, 2, 5 };
        D3DXVECTOR3 d1 = ToD3DX(p1), d2 = ToD3DX(p2), d3 = ToD3DX(p3);
        D3DXVECTOR3 e1 = ToD3DX(q1), e2 = ToD3DX(q2);
        Plane plane;
        D3DXPLANE dplane;
        Vec3 hit;
        D3DXVECTOR3 dhit;
        PlaneFromPoints(&plane, &p1, &p2, &p3);
        D3DXPlaneFromPoints(&dplane, &d1, &d2, &d3);
        CompareNull(planeIntersect, PlaneIntersectLine(&hit, &plane, &q1, &q2) == nullptr, true);
        CompareNull(
            planeIntersect, false, D3DXPlaneIntersectLine(&dhit, &dplane, &e1, &e2) != nullptr);
    }

    const Tally* all[] = { &multiply, &multiplyInPlace, &rotationX, &rotationY, &rotationZ,
        &translation, &quaternionAxis, &rotationQuaternion, &transformCoord, &normalize,
        &perspective, &lookAt, &inverse, &planeFromPoints, &planeIntersect };
    bool agree = true;
    std::printf("%-28s %6s %10s %6s %s\n", "operation", "cases", "worst ulp", "limit", "");
    for (const Tally* t : all) {
        const bool ok = t->worst <= t->limit && t->nullMismatches == 0 && t->cases > 0;
        agree = agree && ok;
        std::printf("%-28s %6d %10.2f %6.0f %s", t->name, t->cases, t->worst, t->limit,
            ok ? "ok" : "DISAGREES");
        if (t->nullMismatches != 0) {
            std::printf(" (%d null results differ)", t->nullMismatches);
        }
        std::printf("\n");
    }
    return agree ? 0 : 1;
}
