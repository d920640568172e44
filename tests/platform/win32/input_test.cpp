// Qt input as the window procedure sees it: mouse messages with client coordinates and MK_*
// flags, nothing from outside the client area, the wheel delta in the high word, virtual keys
// with repeat bits.
#include <QCoreApplication>
#include <QWheelEvent>

#include "platform/win32/window_access.h"
#include "window_test_support.h"

namespace win32test {
namespace {

using InputMessages = ProgramWindow;

short X(LPARAM lParam)
{
    return static_cast<short>(LOWORD(lParam));
}
short Y(LPARAM lParam)
{
    return static_cast<short>(HIWORD(lParam));
}

TEST_F(InputMessages, mouse_messages_carry_client_coordinates_and_button_flags)
{
    Create();
    SendMouse(QEvent::MouseMove, { 10, 20 }, Qt::NoButton, Qt::NoButton);
    SendMouse(QEvent::MouseButtonPress, { 100.6, 50.2 }, Qt::LeftButton, Qt::LeftButton);
    SendMouse(QEvent::MouseMove, { 120, 60 }, Qt::NoButton, Qt::LeftButton, Qt::ControlModifier);
    SendMouse(QEvent::MouseButtonRelease, { 639, 479 }, Qt::LeftButton, Qt::NoButton);
    SendMouse(
        QEvent::MouseButtonPress, { 5, 6 }, Qt::RightButton, Qt::RightButton, Qt::ShiftModifier);
    SendMouse(QEvent::MouseButtonRelease, { 5, 6 }, Qt::RightButton, Qt::NoButton);
    SendMouse(QEvent::MouseButtonPress, { 7, 8 }, Qt::MiddleButton, Qt::MiddleButton);
    SendMouse(QEvent::MouseButtonRelease, { 7, 8 }, Qt::MiddleButton, Qt::NoButton);

    const std::vector<MSG> taken = Drain();
    struct Expected {
        UINT message;
        WPARAM wParam;
        int x, y;
    };
    const std::vector<Expected> expected {
        { WM_MOUSEMOVE, 0, 10, 20 },
        { WM_LBUTTONDOWN, MK_LBUTTON, 100, 50 },
        { WM_MOUSEMOVE, MK_LBUTTON | MK_CONTROL, 120, 60 },
        { WM_LBUTTONUP, 0, 639, 479 },
        { WM_RBUTTONDOWN, MK_RBUTTON | MK_SHIFT, 5, 6 },
        { WM_RBUTTONUP, 0, 5, 6 },
        { WM_MBUTTONDOWN, MK_MBUTTON, 7, 8 },
        { WM_MBUTTONUP, 0, 7, 8 },
    };
    ASSERT_EQ(taken.size(), expected.size());
    for (std::size_t i = 0; i < expected.size(); ++i) {
        EXPECT_EQ(taken[i].message, expected[i].message) << i;
        EXPECT_EQ(taken[i].wParam, expected[i].wParam) << i;
        EXPECT_EQ(X(taken[i].lParam), expected[i].x) << i;
        EXPECT_EQ(Y(taken[i].lParam), expected[i].y) << i;
    }
}

TEST_F(InputMessages, nothing_arrives_while_the_cursor_is_outside_the_client_area)
{
    Create();
    // Qt keeps sending to the pressed widget (an implicit grab); Win32 without capture does not.
    SendMouse(QEvent::MouseButtonPress, { 300, 200 }, Qt::RightButton, Qt::RightButton);
    SendMouse(QEvent::MouseMove, { 700, 200 }, Qt::NoButton, Qt::RightButton);
    SendMouse(QEvent::MouseMove, { 300, -1 }, Qt::NoButton, Qt::RightButton);
    SendMouse(QEvent::MouseMove, { 640, 10 }, Qt::NoButton, Qt::RightButton);
    SendMouse(QEvent::MouseButtonRelease, { 300, 480 }, Qt::RightButton, Qt::NoButton);
    SendMouse(QEvent::MouseMove, { 320, 240 }, Qt::NoButton, Qt::NoButton);

    const std::vector<MSG> taken = Drain();
    ASSERT_EQ(taken.size(), 2u);
    EXPECT_EQ(taken[0].message, WM_RBUTTONDOWN);
    EXPECT_EQ(taken[1].message, WM_MOUSEMOVE);
    EXPECT_EQ(taken[1].wParam, 0u) << "back inside, the release was never seen";
}

TEST_F(InputMessages, second_click_is_a_press_unless_the_class_asks_for_double_clicks)
{
    Create();
    SendMouse(QEvent::MouseButtonPress, { 50, 50 }, Qt::LeftButton, Qt::LeftButton);
    SendMouse(QEvent::MouseButtonRelease, { 50, 50 }, Qt::LeftButton, Qt::NoButton);
    SendMouse(QEvent::MouseButtonDblClick, { 50, 50 }, Qt::LeftButton, Qt::LeftButton);
    SendMouse(QEvent::MouseButtonRelease, { 50, 50 }, Qt::LeftButton, Qt::NoButton);
    std::vector<UINT> messages;
    for (const MSG& msg : Drain())
        messages.push_back(msg.message);
    EXPECT_EQ(messages,
        (std::vector<UINT> { WM_LBUTTONDOWN, WM_LBUTTONUP, WM_LBUTTONDOWN, WM_LBUTTONUP }));

    platform::DestroyAllWindowsQuietly();
    platform::UnregisterAllClasses();
    Create(CS_DBLCLKS);
    SendMouse(QEvent::MouseButtonDblClick, { 50, 50 }, Qt::LeftButton, Qt::LeftButton);
    const std::vector<MSG> taken = Drain();
    ASSERT_EQ(taken.size(), 1u);
    EXPECT_EQ(taken[0].message, WM_LBUTTONDBLCLK);
}

TEST_F(InputMessages, wheel_delta_is_signed_in_the_high_word_with_screen_coordinates)
{
    const HWND window = Create();
    const QPointF at(200, 100);
    for (int delta : { -120, 240 }) {
        QWheelEvent wheel(at, View()->mapToGlobal(at), QPoint(), QPoint(0, delta), Qt::RightButton,
            Qt::NoModifier, Qt::NoScrollPhase, false);
        QCoreApplication::sendEvent(View(), &wheel);
    }
    const std::vector<MSG> taken = Drain();
    ASSERT_EQ(taken.size(), 2u);
    POINT client { 200, 100 };
    RECT own;
    GetWindowRect(window, &own);
    for (const MSG& msg : taken) {
        EXPECT_EQ(msg.message, WM_MOUSEWHEEL);
        EXPECT_EQ(LOWORD(msg.wParam), MK_RBUTTON);
        POINT at { X(msg.lParam), Y(msg.lParam) };
        ScreenToClient(window, &at);
        EXPECT_EQ(at.x, client.x);
        EXPECT_EQ(at.y, client.y);
    }
    EXPECT_EQ(GET_WHEEL_DELTA_WPARAM(taken[0].wParam), -120);
    EXPECT_EQ(GET_WHEEL_DELTA_WPARAM(taken[1].wParam), 240);
}

TEST_F(InputMessages, cursor_position_agrees_with_the_mouse_messages)
{
    const HWND window = Create();
    SendMouse(QEvent::MouseMove, { 123, 45 }, Qt::NoButton, Qt::NoButton);
    const std::vector<MSG> taken = Drain();
    ASSERT_EQ(taken.size(), 1u);
    POINT cursor;
    ASSERT_TRUE(GetCursorPos(&cursor));
    EXPECT_EQ(taken[0].pt.x, cursor.x) << "the message's cursor position is the same";
    EXPECT_EQ(taken[0].pt.y, cursor.y);
    ScreenToClient(window, &cursor);
    EXPECT_EQ(cursor.x, 123);
    EXPECT_EQ(cursor.y, 45);
}

TEST_F(InputMessages, keys_become_virtual_keys_and_held_keys_repeat_as_key_downs)
{
    Create();
    SendKey(QEvent::KeyPress, Qt::Key_F1);
    // X11 reports each repeat as a release and a press, both marked as auto-repeat.
    SendKey(QEvent::KeyRelease, Qt::Key_F1, true);
    SendKey(QEvent::KeyPress, Qt::Key_F1, true);
    SendKey(QEvent::KeyRelease, Qt::Key_F1, true);
    SendKey(QEvent::KeyPress, Qt::Key_F1, true);
    SendKey(QEvent::KeyRelease, Qt::Key_F1);
    const std::vector<MSG> taken = Drain();
    ASSERT_EQ(taken.size(), 4u);
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(taken[i].message, WM_KEYDOWN);
        EXPECT_EQ(taken[i].wParam, static_cast<WPARAM>(VK_F1));
        EXPECT_EQ(taken[i].lParam & 0xFFFF, 1) << "repeat count";
        EXPECT_EQ((taken[i].lParam >> 30) & 1, i == 0 ? 0 : 1) << "previous key state, press " << i;
        EXPECT_EQ((taken[i].lParam >> 31) & 1, 0);
    }
    EXPECT_EQ(taken[3].message, WM_KEYUP);
    EXPECT_EQ((taken[3].lParam >> 30) & 3, 3);
}

TEST_F(InputMessages, qt_keys_map_to_windows_virtual_keys)
{
    Create();
    const std::vector<std::pair<int, int>> keys { { Qt::Key_Escape, 0x1B }, { Qt::Key_F1, 0x70 },
        { Qt::Key_F2, 0x71 }, { Qt::Key_Left, 0x25 }, { Qt::Key_Up, 0x26 }, { Qt::Key_Right, 0x27 },
        { Qt::Key_Down, 0x28 }, { Qt::Key_A, 'A' }, { Qt::Key_Z, 'Z' }, { Qt::Key_0, '0' },
        { Qt::Key_9, '9' }, { Qt::Key_Exclam, '1' }, { Qt::Key_Space, 0x20 },
        { Qt::Key_Return, 0x0D }, { Qt::Key_Tab, 0x09 }, { Qt::Key_Shift, 0x10 } };
    for (const auto& [qtKey, virtualKey] : keys) {
        SendKey(QEvent::KeyPress, qtKey);
        SendKey(QEvent::KeyRelease, qtKey);
        const std::vector<MSG> taken = Drain();
        ASSERT_EQ(taken.size(), 2u) << virtualKey;
        EXPECT_EQ(taken[0].message, WM_KEYDOWN);
        EXPECT_EQ(taken[0].wParam, static_cast<WPARAM>(virtualKey));
        EXPECT_EQ(taken[1].message, WM_KEYUP);
        EXPECT_EQ(taken[1].wParam, static_cast<WPARAM>(virtualKey));
    }
    // Arrows are extended keys.
    SendKey(QEvent::KeyPress, Qt::Key_Left);
    const std::vector<MSG> arrow = Drain();
    ASSERT_EQ(arrow.size(), 1u);
    EXPECT_EQ((arrow[0].lParam >> 24) & 1, 1);
}

} // namespace
} // namespace win32test
