// user32 windows: creation and destruction, geometry, style, visibility, and the full-screen
// display of a window whose device owns the screen.
#include <algorithm>
#include <map>
#include <memory>

#include <QApplication>
#include <QGuiApplication>
#include <QScreen>

#include "platform/win32/class_resources.h"
#include "platform/win32/cp932_text.h"
#include "platform/win32/last_error.h"
#include "platform/win32/top_level_widget.h"
#include "platform/win32/window_access.h"
#include "platform/win32/window_display.h"
#include "platform/win32/window_state.h"

namespace platform {
namespace {

constexpr DWORD kClipSiblings = 0x04000000;
constexpr DWORD kChild = 0x40000000;
constexpr DWORD kErrorInvalidWindowHandle = 1400;
constexpr DWORD kErrorCannotFindClass = 1407;
constexpr DWORD kErrorInvalidParameter = 87;
constexpr UINT kSwpNoActivate = 0x0010;
constexpr UINT kSwpHideWindow = 0x0080;
constexpr int kSwShowNoActivate = 4;
constexpr int kSwShowNa = 8;
constexpr int kSwShowMinimized = 2;
constexpr int kSwMinimize = 6;
constexpr int kSwShowMinNoActive = 7;
// Where Windows puts the first window that asks for a default place.
constexpr int kDefaultX = 26;
constexpr int kDefaultY = 26;
constexpr int kDefaultWidth = 640;
constexpr int kDefaultHeight = 480;

std::uintptr_t nextHandle = 0x00020000;
const HWND desktopHandle = reinterpret_cast<HWND>(std::uintptr_t { 0x00010010 });

std::map<HWND, std::unique_ptr<Window>>& Registry()
{
    static std::map<HWND, std::unique_ptr<Window>> windows;
    return windows;
}

Qt::WindowFlags QtFlagsFor(const Window& window)
{
    if (window.fullScreen || (window.style & WS_CAPTION) != WS_CAPTION) {
        return Qt::Window | Qt::FramelessWindowHint;
    }
    Qt::WindowFlags flags = Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint;
    if ((window.style & WS_SYSMENU) != 0)
        flags |= Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint;
    if ((window.style & WS_MINIMIZEBOX) != 0)
        flags |= Qt::WindowMinimizeButtonHint;
    if ((window.style & WS_MAXIMIZEBOX) != 0)
        flags |= Qt::WindowMaximizeButtonHint;
    return flags;
}

void Destroy(HWND handle, bool tellProcedure)
{
    auto& windows = Registry();
    auto found = windows.find(handle);
    if (found == windows.end())
        return;
    Window& window = *found->second;
    if (window.widget != nullptr)
        window.widget->hide();
    window.visible = false;
    if (tellProcedure)
        SendWindowMessage(handle, WM_DESTROY, 0, 0);
    // The procedure may have destroyed the window itself while handling WM_DESTROY.
    found = windows.find(handle);
    if (found == windows.end())
        return;
    std::unique_ptr<Window> gone = std::move(found->second);
    windows.erase(found);
    DiscardQueuedMessages(handle);
    delete gone->widget;
}

// Showing a window activates it on Windows, so keys go to it from the start; without a window
// manager nothing else would give it the keyboard.
void Activate(Window& window)
{
    if (window.widget == nullptr || !window.visible)
        return;
    window.widget->activateWindow();
    window.widget->View()->setFocus(Qt::ActiveWindowFocusReason);
}

} // namespace

Window* FindWindowByHandle(HWND handle)
{
    auto& windows = Registry();
    const auto found = windows.find(handle);
    return found == windows.end() ? nullptr : found->second.get();
}

std::vector<Window*> AllWindows()
{
    std::vector<Window*> all;
    for (auto& [handle, window] : Registry())
        all.push_back(window.get());
    return all;
}

HWND DesktopHandle()
{
    return desktopHandle;
}

bool DisplayIsSwitched()
{
    for (auto& [handle, window] : Registry()) {
        if (window->fullScreen)
            return true;
    }
    return false;
}

FrameInsets InsetsOf(const Window& window)
{
    // While full screen the client area is the whole switched display.
    if (window.fullScreen)
        return FrameInsets {};
    return FrameInsetsFor(window.style, window.hasMenu);
}

QPoint ClientOrigin(const Window& window)
{
    const FrameInsets insets = InsetsOf(window);
    return QPoint(window.outer.left + insets.left, window.outer.top + insets.top);
}

QSize ClientSize(const Window& window)
{
    const FrameInsets insets = InsetsOf(window);
    return QSize(
        std::max(0,
            static_cast<int>(window.outer.right - window.outer.left) - insets.left - insets.right),
        std::max(0,
            static_cast<int>(window.outer.bottom - window.outer.top) - insets.top - insets.bottom));
}

RECT DesktopRect()
{
    if (DisplayIsSwitched())
        return RECT { 0, 0, kFullScreenWidth, kFullScreenHeight };
    EnsureApplication();
    const QScreen* screen = QGuiApplication::primaryScreen();
    if (screen == nullptr)
        return RECT { 0, 0, kFullScreenWidth, kFullScreenHeight };
    const QRect g = screen->geometry();
    return RECT { g.left(), g.top(), g.left() + g.width(), g.top() + g.height() };
}

void SyncWidget(Window& window, bool leaveOnScreen)
{
    TopLevelWidget* widget = window.widget;
    if (widget == nullptr)
        return;
    const Qt::WindowFlags flags = QtFlagsFor(window);
    if (widget->windowFlags() != flags)
        widget->setWindowFlags(flags); // this hides the widget
    widget->SetMenuShown(window.hasMenu && !window.fullScreen);
    widget->View()->SetFullScreen(window.fullScreen);

    if (window.fullScreen) {
        widget->setMinimumSize(0, 0);
        widget->setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
        if (!window.visible) {
            if (!leaveOnScreen)
                widget->hide();
        } else {
            if (!widget->isFullScreen() || !widget->isVisible())
                widget->showFullScreen();
            // Full screen is a request to the window manager; where there is none (a bare X
            // server) the window covers the screen by its own geometry. A Wayland compositor
            // always answers, and sizes the window itself.
            if (const QScreen* screen = widget->screen(); screen != nullptr
                && !QGuiApplication::platformName().startsWith(QLatin1String("wayland"))
                && widget->geometry() != screen->geometry())
                widget->setGeometry(screen->geometry());
        }
        return;
    }

    // The widget holds the menu bar and the client area; caption and border are outside it.
    const QPoint client = ClientOrigin(window);
    const QSize clientSize = ClientSize(window);
    const int menu = window.hasMenu ? kMenuBarHeight : 0;
    const QRect geometry(
        client.x(), client.y() - menu, clientSize.width(), clientSize.height() + menu);
    if (widget->isFullScreen())
        widget->showNormal();
    widget->setFixedSize(geometry.size());
    if (widget->geometry() != geometry)
        widget->setGeometry(geometry);
    if (!window.visible) {
        if (!leaveOnScreen)
            widget->hide();
    } else if (window.minimized) {
        if (!widget->isMinimized() || !widget->isVisible())
            widget->showMinimized();
    } else if (!widget->isVisible() || widget->isMinimized()) {
        widget->showNormal();
    }
}

void ShowPresentedFrame(HWND handle, const std::uint32_t* pixels, int width, int height,
    int pitchPixels, bool unchanged, const RECT* changed, int changedCount)
{
    Window* window = FindWindowByHandle(handle);
    if (window == nullptr || window->widget == nullptr)
        return;
    window->widget->View()->ShowFrame(
        pixels, width, height, pitchPixels, unchanged, changed, changedCount);
}

void SetWindowFullScreen(HWND handle, bool fullScreen)
{
    Window* window = FindWindowByHandle(handle);
    if (window == nullptr || window->fullScreen == fullScreen)
        return;
    window->fullScreen = fullScreen;
    if (fullScreen) {
        // The device puts its window over the whole switched display, and it stays that size
        // until the program moves it again.
        window->outer = RECT { 0, 0, kFullScreenWidth, kFullScreenHeight };
        window->minimized = false;
    }
    SyncWidget(*window);
}

QWidget* WindowWidget(HWND handle)
{
    Window* window = FindWindowByHandle(handle);
    return window != nullptr ? window->widget : nullptr;
}

QWidget* ClientWidget(HWND handle)
{
    Window* window = FindWindowByHandle(handle);
    return window != nullptr && window->widget != nullptr ? window->widget->View() : nullptr;
}

QMenuBar* WindowMenuBar(HWND handle)
{
    Window* window = FindWindowByHandle(handle);
    return window != nullptr && window->widget != nullptr && window->hasMenu
        ? window->widget->MenuBar()
        : nullptr;
}

void DestroyAllWindowsQuietly()
{
    std::vector<HWND> handles;
    for (auto& [handle, window] : Registry())
        handles.push_back(handle);
    for (HWND handle : handles)
        Destroy(handle, false);
}

} // namespace platform

