// winmm: the millisecond clock and timer resolution requests.
#include <ctime>

#include "platform/win32/windows.h"

DWORD timeGetTime()
{
    timespec now {};
    clock_gettime(CLOCK_MONOTONIC, &now);
    // Wraps after 49.7 days like the real counter; callers compare unsigned differences.
    return static_cast<DWORD>(static_cast<unsigned long long>(now.tv_sec) * 1000ull
        + static_cast<unsigned long long>(now.tv_nsec) / 1000000ull);
}

// Sleep already ends its waits on the millisecond clock's ticks, so a period needs no action; only
// the argument check of the real call remains.
MMRESULT timeBeginPeriod(UINT period)
{
    return period >= 1 ? TIMERR_NOERROR : TIMERR_NOCANDO;
}

MMRESULT timeEndPeriod(UINT period)
{
    return period >= 1 ? TIMERR_NOERROR : TIMERR_NOCANDO;
}
