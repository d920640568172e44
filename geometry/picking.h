#pragma once

#include <cstdint>

#include "geometry/cursor.h"
#include "geometry/maths/vec3.h"

// What lies under a pixel: the nearest face of the fixed cell grid that the
// eye's ray through the pixel meets. The grid is the corner boxes of cubies,
// which never move, so a half-turned layer is picked as if at rest.
struct PickHit {
    float distance; // from the eye to point, exact (not rounded)
    std::int32_t cell; // 0..26
    std::int32_t face; // face slot 0..5: +X, +Y, -X, -Y, +Z, -Z
    Vec3 point; // world coordinates
};

// Corner numbers bounding each face slot, in outline order: FaceCorners[k][slot]
// is the k-th corner of that face. The first three give the face's inward
// normal as (c2 - c1) x (c1 - c0).
extern const std::int32_t FaceCorners[4][6];

// Picks at a pixel of the 640x480 view: the nearest of the cube's surface faces
// that turn towards the eye and that the ray meets, each face's boundary widened
// by a rounding slack so that a ray through an edge of the cube always takes one
// of the two faces there. On a hit fills *out and returns out; on a miss returns
// null and leaves *out untouched. Of hits at equal distance the lower cell
// index, then the lower face slot, wins.
PickHit* Pick(PickHit* out, CursorPos screenPoint);

// Whether p, a point in the quad's plane, lies inside q0 q1 q2 q3 or on its
// boundary, for either winding; a NaN anywhere counts as outside.
bool PointInQuad(Vec3 p, Vec3 q0, Vec3 q1, Vec3 q2, Vec3 q3);
