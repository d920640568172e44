// The window as start-up makes it: created with WM_CREATE inside the call, centred, 640x480 of
// client area under the real menu, and closed through default processing.
#include <chrono>

#include <QAction>
#include <QMenu>
#include <QMenuBar>

#include "platform/win32/window_access.h"
#include "resources/resource_ids.h"
#include "window_test_support.h"

namespace win32test {
namespace {

using WindowBehaviour = ProgramWindow;

TEST_F(WindowBehaviour, create_message_arrives_inside_create_window_and_centres_the_window)
{
    const HWND window = Create();
    ASSERT_FALSE(Received().empty());
    EXPECT_EQ(Received().front().message, WM_CREATE) << "WM_CREATE is the first message";
    EXPECT_EQ(Received().front().window, window)
        << "and carries the handle CreateWindowExA returns";
    const auto* create = reinterpret_cast<const CREATESTRUCTA*>(Received().front().lParam);
    ASSERT_NE(create, nullptr);

    RECT desktop;
    RECT own;
    ASSERT_TRUE(GetWindowRect(GetDesktopWindow(), &desktop));
    ASSERT_TRUE(GetWindowRect(window, &own));
    EXPECT_EQ(own.right - own.left, OuterWidth());
    EXPECT_EQ(own.bottom - own.top, OuterHeight());
    EXPECT_EQ(own.left, (desktop.right - OuterWidth()) / 2);
    EXPECT_EQ(own.top, (desktop.bottom - OuterHeight()) / 2);
    EXPECT_TRUE(platform::WindowWidget(window)->isVisible()) << "SWP_SHOWWINDOW shows it";
}

TEST_F(WindowBehaviour, client_area_is_exactly_640_by_480_below_a_19_pixel_menu_bar)
{
    const HWND window = Create();
    EXPECT_EQ(View()->size(), QSize(640, 480));
    QMenuBar* menuBar = platform::WindowMenuBar(window);
    ASSERT_NE(menuBar, nullptr);
    EXPECT_EQ(menuBar->height(), GetSystemMetrics(SM_CYMENU));
    EXPECT_EQ(View()->geometry().top(), menuBar->geometry().bottom() + 1);

    // The client area's screen position follows the frame model: border, caption, menu.
    RECT own;
    GetWindowRect(window, &own);
    POINT origin { own.left, own.top };
    ScreenToClient(window, &origin);
    EXPECT_EQ(origin.x, -GetSystemMetrics(SM_CXDLGFRAME));
    EXPECT_EQ(origin.y,
        -(GetSystemMetrics(SM_CYDLGFRAME) + GetSystemMetrics(SM_CYCAPTION)
            + GetSystemMetrics(SM_CYMENU)));

    // Fixed size, no maximise box.
    QWidget* top = platform::WindowWidget(window);
    EXPECT_EQ(top->minimumSize(), top->maximumSize());
    EXPECT_FALSE(top->windowFlags().testFlag(Qt::WindowMaximizeButtonHint));
    EXPECT_TRUE(top->windowFlags().testFlag(Qt::WindowMinimizeButtonHint));
    EXPECT_EQ(top->windowTitle(), QStringLiteral("Tessarine"));
    EXPECT_FALSE(top->windowIcon().isNull()) << "the class icon, resource 106";
}

TEST_F(WindowBehaviour, menu_bar_is_the_embedded_menu_and_its_items_post_their_command_ids)
{
    const HWND window = Create();
    QMenuBar* menuBar = platform::WindowMenuBar(window);
    ASSERT_NE(menuBar, nullptr);
    QStringList titles;
    for (QAction* action : menuBar->actions())
        titles << action->text();
    EXPECT_EQ(titles, (QStringList { "File", "Edit", "Help" }));

    std::vector<std::pair<QString, int>> items;
    for (QAction* top : menuBar->actions()) {
        ASSERT_NE(top->menu(), nullptr);
        for (QAction* item : top->menu()->actions()) {
            if (item->isSeparator()) {
                items.emplace_back(QStringLiteral("-"), 0);
                continue;
            }
            items.emplace_back(item->text(), item->data().toInt());
            Received().clear();
            item->trigger();
            const std::vector<MSG> queued = Drain();
            ASSERT_EQ(queued.size(), 1u) << item->text().toStdString();
            EXPECT_EQ(queued[0].message, WM_COMMAND);
            EXPECT_EQ(queued[0].hwnd, window);
            EXPECT_EQ(LOWORD(queued[0].wParam), item->data().toInt());
            EXPECT_EQ(Received().size(), 0u) << "commands wait in the queue for the loop";
        }
    }
    const std::vector<std::pair<QString, int>> expected { { "Exit", IDM_EXIT },
        { "Shuffle", IDM_SHUFFLE }, { "Clear", IDM_CLEAR }, { "-", 0 },
        { "Full Screen(F1)", IDM_FULL_SCREEN }, { "About", IDM_ABOUT } };
    EXPECT_EQ(items, expected);
}

TEST_F(WindowBehaviour, style_switch_returns_the_previous_style_and_changes_the_frame)
{
    const HWND window = Create();
    const LONG windowed = SetWindowLongA(window, GWL_STYLE, static_cast<LONG>(WS_POPUP));
    // Overlapped windows get a caption; the visible window says so too.
    EXPECT_EQ(static_cast<DWORD>(windowed) & 0x00CA0000u, 0x00CA0000u);
    EXPECT_NE(static_cast<DWORD>(windowed) & WS_VISIBLE, 0u);
    ShowWindow(window, SW_SHOWNORMAL);
    QWidget* top = platform::WindowWidget(window);
    EXPECT_TRUE(top->windowFlags().testFlag(Qt::FramelessWindowHint));
    EXPECT_TRUE(top->isVisible());
    // A popup keeps its menu; the outer rectangle stays and the client area grows into the frame.
    EXPECT_EQ(View()->size(), QSize(OuterWidth(), OuterHeight() - GetSystemMetrics(SM_CYMENU)));

    const LONG popup = SetWindowLongA(window, GWL_STYLE, 0x00CA0000);
    EXPECT_EQ(static_cast<DWORD>(popup), WS_POPUP | WS_VISIBLE);
    ShowWindow(window, SW_SHOWNORMAL);
    EXPECT_FALSE(top->windowFlags().testFlag(Qt::FramelessWindowHint));
    EXPECT_EQ(View()->size(), QSize(640, 480));
}

TEST_F(WindowBehaviour, set_window_pos_moves_and_sizes_the_outer_rectangle)
{
    const HWND window = Create();
    SetWindowPos(window, nullptr, 10, 20, 0, 0, SWP_NOSIZE);
    RECT own;
    GetWindowRect(window, &own);
    EXPECT_EQ(own.left, 10);
    EXPECT_EQ(own.top, 20);
    EXPECT_EQ(own.right - own.left, OuterWidth());
    QPoint clientOnScreen
        = platform::WindowWidget(window)->geometry().topLeft() + View()->geometry().topLeft();
    EXPECT_EQ(clientOnScreen, QPoint(10 + 3, 20 + 3 + 19 + 19));

    SetWindowPos(window, nullptr, 500, 500, 300, 200, SWP_NOMOVE);
    GetWindowRect(window, &own);
    EXPECT_EQ(own.left, 10);
    EXPECT_EQ(own.right - own.left, 300);
    EXPECT_EQ(own.bottom - own.top, 200);
    EXPECT_EQ(View()->size(), QSize(300 - 6, 200 - 6 - 19 - 19));
}

TEST_F(WindowBehaviour, close_box_goes_through_default_processing_to_destroy)
{
    const HWND window = Create();
    Received().clear();
    platform::WindowWidget(window)->close();
    EXPECT_NE(platform::WindowWidget(window), nullptr) << "closing only asks";
    MSG msg;
    ASSERT_TRUE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
    EXPECT_EQ(msg.message, WM_CLOSE);
    DispatchMessageA(&msg);
    ASSERT_EQ(Received().size(), 2u);
    EXPECT_EQ(Received()[0].message, WM_CLOSE);
    EXPECT_EQ(Received()[1].message, WM_DESTROY);
    EXPECT_EQ(platform::WindowWidget(window), nullptr);
    RECT own;
    EXPECT_FALSE(GetWindowRect(window, &own));
}

TEST_F(WindowBehaviour, alt_f4_that_reaches_the_window_closes_it_too)
{
    const HWND window = Create();
    SendKey(QEvent::KeyPress, Qt::Key_F4, false, Qt::AltModifier);
    Received().clear();
    for (const MSG& msg : Drain())
        DispatchMessageA(&msg);
    ASSERT_FALSE(Received().empty());
    EXPECT_EQ(Received()[0].message, WM_SYSKEYDOWN);
    EXPECT_EQ(Received().back().message, WM_DESTROY);
    EXPECT_EQ(platform::WindowWidget(window), nullptr);
}

TEST_F(WindowBehaviour, quit_comes_after_what_is_queued_and_an_empty_queue_does_not_wait)
{
    Create();
    MSG msg;
    const auto start = std::chrono::steady_clock::now();
    EXPECT_FALSE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(200));

