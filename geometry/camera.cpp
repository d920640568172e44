#include "geometry/camera.h"

#include <cmath>

#include "cube/layer_turn.h"
#include "geometry/maths/quaternion.h"

CameraState camera {};

namespace {

constexpr float fieldOfViewY = 1.0471976f;
constexpr float aspectRatio = 1.3333334f;
constexpr float nearPlane = 1.0f;
constexpr float farPlane = 100.0f;
// 320 pixels of drag make half a turn.
constexpr float radiansPerPixel = 0.009817477f;
constexpr float nearestDistance = 7.0f;
constexpr float farthestDistance = 30.0f;

void Rotate(Vec3& v, const Mat4& rotation)
{
    Vec3TransformCoord(&v, &v, &rotation);
}

// Each rotation rounds the four vectors a little, and the error adds up steadily rather than
// cancelling: a long horizontal drag lengthens them by about 2e-8 per mouse message, so after an
// hour of orbiting the eye stands visibly farther out. Once the frame has drifted past this bound
// (far below anything visible, and far above the rounding of a fresh frame, so that ordinary
// orbits are untouched) it is made orthonormal again with its directions kept.
constexpr float frameDriftBound = 1e-5f;

float FrameDrift()
{
    const Vec3& d = camera.direction;
    const float drifts[]
        = { std::fabs(Dot(d, d) - 1.0f), std::fabs(Dot(camera.axisY, camera.axisY) - 1.0f),
              std::fabs(Dot(camera.rightAxis, camera.rightAxis) - 1.0f),
              std::fabs(Dot(camera.yawAxis, camera.yawAxis) - 1.0f),
              std::fabs(Dot(d, camera.axisY)), std::fabs(Dot(d, camera.rightAxis)),
              std::fabs(Dot(camera.axisY, camera.rightAxis)), std::fabs(Dot(d, camera.yawAxis)) };
    float largest = 0.0f;
    for (float drift : drifts) {
        largest = std::fmax(largest, drift);
    }
    return largest;
}

// v without its component along the unit vector d, at unit length.
void Perpendicular(Vec3& v, const Vec3& d)
{
    const float along = Dot(v, d);
    const Vec3 rest { v.x - along * d.x, v.y - along * d.y, v.z - along * d.z };
    Vec3Normalize(&v, &rest);
}

// direction keeps its line and axisY its plane with it; yawAxis, which only rounding separates
// from axisY, and rightAxis are remade as at the reset, so neither rotation sense nor the view
// changes.
void Reorthonormalise()
{
    const Vec3 direction = camera.direction;
    Vec3Normalize(&camera.direction, &direction);
    Perpendicular(camera.axisY, camera.direction);
    camera.yawAxis = camera.axisY;
    const Vec3 right = Cross(camera.direction, camera.axisY);
    Vec3Normalize(&camera.rightAxis, &right);
}

} // namespace

void ResetCamera()
{
    const Vec3 direction { 1.0f, 1.0f, 1.0f };
    const Vec3 up { -1.0f, 2.0f, -1.0f };
    Vec3Normalize(&camera.direction, &direction);
    Vec3Normalize(&camera.axisY, &up);
    const Vec3 right = Cross(camera.direction, camera.axisY);
    Vec3Normalize(&camera.rightAxis, &right);
    camera.yawAxis = camera.axisY;
    camera.distance = 12.0f;
    StopTurn();
}

Mat4* BuildProjection(Mat4* out)
{
    return MatrixPerspectiveFovLH(out, fieldOfViewY, aspectRatio, nearPlane, farPlane);
}

Vec3 EyePosition()
{
    return { camera.distance * camera.direction.x, camera.distance * camera.direction.y,
        camera.distance * camera.direction.z };
}

Mat4* BuildView(Mat4* out)
{
    const Vec3 eye = EyePosition();
    // One unit beyond the origin on the eye's line, so the view looks exactly
    // through the origin along -direction.
    const Vec3 away { -eye.x, -eye.y, -eye.z };
    Vec3 target;
    Vec3Normalize(&target, &away);
    return MatrixLookAtLH(out, &eye, &target, &camera.axisY);
}

void SetOrbitAnchor()
{
    camera.orbitAnchor = ReadCursor();
}

void OrbitCamera()
{
    // Widened so that no pair of cursor positions can overflow the difference.
    const std::int64_t dx = std::int64_t { mousePos.x } - camera.orbitAnchor.x;
    const std::int64_t dy = std::int64_t { mousePos.y } - camera.orbitAnchor.y;
    const float pitch = static_cast<float>(dy) * radiansPerPixel;
    const float yaw = static_cast<float>(dx) * radiansPerPixel;

    Quat qPitch, qYaw;
    QuaternionRotationAxis(&qPitch, &camera.rightAxis, pitch);
    QuaternionRotationAxis(&qYaw, &camera.yawAxis, yaw);
    Mat4 mPitch, mYaw;
    MatrixRotationQuaternion(&mPitch, &qPitch);
    MatrixRotationQuaternion(&mYaw, &qYaw);

    if (yaw * yaw > pitch * pitch) {
        Rotate(camera.axisY, mYaw);
        Rotate(camera.direction, mYaw);
        Rotate(camera.rightAxis, mYaw);
    } else {
        Rotate(camera.axisY, mPitch);
        Rotate(camera.direction, mPitch);
        Rotate(camera.yawAxis, mPitch);
    }
    if (FrameDrift() > frameDriftBound) {
        Reorthonormalise();
    }
    SetOrbitAnchor();
}

void ZoomCamera(std::int16_t delta)
{
    if (delta < 0) {
        camera.distance -= 1.0f;
        if (camera.distance < nearestDistance) {
            camera.distance = nearestDistance;
        }
    } else {
        camera.distance += 1.0f;
        if (camera.distance > farthestDistance) {
            camera.distance = farthestDistance;
        }
    }
}
