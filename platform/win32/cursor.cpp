// The cursor position in Win32 screen coordinates: the windows' model positions (what
// GetWindowRect reports) plus where the cursor is over their client views, so that
// GetCursorPos, ScreenToClient and the picture agree even where the real window lies elsewhere.
#include <QCursor>
#include <QGuiApplication>

#include "platform/win32/top_level_widget.h"
#include "platform/win32/window_state.h"

namespace platform {
namespace {

HWND cursorWindow = nullptr;

// X11 tells where the cursor is at any time; Wayland (and the offscreen platform) only tell a
// window about events over it, so there the last of those stands for the cursor.
bool GlobalCursorKnown()
{
    return QCoreApplication::instance() != nullptr
        && QGuiApplication::platformName() == QLatin1String("xcb");
}

Window* ReferenceWindow()
{
    for (Window* window : AllWindows()) {
        if (window->fullScreen)
            return window;
    }
    if (Window* window = FindWindowByHandle(cursorWindow))
        return window;
    const std::vector<Window*> all = AllWindows();
    return all.empty() ? nullptr : all.front();
}

} // namespace

void NoteCursorInWindow(HWND window)
{
    cursorWindow = window;
}

HWND WindowWithCursor()
{
    return FindWindowByHandle(cursorWindow) != nullptr ? cursorWindow : nullptr;
}

} // namespace platform

using namespace platform;

BOOL GetCursorPos(LPPOINT point)
{
    if (point == nullptr)
        return FALSE;
    Window* window = ReferenceWindow();
    if (window == nullptr || window->widget == nullptr) {
        const QPoint global = GlobalCursorKnown() ? QCursor::pos() : QPoint(0, 0);
        *point = POINT { global.x(), global.y() };
        return TRUE;
    }
    const ClientView* view = window->widget->View();
    const QPointF local = GlobalCursorKnown() ? view->mapFromGlobal(QPointF(QCursor::pos()))
                                              : view->LastCursorPosition();
    const QPoint screen = ClientOrigin(*window) + view->ToClient(local);
    *point = POINT { screen.x(), screen.y() };
    return TRUE;
}

BOOL ScreenToClient(HWND handle, LPPOINT point)
{
    if (point == nullptr)
        return FALSE;
    if (handle == DesktopHandle())
        return TRUE;
    const Window* window = FindWindowByHandle(handle);
    if (window == nullptr)
        return FALSE;
    const QPoint origin = ClientOrigin(*window);
    point->x -= origin.x();
    point->y -= origin.y();
    return TRUE;
}
