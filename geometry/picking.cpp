#include "geometry/picking.h"

#include "cube/cubie.h"
#include "geometry/camera.h"
#include "geometry/matrix.h"
#include "geometry/plane.h"

const std::int32_t FaceCorners[4][6] = {
    {1, 0, 0, 5, 1, 3},
    {5, 1, 3, 4, 0, 2},
    {6, 2, 7, 7, 4, 6},
    {2, 3, 4, 6, 5, 7},
};

namespace {

constexpr int cellCount = 27;
constexpr int faceCount = 6;

// Far beyond any reachable distance (the eye stays within 30 of the centre),
// so the first hit always replaces it.
constexpr float noHitYet = 99999.99f;

struct Candidate {
    Vec3 point;
    std::int32_t cell;
    std::int32_t face;
};

Vec3 Minus(Vec3 a, Vec3 b) { return {a.x - b.x, a.y - b.y, a.z - b.z}; }

// Maps projected x, y in -1..+1 onto pixel columns 0..640 and rows 480..0.
constexpr Mat4 viewport = {320.0f, 0.0f,    0.0f, 0.0f,
                           0.0f,   -240.0f, 0.0f, 0.0f,
                           0.0f,   0.0f,    1.0f, 0.0f,
                           320.0f, 240.0f,  0.0f, 1.0f};

} // namespace

bool PointInQuad(Vec3 p, Vec3 q0, Vec3 q1, Vec3 q2, Vec3 q3)
{
    const Vec3 q[4] = {q0, q1, q2, q3};
    const Vec3 e[4] = {Minus(q1, q0), Minus(q2, q1), Minus(q3, q2), Minus(q0, q3)};
    const Vec3 n = Cross(e[1], e[0]);
    for (int k = 0; k < 4; ++k) {
        const float s = Dot(n, Cross(Minus(p, q[k]), e[k]));
        if (!(s >= 0.0f)) {
            return false;
        }
    }
    return true;
}

PickHit* Pick(PickHit* out, CursorPos screenPoint)
{
    const Vec3 eye = EyePosition();
    Mat4 view, projection, toScreen, toWorld;
    BuildView(&view);
    BuildProjection(&projection);
    MatrixMultiply(&toScreen, &view, &projection);
    MatrixMultiply(&toScreen, &toScreen, &viewport);
    // Only a camera that was never reset is singular; it sees nothing.
    if (MatrixInverse(&toWorld, nullptr, &toScreen) == nullptr) {
        return nullptr;
    }
    // Depth 0 is the near plane: the world point under the pixel there.
    const Vec3 pixel{static_cast<float>(screenPoint.x), static_cast<float>(screenPoint.y), 0.0f};
    Vec3 onNear;
    Vec3TransformCoord(&onNear, &pixel, &toWorld);

    // Every face of every cell, the inner shared ones included: at most 162.
    Candidate hits[cellCount * faceCount];
    int hitCount = 0;
    for (int k = 0; k < cellCount; ++k) {
        const Cubie& box = cubies[k];
        for (int f = 0; f < faceCount; ++f) {
            const Vec3& c0 = box.Corner(FaceCorners[0][f]);
            const Vec3& c1 = box.Corner(FaceCorners[1][f]);
            const Vec3& c2 = box.Corner(FaceCorners[2][f]);
            const Vec3& c3 = box.Corner(FaceCorners[3][f]);
            Plane plane;
            PlaneFromPoints(&plane, &c0, &c1, &c2);
            Vec3 h;
            if (PlaneIntersectLine(&h, &plane, &eye, &onNear) == nullptr) {
                continue;
            }
            if (PointInQuad(h, c0, c1, c2, c3)) {
                hits[hitCount++] = {h, k, f};
            }
        }
    }
    if (hitCount == 0) {
        return nullptr;
    }

    // Exact distances, so the first face the ray meets - the one the user
    // sees - wins; the comparison is strict, so of equal ones the first listed.
    float best = noHitYet;
    int bestIndex = 0;
    for (int i = 0; i < hitCount; ++i) {
        const float d = Distance(hits[i].point, eye);
        if (best > d) {
            best = d;
            bestIndex = i;
        }
    }
    *out = {best, hits[bestIndex].cell, hits[bestIndex].face, hits[bestIndex].point};
    return out;
}
