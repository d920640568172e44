#pragma once
// For tests and tools: the Qt widgets behind a window, and a clean slate between tests. The
// program never includes this header.
#include <QMenuBar>
#include <QWidget>

#include "platform/win32/windows.h"

namespace platform {

// The top-level widget, null for an unknown window.
QWidget* WindowWidget(HWND window);
// The widget whose area is the client area: mouse input there becomes mouse messages.
QWidget* ClientWidget(HWND window);
// The menu bar built from the class menu; null when the window has none.
QMenuBar* WindowMenuBar(HWND window);

// Destroys every window without telling its procedure.
void DestroyAllWindowsQuietly();
// Empties the message queue and forgets a pending quit.
void ClearMessageQueue();
// Forgets every registered window class.
void UnregisterAllClasses();

} // namespace platform
