// Display-mode switches over and over, each releasing the whole device and creating it again
// from the embedded resources, as F1 does: the process must not grow, and every new device must
// draw. Under LeakSanitizer (the asan build) anything a release forgets is reported at exit.
#include <gtest/gtest.h>

#include <fstream>
#include <unistd.h>

#include "cube/cubie.h"
#include "geometry/camera.h"
#include "platform/d3d9/display_hooks.h"
#include "platform/d3d9/fault_injection.h"
#include "platform/win32/message_box_hook.h"
#include "render/device.h"
#include "render/frame.h"
#include "render/view_flags.h"
#include "tests/soak/soak_counts.h"

namespace {

// Resident set size in bytes, from /proc/self/statm.
double ResidentBytes()
{
    std::ifstream statm("/proc/self/statm");
    long totalPages = 0, residentPages = 0;
    statm >> totalPages >> residentPages;
    return static_cast<double>(residentPages) * static_cast<double>(sysconf(_SC_PAGESIZE));
}

TEST(DeviceModeSoak, mode_switches_recreate_the_device_without_growing_the_process)
{
    const std::int64_t switches = SoakCount(100, 10000);
    int boxes = 0;
    int presents = 0;
    softd3d::faults::ClearAll();
    platform::SetMessageBoxObserver([&boxes](const platform::MessageBoxCall&) {
        ++boxes;
        return IDOK;
    });
    softd3d::SetDisplayHooks({ [&presents](const softd3d::PresentedFrame&) { ++presents; }, {} });
    ResetCamera();
    ResetCube();
    windowed = 1;
    ASSERT_EQ(SetUpDevice(nullptr), 1);

    const auto switchMode = [] {
        windowed = windowed == 0 ? 1 : 0;
        ResetDeviceForModeChange();
        ReleaseDevice();
        return SetUpDevice(nullptr);
    };
    // Caches of the allocator and the font machinery fill during the first switches.
    for (int i = 0; i < 20; ++i) {
        ASSERT_EQ(switchMode(), 1);
    }
    RenderFrame(nullptr);
    const double before = ResidentBytes();
    int drawn = 0;
    for (std::int64_t i = 0; i < switches; ++i) {
        ASSERT_EQ(switchMode(), 1) << "switch " << i;
        if (i % 50 == 0) {
            const int shown = presents;
            RenderFrame(nullptr);
            ASSERT_EQ(presents, shown + 1) << "the device made by switch " << i << " draws";
            ++drawn;
        }
    }
    const double after = ResidentBytes();
    ReleaseDevice();
    windowed = 1;
    softd3d::SetDisplayHooks({});
    platform::SetMessageBoxObserver({});

    EXPECT_EQ(boxes, 0);
    ReportFigure("mode_switches", static_cast<double>(switches));
    ReportFigure("frames_drawn_between", drawn);
    ReportFigure("resident_mb_before", before / (1 << 20));
    ReportFigure("resident_mb_after", after / (1 << 20));
    // A device with its textures and mesh is about a megabyte; a leak of one per switch would
    // add hundreds of them even at the suite's count. AddressSanitizer holds freed blocks back in
    // its quarantine, so there the process grows anyway, and LeakSanitizer does the checking.
#if !defined(__SANITIZE_ADDRESS__)
    EXPECT_LT(after - before, 4.0 * (1 << 20));
#endif
}

} // namespace
