#pragma once

#include <cstdint>

#include "geometry/cursor.h"
#include "geometry/maths/matrix.h"
#include "geometry/maths/vec3.h"

// The one camera. It looks through the origin from distance * direction;
// direction, axisY (the view's up) and rightAxis (its screen right) start as an
// orthonormal frame and are only ever rotated; once rounding has let them drift
// measurably (1e-5) from orthonormal, the orbit makes them orthonormal again.
struct CameraState {
    Vec3 direction; // unit, origin towards the eye
    Vec3 axisY; // unit up vector of the view
    Vec3 rightAxis; // axis of the pitch rotation (vertical drags)
    Vec3 yawAxis; // axis of the yaw rotation (horizontal drags)
    float distance; // whole number 7..30
    CursorPos orbitAnchor; // cursor at the last right press or orbit step
};

extern CameraState camera;

// Start pose: direction normalize(1, 1, 1), axisY normalize(-1, 2, -1),
// rightAxis = normalize(direction x axisY), yawAxis = axisY, distance 12.
// Also stops any turn and switches shuffling off; the anchor is kept.
void ResetCamera();
// The fixed projection: 60 degree vertical field, aspect 4:3, near 1, far 100.
Mat4* BuildProjection(Mat4* out);
// Look-at from EyePosition through the origin with up = axisY.
Mat4* BuildView(Mat4* out);
// distance * direction.
Vec3 EyePosition();
// orbitAnchor := ReadCursor().
void SetOrbitAnchor();
// One rotation per mouse move, from mousePos - orbitAnchor at pi/320 radians
// per pixel: yaw about yawAxis when |dx| > |dy|, else pitch about rightAxis.
// The anchor then moves to the cursor, so the smaller component is dropped.
void OrbitCamera();
// One step per wheel message: nearer (min 7) for delta < 0, else farther (max 30).
void ZoomCamera(std::int16_t delta);
