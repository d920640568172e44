#pragma once
// A window class's menu and icons come from the program's embedded resources.
#include <QIcon>
#include <QMenuBar>

#include "platform/win32/window_state.h"

namespace platform {

// Fills the menu bar from the class's menu resource; each command posts WM_COMMAND with its id
// to the window. False when the class has no menu or its resource is missing or malformed.
bool BuildClassMenu(const WindowClassRecord& windowClass, HWND window, QMenuBar* menuBar);

// The icon group's images as a QIcon; null when the group is missing or malformed.
QIcon LoadEmbeddedIconGroup(WORD groupId);

} // namespace platform