using namespace platform;

HWND CreateWindowExA(DWORD, LPCSTR className, LPCSTR windowName, DWORD style, int x, int y,
    int width, int height, HWND parent, HMENU menu, HINSTANCE, LPVOID createParam)
{
    const WindowClassRecord* windowClass = FindWindowClass(className);
    if (windowClass == nullptr) {
        SetLastErrorCode(kErrorCannotFindClass);
        return nullptr;
    }
    if ((style & kChild) != 0) {
        // Child windows are not part of this system.
        SetLastErrorCode(kErrorInvalidParameter);
        return nullptr;
    }
    (void)parent;
    (void)menu; // no HMENU can exist here: LoadMenu is not offered, so the class menu is used
    EnsureApplication();
    // Windows stays running when its last window goes; so does this system.
    if (auto* app = qobject_cast<QApplication*>(QCoreApplication::instance())) {
        app->setQuitOnLastWindowClosed(false);
    }

    auto window = std::make_unique<Window>();
    window->handle = reinterpret_cast<HWND>(nextHandle);
    nextHandle += 4;
    window->proc = windowClass->proc;
    window->classStyle = windowClass->style;
    const bool showNow = (style & WS_VISIBLE) != 0;
    window->style = style & ~WS_VISIBLE;
    // An overlapped window always has a caption.
    if ((style & WS_POPUP) == 0)
        window->style |= WS_CAPTION | kClipSiblings;
    if (x == CW_USEDEFAULT) {
        x = kDefaultX;
        y = kDefaultY;
    }
    if (width == CW_USEDEFAULT) {
        width = kDefaultWidth;
        height = kDefaultHeight;
    }
    window->outer = RECT { x, y, x + std::max(0, width), y + std::max(0, height) };

    const HWND handle = window->handle;
    Window& made = *window;
    Registry().emplace(handle, std::move(window));

    made.widget = new TopLevelWidget(handle);
    made.widget->setWindowTitle(Cp932ToQString(windowName));
    if (const QIcon icon = IconFromHandle(windowClass->icon); !icon.isNull()) {
        made.widget->setWindowIcon(icon);
    }
    Qt::CursorShape shape;
    if (CursorShapeFromHandle(windowClass->cursor, &shape))
        made.widget->View()->setCursor(shape);
    made.hasMenu = BuildClassMenu(*windowClass, handle, made.widget->MenuBar());
    SyncWidget(made);

    CREATESTRUCTA create {};
    create.lpCreateParams = createParam;
    create.hInstance = windowClass->instance;
    create.hwndParent = parent;
    create.cy = height;
    create.cx = width;
    create.y = y;
    create.x = x;
    create.style = static_cast<LONG>(style);
    create.lpszName = windowName;
    create.lpszClass = className;
    if (SendWindowMessage(handle, WM_CREATE, 0, reinterpret_cast<LPARAM>(&create)) == -1) {
        Destroy(handle, true);
        return nullptr;
    }
    Window* alive = FindWindowByHandle(handle);
    if (alive == nullptr)
        return nullptr;
    if (showNow && !alive->visible) {
        alive->visible = true;
        SyncWidget(*alive);
    }
    SetLastErrorCode(ERROR_SUCCESS);
    return handle;
}

