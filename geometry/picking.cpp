#include "geometry/picking.h"

#include <algorithm>
#include <array>
#include <bit>
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

// How far outside a face the pick line may pass and still have the face tested
// exactly: far above the rounding of a hit point and the boundary's slack, so
// skipping a face never drops a hit that the exact test would accept.
constexpr float cullMargin = 1.0e-3f;

// Slack of a face's boundary per unit of the eye's distance from the centre: 16 float epsilons.
constexpr float edgeSlackPerUnit = 16.0f * std::numeric_limits<float>::epsilon();

// The axis that each face slot's normal lies along: +X, +Y, -X, -Y, +Z, -Z.
constexpr int faceAxis[6] = { 0, 1, 0, 1, 2, 2 };

// The unbounded pick line origin + t * direction, ready for a cheap test of
// whether it passes near an axis-aligned face.
struct PickLine {
    float origin[3];
    float direction[3];
    float inverse[3];
    bool parallel[3];

    PickLine(Vec3 from, Vec3 towards)
        : origin { from.x, from.y, from.z }
        , direction { towards.x, towards.y, towards.z }
    {
        for (int a = 0; a < 3; ++a) {
            parallel[a] = std::fabs(direction[a]) < 1.0e-12f;
            inverse[a] = parallel[a] ? 0.0f : 1.0f / direction[a];
        }
    }

    // Whether the line meets the plane of a face across `axis` within cullMargin of the face,
    // given two opposite corners of it. A line along the plane meets it nowhere near, and a NaN
    // (a camera gone wrong) nowhere at all.
    bool PassesNear(int axis, const Vec3& corner, const Vec3& opposite) const
    {
        if (parallel[axis]) {
            return false;
        }
        const float c[3] = { corner.x, corner.y, corner.z };
        const float o[3] = { opposite.x, opposite.y, opposite.z };
        const float t = (c[axis] - origin[axis]) * inverse[axis];
        for (int b : { (axis + 1) % 3, (axis + 2) % 3 }) {
            const float at = origin[b] + t * direction[b];
            if (!(at >= std::min(c[b], o[b]) - cullMargin
                    && at <= std::max(c[b], o[b]) + cullMargin)) {
                return false;
            }
        }
        return true;
    }
};

// For each cell, one bit per face slot that lies on the cube's surface rather than against a
// neighbouring cell. From outside, the ray always meets the surface first; an inner face can only
// tie with it where the ray enters on a line between two stickers, and must not win there: its
// normal would turn a different layer than the sticker under the cursor.
constexpr std::array<unsigned, cellCount> surfaceFaces = [] {
    std::array<unsigned, cellCount> masks {};
    for (int cell = 0; cell < cellCount; ++cell) {
        const int x = cell % 3, z = (cell / 3) % 3, y = cell / 9;
        const bool onSide[faceCount] = { x == 2, y == 0, x == 0, y == 2, z == 0, z == 2 };
        for (int face = 0; face < faceCount; ++face) {
            masks[cell] |= onSide[face] ? 1u << face : 0u;
        }
    }
    return masks;
}();

// Whether face slot `face`, through corner c, turns towards the eye: the ray enters the cube
// through such a face, and a face turned away can only touch it on the silhouette, at a point a
// facing face shares. Slots 0..5 face +X, +Y, -X, -Y, +Z, -Z.
bool FacesEye(int face, const Vec3& c, const Vec3& eye)
{
    switch (face) {
    case 0: return eye.x > c.x;
    case 1: return eye.y > c.y;
    case 2: return eye.x < c.x;
    case 3: return eye.y < c.y;
    case 4: return eye.z > c.z;
    default: return eye.z < c.z;
    }
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
        // Only the surface faces, in slot order, so that ties keep going to the lower slot.
        for (unsigned faces = surfaceFaces[k]; faces != 0; faces &= faces - 1) {
            const int f = std::countr_zero(faces);
            const Vec3* const quad[4]
                = { &box.Corner(FaceCorners[0][f]), &box.Corner(FaceCorners[1][f]),
                      &box.Corner(FaceCorners[2][f]), &box.Corner(FaceCorners[3][f]) };
            if (!FacesEye(f, *quad[0], eye) || !line.PassesNear(faceAxis[f], *quad[0], *quad[2])) {
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
