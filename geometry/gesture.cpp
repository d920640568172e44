#include "geometry/gesture.h"

#include "cube/cubie.h"
#include "cube/layer_turn.h"

PickHit pressHit {};
CursorPos pressPos { 0, 0 };
CursorPos releasePos { 0, 0 };

namespace {

// Whether the next release may start a turn. Without it a drag that begins
// off the cube (or while a turn runs) would turn a layer through the cell of
// some older, unrelated press.
bool pressArmed = false;

// More than this, squared, in pixels: a drag, not a click.
constexpr std::int64_t clickRadiusSquared = 20;

// Truncation toward zero that is defined for every float: a NaN counts as 0,
// and magnitudes are capped where their squares still fit an int32.
std::int32_t Truncate(float value)
{
    constexpr float limit = 46340.0f;
    if (!(value == value)) {
        return 0;
    }
    if (value > limit) {
        return static_cast<std::int32_t>(limit);
    }
    if (value < -limit) {
        return -static_cast<std::int32_t>(limit);
    }
    return static_cast<std::int32_t>(value);
}

bool TurnRunning()
{
    return turnState.remainingFrames > 0;
}

} // namespace

void BeginGesture()
{
    if (shuffling != 0) {
        shuffling = 0;
    }
    if (TurnRunning()) {
        pressArmed = false;
        return;
    }
    pressPos = ReadCursor();
    pressArmed = Pick(&pressHit, pressPos) != nullptr;
}

void DisarmGesture()
{
    pressArmed = false;
}

void EndGesture()
{
    const bool armed = pressArmed;
    pressArmed = false;
    if (TurnRunning()) {
        return;
    }
    releasePos = ReadCursor();
    if (!armed) {
        return;
    }
    PickHit releaseHit;
    if (Pick(&releaseHit, releasePos) == nullptr) {
        return;
    }
    const std::int64_t dx = std::int64_t { pressPos.x } - releasePos.x;
    const std::int64_t dy = std::int64_t { pressPos.y } - releasePos.y;
    if (dx * dx + dy * dy <= clickRadiusSquared) {
        return;
    }
    const std::int32_t code
        = ChooseTurnAxis(pressHit.point, releaseHit.point, pressHit.cell, pressHit.face);
    StartUserTurn(code, pressHit.cell);
}

std::int32_t ChooseTurnAxis(Vec3 p, Vec3 r, std::int32_t cell, std::int32_t face)
{
    const Cubie& box = cubies[cell];
    const Vec3 c0 = box.Corner(FaceCorners[0][face]);
    const Vec3 c1 = box.Corner(FaceCorners[1][face]);
    const Vec3 c2 = box.Corner(FaceCorners[2][face]);
    const Vec3 drag { r.x - p.x, r.y - p.y, r.z - p.z };
    const Vec3 e0 { c1.x - c0.x, c1.y - c0.y, c1.z - c0.z };
    const Vec3 e1 { c2.x - c1.x, c2.y - c1.y, c2.z - c1.z };
    const Vec3 inward = Cross(e1, e0);
    // The axis about which the pressed face turns for its sticker to follow the drag.
    const Vec3 a = Cross(inward, drag);

    const std::int32_t ax = Truncate(Dot(a, { 1.0f, 0.0f, 0.0f }));
    const std::int32_t ay = Truncate(Dot(a, { 0.0f, 1.0f, 0.0f }));
    const std::int32_t az = Truncate(Dot(a, { 0.0f, 0.0f, 1.0f }));
    const std::int32_t sx = ax * ax, sy = ay * ay, sz = az * az;

    std::int32_t axis, component;
    if (sy > sx) {
        if (sy >= sz) {
            axis = 2, component = ay;
        } else {
            axis = 3, component = az;
        }
    } else if (sx >= sz) {
        axis = 1, component = ax;
    } else {
        axis = 3, component = az;
    }
    return component < 0 ? -axis : axis;
}