BOOL DestroyWindow(HWND handle)
{
    if (FindWindowByHandle(handle) == nullptr) {
        SetLastErrorCode(kErrorInvalidWindowHandle);
        return FALSE;
    }
    Destroy(handle, true);
    return TRUE;
}

BOOL ShowWindow(HWND handle, int showCommand)
{
    Window* window = FindWindowByHandle(handle);
    if (window == nullptr)
        return FALSE;
    const BOOL wasVisible = window->visible ? TRUE : FALSE;
    if (showCommand == SW_HIDE) {
        window->visible = false;
    } else {
        window->visible = true;
        // Windows' minimise box is the only way to a minimised window; a full-screen window cannot.
        window->minimized = !window->fullScreen
            && (showCommand == kSwShowMinimized || showCommand == kSwMinimize
                || showCommand == kSwShowMinNoActive);
    }
    SyncWidget(*window);
    const bool activates = showCommand != SW_HIDE && !window->minimized
        && showCommand != kSwShowNoActivate && showCommand != kSwShowNa;
    if (activates)
        Activate(*window);
    return wasVisible;
}

BOOL UpdateWindow(HWND handle)
{
    Window* window = FindWindowByHandle(handle);
    if (window == nullptr)
        return FALSE;
    if (window->widget != nullptr && window->visible)
        window->widget->View()->repaint();
    return TRUE;
}

