// A long right-button orbit through the camera's own entry points, the cursor coming from the
// cursor seam as the window procedure would read it: the camera's frame must stay orthonormal,
// or the eye drifts away from the cube and the up vector tilts off the line of sight.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>
#include <string>

#include "geometry/camera.h"
#include "geometry/cursor.h"
#include "tests/soak/soak_counts.h"

namespace {

CursorPos cursor = { 0, 0 };

CursorPos SoakCursor()
{
    return cursor;
}

double Length(const Vec3& v)
{
    return std::sqrt(double(v.x) * v.x + double(v.y) * v.y + double(v.z) * v.z);
}

double PreciseDot(const Vec3& a, const Vec3& b)
{
    return double(a.x) * b.x + double(a.y) * b.y + double(a.z) * b.z;
}

struct FrameDrift {
    double length = 0; // largest | |v| - 1 | of the four vectors
    double perpendicular = 0; // largest |cos| between direction, axisY and rightAxis
    double yawFromUp = 0; // |yawAxis - axisY|
};

FrameDrift Measure()
{
    FrameDrift d;
    for (const Vec3* v : { &camera.direction, &camera.axisY, &camera.rightAxis, &camera.yawAxis }) {
        d.length = std::fmax(d.length, std::fabs(Length(*v) - 1.0));
    }
    d.perpendicular = std::fmax(std::fabs(PreciseDot(camera.direction, camera.axisY)),
        std::fmax(std::fabs(PreciseDot(camera.direction, camera.rightAxis)),
            std::fabs(PreciseDot(camera.axisY, camera.rightAxis))));
    const Vec3 gap = { camera.yawAxis.x - camera.axisY.x, camera.yawAxis.y - camera.axisY.y,
        camera.yawAxis.z - camera.axisY.z };
    d.yawFromUp = Length(gap);
    return d;
}

void Worst(FrameDrift& worst, const FrameDrift& now)
{
    worst.length = std::fmax(worst.length, now.length);
    worst.perpendicular = std::fmax(worst.perpendicular, now.perpendicular);
    worst.yawFromUp = std::fmax(worst.yawFromUp, now.yawFromUp);
}

// One mouse message with the right button held: the window procedure refreshes mousePos from the
// cursor, then orbits.
void MoveTo(int x, int y)
{
    cursor = { x, y };
    mousePos = ReadCursor();
    OrbitCamera();
}

class CameraOrbitSoak : public ::testing::Test {
protected:
    void SetUp() override
    {
        SetCursorReader(SoakCursor);
        ResetCamera();
        cursor = { 320, 240 };
        SetOrbitAnchor();
    }
    void TearDown() override { SetCursorReader(nullptr); }

    void Report(const char* pattern, std::int64_t steps, const FrameDrift& worst)
    {
        const std::string p = pattern;
        ReportFigure((p + "_orbit_steps").c_str(), static_cast<double>(steps));
        ReportFigure((p + "_length_drift").c_str(), worst.length);
        ReportFigure((p + "_perpendicular_drift").c_str(), worst.perpendicular);
        ReportFigure((p + "_yaw_axis_from_up").c_str(), worst.yawFromUp);
        EXPECT_LT(worst.length, 1e-4) << "the eye's distance drifts";
        EXPECT_LT(worst.perpendicular, 1e-4) << "the up vector tilts off the view";
        EXPECT_LT(worst.yawFromUp, 1e-4) << "yaw drags turn about a tilted axis";
    }
};

TEST_F(CameraOrbitSoak, slow_horizontal_sweeps_keep_the_frame_orthonormal)
{
    // The slowest drag there is, one pixel a message, back and forth across the view: every step
    // is a small yaw, whose rounding adds up in one direction.
    const std::int64_t steps = SoakCount(200000, 1000000);
    FrameDrift worst;
    int x = 320;
    for (std::int64_t i = 0; i < steps; ++i) {
        x += (i / 600) % 2 == 0 ? 1 : -1;
        MoveTo(x, 240);
        if (i % 64 == 0) {
            Worst(worst, Measure());
        }
    }
    Worst(worst, Measure());
    Report("sweep", steps, worst);
}

TEST_F(CameraOrbitSoak, random_drags_keep_the_frame_orthonormal)
{
    const std::int64_t steps = SoakCount(200000, 1000000);
    std::mt19937 random(7);
    FrameDrift worst;
    int x = 320, y = 240;
    for (std::int64_t i = 0; i < steps; ++i) {
        x = std::clamp(x + static_cast<int>(random() % 41) - 20, -100, 740);
        y = std::clamp(y + static_cast<int>(random() % 41) - 20, -100, 580);
        MoveTo(x, y);
        if (i % 64 == 0) {
            Worst(worst, Measure());
        }
    }
    Worst(worst, Measure());
    Report("random", steps, worst);
}

TEST_F(CameraOrbitSoak, whole_turns_bring_the_eye_back)
{
    // 640 pixels of horizontal drag are one whole turn about the up axis, in steps of 4 pixels;
    // after a hundred turns the eye is where it started.
    const Vec3 start = camera.direction;
    int x = 320;
    for (int step = 0; step < 100 * 160; ++step) {
        x += 4;
        MoveTo(x, 240);
    }
    EXPECT_NEAR(camera.direction.x, start.x, 1e-3);
    EXPECT_NEAR(camera.direction.y, start.y, 1e-3);
    EXPECT_NEAR(camera.direction.z, start.z, 1e-3);
}

} // namespace
