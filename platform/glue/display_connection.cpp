#include "platform/glue/display_connection.h"

#include <cstdio>
#include <cstdlib>
#include <ctime>

#include "platform/d3d9/display_hooks.h"
#include "platform/win32/window_display.h"

namespace platform {

namespace {

// For measuring start-up from outside (scripts/measure-viewer): with TESSARINE_PLATFORM_TRACE
// set, the wall-clock time at which the first picture reached a window goes to stderr.
void TraceFirstFrame()
{
    static bool done = false;
    if (done || std::getenv("TESSARINE_PLATFORM_TRACE") == nullptr) {
        done = true;
        return;
    }
    done = true;
    timespec now {};
    clock_gettime(CLOCK_REALTIME, &now);
    std::fprintf(stderr, "first-frame-realtime-ns %lld\n",
        static_cast<long long>(now.tv_sec) * 1000000000LL + now.tv_nsec);
}

} // namespace

void ConnectDeviceToWindows()
{
    softd3d::DisplayHooks hooks;
    hooks.present = [](const softd3d::PresentedFrame& frame) {
        ShowPresentedFrame(frame.window, frame.pixels, frame.width, frame.height, frame.pitch,
            frame.unchanged, frame.changed, frame.changedCount);
        TraceFirstFrame();
    };
    hooks.displayMode
        = [](HWND window, bool fullScreen) { SetWindowFullScreen(window, fullScreen); };
    softd3d::SetDisplayHooks(std::move(hooks));
}

} // namespace platform
