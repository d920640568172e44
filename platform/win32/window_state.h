#pragma once
// What user32 knows about a window, beside the Qt widgets that show it. The Win32 state (style,
// outer rectangle, visibility) is the model; the widgets are brought in line with it after each
// change (SyncWidget).
#include <string>
#include <vector>

#include <QIcon>
#include <QPoint>
#include <QRect>
#include <QSize>
#include <QString>

#include "platform/win32/window_frame.h"
#include "platform/win32/windows.h"

namespace platform {

class TopLevelWidget;

struct WindowClassRecord {
    std::string name;
    ATOM atom = 0;
    UINT style = 0;
    WNDPROC proc = nullptr;
    HINSTANCE instance = nullptr;
    HICON icon = nullptr;
    HCURSOR cursor = nullptr;
    HBRUSH background = nullptr;
    WORD menuId = 0; // a MAKEINTRESOURCE menu name
    std::string menuName; // or a string one
};

// The class registered under a name (compared without case, as Win32 does) or atom; null if none.
const WindowClassRecord* FindWindowClass(LPCSTR nameOrAtom);

struct Window {
    HWND handle = nullptr;
    WNDPROC proc = nullptr;
    UINT classStyle = 0;
    DWORD style = 0; // without WS_VISIBLE, which `visible` holds
    bool visible = false;
    bool minimized = false;
    bool fullScreen = false; // a full-screen device owns the display
    bool hasMenu = false;
    RECT outer {}; // screen coordinates; the whole display while full screen
    TopLevelWidget* widget = nullptr; // owned
};

Window* FindWindowByHandle(HWND handle);
// Every live window, oldest first.
std::vector<Window*> AllWindows();
HWND DesktopHandle();
// A full-screen device has switched the display: the screen is 640x480 for everyone.
bool DisplayIsSwitched();

FrameInsets InsetsOf(const Window& window);
// Top-left of the client area in screen coordinates.
QPoint ClientOrigin(const Window& window);
QSize ClientSize(const Window& window);

// Brings the widgets in line with the window's Win32 state. With leaveOnScreen, a window that
// now counts as hidden is not taken off the screen.
void SyncWidget(Window& window, bool leaveOnScreen = false);

// Screen rectangle of the desktop as the program sees it.
RECT DesktopRect();

// A window's icon and cursor handles resolved to what Qt shows.
QIcon IconFromHandle(HICON icon);
bool CursorShapeFromHandle(HCURSOR cursor, Qt::CursorShape* shape);

// Posts a message of a window to the thread's queue, stamped with the time and cursor position.
void PostWindowMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
// Calls the window's procedure at once, as SendMessage would; 0 for an unknown window.
LRESULT SendWindowMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
// Takes the first queued key message of a window out of the queue; false when there is none.
bool TakeQueuedKeyMessage(HWND window, MSG* msg);
// Drops the queued messages of a window that is going away.
void DiscardQueuedMessages(HWND window);
// Lets Qt deliver what is pending, without waiting; creates the application object if needed.
void PumpQtEvents();
void EnsureApplication();

// Where input last happened: the window whose view saw the cursor last, for GetCursorPos on
// platforms without global cursor positions.
void NoteCursorInWindow(HWND window);
HWND WindowWithCursor();

} // namespace platform
