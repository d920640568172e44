#pragma once
// The thread's last-error code, as kernel32 keeps it; GetLastError reads it.
#include "platform/win32/windows.h"

namespace platform {

void SetLastErrorCode(DWORD code);

} // namespace platform