BOOL SetWindowPos(HWND handle, HWND, int x, int y, int width, int height, UINT flags)
{
    Window* window = FindWindowByHandle(handle);
    if (window == nullptr)
        return FALSE;
    // While its device holds the display, the window covers it whatever it is told.
    if (!window->fullScreen) {
        RECT& outer = window->outer;
        if ((flags & SWP_NOMOVE) == 0) {
            const LONG w = outer.right - outer.left;
            const LONG h = outer.bottom - outer.top;
            outer = RECT { x, y, x + w, y + h };
        }
        if ((flags & SWP_NOSIZE) == 0) {
            outer.right = outer.left + std::max(0, width);
            outer.bottom = outer.top + std::max(0, height);
        }
    }
    if ((flags & SWP_SHOWWINDOW) != 0)
        window->visible = true;
    if ((flags & kSwpHideWindow) != 0)
        window->visible = false;
    SyncWidget(*window);
    if ((flags & SWP_SHOWWINDOW) != 0 && (flags & kSwpNoActivate) == 0)
        Activate(*window);
    // Offscreen windows have no stacking order to change.
    if ((flags & SWP_NOZORDER) == 0 && window->visible && window->widget != nullptr
        && QGuiApplication::platformName() != QLatin1String("offscreen")) {
        window->widget->raise();
    }
    return TRUE;
}

LONG SetWindowLongA(HWND handle, int index, LONG newLong)
{
    Window* window = FindWindowByHandle(handle);
    if (window == nullptr) {
        SetLastErrorCode(kErrorInvalidWindowHandle);
        return 0;
    }
    if (index != GWL_STYLE)
        return 0;
    const DWORD previous = window->style | (window->visible ? WS_VISIBLE : 0);
    const DWORD style = static_cast<DWORD>(newLong);
    // WS_VISIBLE is the visibility: a style without it makes the window count as hidden, though,
    // as on Windows, nothing is taken off the screen until the window is shown or hidden again.
    window->visible = (style & WS_VISIBLE) != 0;
    window->style = style & ~WS_VISIBLE;
    // The outer rectangle stays; the client area is what the new frame leaves of it.
    SyncWidget(*window, /*leaveOnScreen=*/true);
    SetLastErrorCode(ERROR_SUCCESS);
    return static_cast<LONG>(previous);
}

BOOL GetWindowRect(HWND handle, LPRECT rect)
{
    if (rect == nullptr)
        return FALSE;
    if (handle == DesktopHandle()) {
        *rect = DesktopRect();
        return TRUE;
    }
    const Window* window = FindWindowByHandle(handle);
    if (window == nullptr) {
        SetLastErrorCode(kErrorInvalidWindowHandle);
        return FALSE;
    }
    *rect = window->outer;
    return TRUE;
}

HWND GetDesktopWindow()
{
    return DesktopHandle();
}

int GetSystemMetrics(int index)
{
    switch (index) {
    case SM_CXSCREEN: {
        const RECT desktop = DesktopRect();
        return desktop.right - desktop.left;
    }
    case SM_CYSCREEN: {
        const RECT desktop = DesktopRect();
        return desktop.bottom - desktop.top;
    }
    case SM_CYCAPTION: return kCaptionHeight;
    case SM_CXDLGFRAME: return kDialogFrameX;
    case SM_CYDLGFRAME: return kDialogFrameY;
    case SM_CYMENU: return kMenuBarHeight;
    default: return 0;
    }
}
