#include "geometry/picking.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "cube/cubie.h"
#include "geometry/camera.h"
#include "geometry/maths/matrix.h"
#include "geometry/maths/plane.h"

const std::int32_t FaceCorners[4][6] = {
    { 1, 0, 0, 5, 1, 3 },
    { 5, 1, 3, 4, 0, 2 },
    { 6, 2, 7, 7, 4, 6 },
    { 2, 3, 4, 6, 5, 7 },
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

Vec3 Minus(Vec3 a, Vec3 b)
{
    return { a.x - b.x, a.y - b.y, a.z - b.z };
}

// Maps projected x, y in -1..+1 onto pixel columns 0..640 and rows 480..0.
constexpr Mat4 viewport = { 320.0f, 0.0f, 0.0f, 0.0f, 0.0f, -240.0f, 0.0f, 0.0f, 0.0f, 0.0f, 1.0f,
    0.0f, 320.0f, 240.0f, 0.0f, 1.0f };

// How far outside a box the pick line may pass and still have the box's faces
// tested: far above the rounding of a hit point (about 1e-6 at the grid's
// scale), so skipping a box never drops a hit that PointInQuad would accept.
constexpr float cullMargin = 1.0e-3f;

// Slack of a face's boundary per unit of the eye's distance from the centre: 16 float epsilons.
constexpr float edgeSlackPerUnit = 16.0f * std::numeric_limits<float>::epsilon();

// The unbounded pick line origin + t * direction, ready for cheap tests of
// whether it passes near an axis-aligned box.
struct PickLine {
    float origin[3];
    float inverse[3];
    bool parallel[3];

    PickLine(Vec3 from, Vec3 direction)
        : origin { from.x, from.y, from.z }
    {
        const float d[3] = { direction.x, direction.y, direction.z };
        for (int a = 0; a < 3; ++a) {
            parallel[a] = std::fabs(d[a]) < 1.0e-12f;
            inverse[a] = parallel[a] ? 0.0f : 1.0f / d[a];
        }
    }

    // Whether the line comes within cullMargin of the box around the points.
    template <int N> bool PassesNear(const Vec3* const (&points)[N]) const
    {
        float lo[3] = { points[0]->x, points[0]->y, points[0]->z };
        float hi[3] = { lo[0], lo[1], lo[2] };
        for (int k = 1; k < N; ++k) {
            const float p[3] = { points[k]->x, points[k]->y, points[k]->z };
            for (int a = 0; a < 3; ++a) {
                lo[a] = std::min(lo[a], p[a]);
                hi[a] = std::max(hi[a], p[a]);
            }
        }
        float tMin = -std::numeric_limits<float>::infinity();
        float tMax = std::numeric_limits<float>::infinity();
        for (int a = 0; a < 3; ++a) {
            const float l = lo[a] - cullMargin;
            const float h = hi[a] + cullMargin;
            if (parallel[a]) {
                if (origin[a] < l || origin[a] > h) {
                    return false;
                }
                continue;
            }
            const float t0 = (l - origin[a]) * inverse[a];
            const float t1 = (h - origin[a]) * inverse[a];
            tMin = std::max(tMin, std::min(t0, t1));
            tMax = std::min(tMax, std::max(t0, t1));
        }
        // A NaN (a camera gone wrong) keeps the box: the exact tests decide.
        return !(tMin > tMax);
    }
};

// Whether face slot `face` of cell `cell` lies on the cube's surface rather than against a
// neighbouring cell. From outside, the ray always meets the surface first; an inner face can only
// tie with it where the ray enters on a line between two stickers, and must not win there: its
// normal would turn a different layer than the sticker under the cursor.
bool OnSurface(int cell, int face)
{
    const int x = cell % 3, z = (cell / 3) % 3, y = cell / 9;
    const bool onSide[faceCount] = { x == 2, y == 0, x == 0, y == 2, z == 0, z == 2 };
    return onSide[face];
}

// Whether the face turns towards the eye: the ray enters the cube through such a face, and a face
// turned away can only touch it on the silhouette, at a point a facing face shares.
bool FacesEye(const Vec3* const (&quad)[4], Vec3 eye)
{
    const Vec3 inward = Cross(Minus(*quad[2], *quad[1]), Minus(*quad[1], *quad[0]));
    return Dot(inward, Minus(eye, *quad[0])) < 0.0f;
}

// PointInQuad with the boundary widened by `slack` world units. A ray through an edge of the cube
// meets the two faces there at two separately rounded points, and both can land just outside
// their faces; the slack, far above that rounding and far below a pixel, lets at least one
// of them take the hit instead of a face deeper inside.
bool PointNearQuad(Vec3 p, const Vec3* const (&q)[4], float slack)
{
    const Vec3 e[4]
        = { Minus(*q[1], *q[0]), Minus(*q[2], *q[1]), Minus(*q[3], *q[2]), Minus(*q[0], *q[3]) };
    const Vec3 n = Cross(e[1], e[0]);
    const float nLength = std::sqrt(Dot(n, n));
    for (int k = 0; k < 4; ++k) {
        // s is the distance of p inside edge k, times |n| |e_k|.
        const float s = Dot(n, Cross(Minus(p, *q[k]), e[k]));
        if (!(s >= -slack * nLength * std::sqrt(Dot(e[k], e[k])))) {
            return false;
        }
    }
    return true;
}

} // namespace

bool PointInQuad(Vec3 p, Vec3 q0, Vec3 q1, Vec3 q2, Vec3 q3)
{
    const Vec3 q[4] = { q0, q1, q2, q3 };
    const Vec3 e[4] = { Minus(q1, q0), Minus(q2, q1), Minus(q3, q2), Minus(q0, q3) };
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
    const Vec3 pixel { static_cast<float>(screenPoint.x), static_cast<float>(screenPoint.y), 0.0f };
    Vec3 onNear;
    Vec3TransformCoord(&onNear, &pixel, &toWorld);

    // The surface faces that face the eye: at most 27 of the 162.
    Candidate hits[cellCount * faceCount];
    int hitCount = 0;
    const PickLine line(eye, Minus(onNear, eye));
    // Rounding grows with the size of the coordinates, and the eye's are the largest.
    const float slack = edgeSlackPerUnit * std::sqrt(Dot(eye, eye));
    for (int k = 0; k < cellCount; ++k) {
        const Cubie& box = cubies[k];
        const Vec3* const cell[8] = { &box.Corner(0), &box.Corner(1), &box.Corner(2),
            &box.Corner(3), &box.Corner(4), &box.Corner(5), &box.Corner(6), &box.Corner(7) };
        for (int f = 0; f < faceCount; ++f) {
            if (!OnSurface(k, f)) {
                continue;
            }
            const Vec3* const quad[4] = { cell[FaceCorners[0][f]], cell[FaceCorners[1][f]],
                cell[FaceCorners[2][f]], cell[FaceCorners[3][f]] };
            if (!FacesEye(quad, eye) || !line.PassesNear(quad)) {
                continue;
            }
            Plane plane;
            PlaneFromPoints(&plane, quad[0], quad[1], quad[2]);
            Vec3 h;
            if (PlaneIntersectLine(&h, &plane, &eye, &onNear) == nullptr) {
                continue;
            }
            if (PointNearQuad(h, quad, slack)) {
                hits[hitCount++] = { h, k, f };
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
    *out = { best, hits[bestIndex].cell, hits[bestIndex].face, hits[bestIndex].point };
    return out;
}
