#include "app/frame_loop.h"

#include "render/device.h"
#include "render/frame.h"
#include "render/view_flags.h"

namespace {

// Whether the clock has not yet reached the deadline. Compared as a signed difference so that
// the 32-bit millisecond clock wrapping (every 49.7 days) can neither stall the loop in its
// sleep nor make it skip frames.
bool Before(DWORD now, DWORD deadline)
{
    return static_cast<std::int32_t>(now - deadline) < 0;
}

} // namespace

void CountFrameRate()
{
    static bool started = false;
    static DWORD windowStart = 0;
    static std::int32_t tickCount = 0;
    if (!started) {
        windowStart = timeGetTime();
        started = true;
    }
    const DWORD now = timeGetTime();
    if (now - windowStart < frameRateWindowMs) {
        ++tickCount;
    } else {
        windowStart = now;
        framesPerSecond = tickCount;
        tickCount = 1;
    }
}

int RunFrameLoop(HWND window)
{
    DWORD deadline = timeGetTime();
    std::int32_t skipped = 0;
    timeBeginPeriod(1);

    MSG msg = {};
    for (;;) {
        if (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            if (msg.message == WM_QUIT) {
                break;
            }
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
            continue;
        }
        // The deadline moves on by exactly one tick and is never re-based on the clock, so after a
        // stall the loop catches up, drawing every sixth tick.
        deadline += tickMs;
        if (Before(timeGetTime(), deadline) || skipped >= maxSkippedTicks) {
            RenderFrame(window);
            skipped = 0;
        } else {
            ++skipped;
        }
        while (Before(timeGetTime(), deadline)) {
            Sleep(1);
        }
        CountFrameRate();
    }

    timeEndPeriod(1);
    ReleaseDevice();
    return static_cast<int>(msg.wParam);
}
