#include "geometry/camera.h"

#include "cube/layer_turn.h"
#include "geometry/quaternion.h"

CameraState camera{};

namespace {

constexpr float fieldOfViewY = 1.0471976f;
constexpr float aspectRatio = 1.3333334f;
constexpr float nearPlane = 1.0f;
constexpr float farPlane = 100.0f;
// 320 pixels of drag make half a turn.
constexpr float radiansPerPixel = 0.009817477f;
constexpr float nearestDistance = 7.0f;
constexpr float farthestDistance = 30.0f;

void Rotate(Vec3& v, const Mat4& rotation) { Vec3TransformCoord(&v, &v, &rotation); }

} // namespace

void ResetCamera()
{
    const Vec3 direction{1.0f, 1.0f, 1.0f};
    const Vec3 up{-1.0f, 2.0f, -1.0f};
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
    return {camera.distance * camera.direction.x, camera.distance * camera.direction.y,
            camera.distance * camera.direction.z};
}

Mat4* BuildView(Mat4* out)
{
    const Vec3 eye = EyePosition();
    // One unit beyond the origin on the eye's line, so the view looks exactly
    // through the origin along -direction.
    const Vec3 away{-eye.x, -eye.y, -eye.z};
    Vec3 target;
    Vec3Normalize(&target, &away);
    return MatrixLookAtLH(out, &eye, &target, &camera.axisY);
}

void SetOrbitAnchor() { camera.orbitAnchor = ReadCursor(); }

void OrbitCamera()
{
    // Widened so that no pair of cursor positions can overflow the difference.
    const std::int64_t dx = std::int64_t{mousePos.x} - camera.orbitAnchor.x;
    const std::int64_t dy = std::int64_t{mousePos.y} - camera.orbitAnchor.y;
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
