#pragma once
// Windows' menu mode for a window's menu bar. F10, or Alt pressed and released alone, highlights
// the first title; Left and Right move between titles, Down, Up or Return open one, Escape steps
// back a level and leaves menu mode from a highlighted title. A menu closed with Escape leaves its
// title highlighted. While menu mode lasts it holds the thread, as Windows' menu loop does, so
// the program's frame loop pauses; a chosen command is then waiting in the queue. In full screen
// the menu bar shows over the top of the picture for as long as menu mode lasts.
#include <QPointF>

#include "platform/win32/windows.h"

namespace platform {

class TopLevelWidget;

// Watches the input of every window's menu bar (once per process; called when a window is made).
void WatchMenuBars();

// Default processing of a key message: F10, or Alt alone, pressed and released sends the window
// WM_SYSCOMMAND SC_KEYMENU.
void NoteKeyForMenu(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// Whether a WM_SYSCOMMAND parameter is SC_KEYMENU.
bool IsKeyMenuCommand(WPARAM wParam);

// SC_KEYMENU: menu mode for the window with its first title highlighted; returns when it ends.
// A window without a menu, hidden or minimised, is left alone.
void RunKeyboardMenuMode(HWND window);

// Returns once menu mode has ended and no menu is open, letting Qt deliver events meanwhile.
void WaitForMenuModeToEnd();

// A left press at a view position of a full-screen window: in the rows of the menu bar at the
// top of the picture it shows the bar there and opens the title under the press (or highlights
// the first). Returns whether the press went to the menu bar.
bool TakeFullScreenMenuPress(TopLevelWidget& widget, QPointF viewPosition);

} // namespace platform
