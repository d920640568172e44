#include "window_test_support.h"

#include <QCoreApplication>
#include <QKeyEvent>
#include <QMouseEvent>

#include "platform/qt/qt_application.h"
#include "platform/win32/window_access.h"
#include "resources/resource_ids.h"

namespace win32test {
namespace {

LRESULT CALLBACK RecordingProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    Received().push_back(Recorded { window, message, wParam, lParam });
    if (message == WM_CREATE) {
        // Centre on the desktop, as the program's procedure does.
        RECT desktop;
        RECT own;
        GetWindowRect(GetDesktopWindow(), &desktop);
        GetWindowRect(window, &own);
        const int width = own.right - own.left;
        const int height = own.bottom - own.top;
        SetWindowPos(window, nullptr, (desktop.right - width) / 2, (desktop.bottom - height) / 2,
            width, height, SWP_SHOWWINDOW);
        return 0;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

const HINSTANCE kInstance = reinterpret_cast<HINSTANCE>(std::uintptr_t { 0x00400000 });

} // namespace

std::vector<Recorded>& Received()
{
    static std::vector<Recorded> received;
    return received;
}

int OuterWidth()
{
    return 640 + 2 * GetSystemMetrics(SM_CXDLGFRAME);
}

int OuterHeight()
{
    return 480 + 2 * GetSystemMetrics(SM_CYDLGFRAME) + GetSystemMetrics(SM_CYMENU)
        + GetSystemMetrics(SM_CYCAPTION);
}

void ProgramWindow::SetUp()
{
    platform::EnsureQtApplication();
    Received().clear();
}

void ProgramWindow::TearDown()
{
    platform::DestroyAllWindowsQuietly();
    platform::ClearMessageQueue();
    platform::UnregisterAllClasses();
    Received().clear();
}

HWND ProgramWindow::Create(UINT extraClassStyle)
{
    WNDCLASSA windowClass {};
    windowClass.style = CS_HREDRAW | CS_VREDRAW | extraClassStyle;
    windowClass.lpfnWndProc = RecordingProc;
    windowClass.hInstance = kInstance;
    windowClass.hIcon = LoadIconA(kInstance, MAKEINTRESOURCEA(IDI_APP_ICON));
    windowClass.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    windowClass.hbrBackground
        = reinterpret_cast<HBRUSH>(static_cast<std::uintptr_t>(COLOR_WINDOW + 1));
    windowClass.lpszMenuName = MAKEINTRESOURCEA(IDR_MAIN_MENU);
    windowClass.lpszClassName = "Windows";
    EXPECT_NE(RegisterClassA(&windowClass), 0);
    window_ = CreateWindowExA(0, "Windows", "Tessarine", WS_SYSMENU | WS_MINIMIZEBOX, CW_USEDEFAULT,
        CW_USEDEFAULT, OuterWidth(), OuterHeight(), nullptr, nullptr, kInstance, nullptr);
    EXPECT_NE(window_, nullptr);
    return window_;
}

std::vector<MSG> ProgramWindow::Drain()
{
    std::vector<MSG> taken;
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (msg.message == WM_QUIT) {
            taken.push_back(msg);
            break;
        }
        taken.push_back(msg);
    }
    return taken;
}

QWidget* ProgramWindow::View() const
{
    return platform::ClientWidget(window_);
}

void ProgramWindow::SendMouse(QEvent::Type type, QPointF position, Qt::MouseButton button,
    Qt::MouseButtons buttons, Qt::KeyboardModifiers modifiers)
{
    QWidget* view = View();
    QMouseEvent event(type, position, view->mapToGlobal(position), button, buttons, modifiers);
    QCoreApplication::sendEvent(view, &event);
}

void ProgramWindow::SendKey(
    QEvent::Type type, int key, bool autoRepeat, Qt::KeyboardModifiers modifiers)
{
    QKeyEvent event(type, key, modifiers, QString(), autoRepeat);
    QCoreApplication::sendEvent(View(), &event);
}

} // namespace win32test