    SendKey(QEvent::KeyPress, Qt::Key_A);
    SendKey(QEvent::KeyRelease, Qt::Key_A);
    PostQuitMessage(7);
    const std::vector<MSG> taken = Drain();
    ASSERT_EQ(taken.size(), 3u);
    EXPECT_EQ(taken[0].message, WM_KEYDOWN);
    EXPECT_EQ(taken[1].message, WM_KEYUP);
    EXPECT_EQ(taken[2].message, WM_QUIT);
    EXPECT_EQ(taken[2].wParam, 7u);
    EXPECT_FALSE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) << "one quit request, one WM_QUIT";
}

TEST_F(WindowBehaviour, class_registration_rules)
{
    WNDCLASSA windowClass {};
    windowClass.lpszClassName = "Windows";
    EXPECT_EQ(RegisterClassA(&windowClass), 0) << "no procedure";
    windowClass.lpfnWndProc = DefWindowProcA;
    windowClass.lpszClassName = nullptr;
    EXPECT_EQ(RegisterClassA(&windowClass), 0) << "no name";
    windowClass.lpszClassName = "Windows";
    EXPECT_NE(RegisterClassA(&windowClass), 0);
    windowClass.lpszClassName = "WINDOWS";
    EXPECT_EQ(RegisterClassA(&windowClass), 0) << "class names ignore case";
    EXPECT_EQ(CreateWindowExA(0, "NoSuchClass", "x", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr,
                  nullptr, nullptr),
        nullptr);
}

} // namespace
} // namespace win32test
