#pragma once
// Test-only: lets a test see every MessageBoxA instead of a modal dialog. The program never
// includes this header.
#include <functional>
#include <string>

#include "platform/win32/windows.h"

namespace platform {

struct MessageBoxCall {
    HWND owner;
    std::string textUtf8; // decoded from code page 932
    std::string captionUtf8; // decoded from code page 932
    UINT type;
};

// While set, MessageBoxA calls the observer and returns its result instead of showing a dialog.
// An empty function restores the real dialog.
void SetMessageBoxObserver(std::function<int(const MessageBoxCall&)> observer);

} // namespace platform
