// The thread's message queue: Qt input arrives here as posted Win32 messages, PeekMessageA takes
// them out in order, DispatchMessageA hands them to the window procedure.
#include <deque>

#include <QApplication>
#include <QCoreApplication>

#include "platform/qt/qt_application.h"
#include "platform/win32/menu_mode.h"
#include "platform/win32/window_access.h"
#include "platform/win32/window_state.h"

namespace platform {
namespace {

constexpr UINT kWmSysCommand = WM_SYSCOMMAND;
constexpr WPARAM kScClose = 0xF060;

std::deque<MSG>& Queue()
{
    static std::deque<MSG> queue;
    return queue;
}

bool quitPending = false;
int quitCode = 0;

bool Matches(const MSG& msg, HWND window, UINT filterMin, UINT filterMax)
{
    if (window != nullptr && msg.hwnd != window)
        return false;
    if (filterMin == 0 && filterMax == 0)
        return true;
    return msg.message >= filterMin && msg.message <= filterMax;
}

} // namespace

void EnsureApplication()
{
    EnsureQtApplication();
}

void PumpQtEvents()
{
    EnsureApplication();
    QCoreApplication::processEvents(QEventLoop::AllEvents);
    // An open menu, or a highlighted title, holds the thread as Windows' menu loop does: the
    // caller's frame loop pauses until menu mode ends, and a chosen command is then in the queue.
    WaitForMenuModeToEnd();
}

void PostWindowMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    MSG msg {};
    msg.hwnd = window;
    msg.message = message;
    msg.wParam = wParam;
    msg.lParam = lParam;
    msg.time = timeGetTime();
    GetCursorPos(&msg.pt);
    Queue().push_back(msg);
}

LRESULT SendWindowMessage(HWND handle, UINT message, WPARAM wParam, LPARAM lParam)
{
    const Window* window = FindWindowByHandle(handle);
    if (window == nullptr || window->proc == nullptr)
        return 0;
    return window->proc(handle, message, wParam, lParam);
}

bool TakeQueuedKeyMessage(HWND window, MSG* msg)
{
    auto& queue = Queue();
    for (auto it = queue.begin(); it != queue.end(); ++it) {
        if (it->hwnd == window && it->message >= WM_KEYDOWN && it->message <= WM_SYSKEYUP) {
            *msg = *it;
            queue.erase(it);
            return true;
        }
    }
    return false;
}

void DiscardQueuedMessages(HWND window)
{
    std::erase_if(Queue(), [window](const MSG& msg) { return msg.hwnd == window; });
}

void ClearMessageQueue()
{
    Queue().clear();
    quitPending = false;
    quitCode = 0;
}

} // namespace platform

using namespace platform;

BOOL PeekMessageA(LPMSG msg, HWND window, UINT filterMin, UINT filterMax, UINT removeMessage)
{
    if (msg == nullptr)
        return FALSE;
    PumpQtEvents();
    auto& queue = Queue();
    for (auto it = queue.begin(); it != queue.end(); ++it) {
        if (!Matches(*it, window, filterMin, filterMax))
            continue;
        *msg = *it;
        if ((removeMessage & PM_REMOVE) != 0)
            queue.erase(it);
        return TRUE;
    }
    // Like Windows, the quit request comes out only once nothing else is waiting, and whatever
    // the filter says.
    if (quitPending) {
        *msg = MSG {};
        msg->message = WM_QUIT;
        msg->wParam = static_cast<WPARAM>(quitCode);
        msg->time = timeGetTime();
        GetCursorPos(&msg->pt);
        if ((removeMessage & PM_REMOVE) != 0)
            quitPending = false;
        return TRUE;
    }
    return FALSE;
}

BOOL TranslateMessage(const MSG*)
{
    // No character messages: the program reads keys by their virtual-key codes only.
    return FALSE;
}

LRESULT DispatchMessageA(const MSG* msg)
{
    if (msg == nullptr || msg->hwnd == nullptr)
        return 0;
    return SendWindowMessage(msg->hwnd, msg->message, msg->wParam, msg->lParam);
}

void PostQuitMessage(int exitCode)
{
    quitPending = true;
    quitCode = exitCode;
}

LRESULT DefWindowProcA(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_CLOSE: DestroyWindow(window); return 0;
    case WM_KEYUP:
    case WM_SYSKEYUP: NoteKeyForMenu(window, message, wParam, lParam); return 0;
    case WM_SYSKEYDOWN:
        NoteKeyForMenu(window, message, wParam, lParam);
        // Alt+F4 where no desktop took it first: the system menu's Close.
        if (wParam == static_cast<WPARAM>(VK_F4)
            && (static_cast<ULONG_PTR>(lParam) & (1u << 29)) != 0) {
            SendWindowMessage(window, kWmSysCommand, kScClose, 0);
        }
        return 0;
    case kWmSysCommand:
        if ((wParam & 0xFFF0) == kScClose)
            SendWindowMessage(window, WM_CLOSE, 0, 0);
        else if (IsKeyMenuCommand(wParam))
            RunKeyboardMenuMode(window);
        return 0;
    default: return 0;
    }
}
