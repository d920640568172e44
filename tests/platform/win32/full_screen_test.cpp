// A full-screen device: the window fills the screen with its picture, aspect kept, and the
// program sees a 640x480 display; going back restores the window the program then places.
#include <algorithm>
#include <vector>

#include <QCoreApplication>
#include <QImage>
#include <QScreen>

#include "platform/win32/window_access.h"
#include "platform/win32/window_display.h"
#include "window_test_support.h"

namespace win32test {
namespace {

using FullScreenDisplay = ProgramWindow;

std::vector<std::uint32_t> Picture(std::uint32_t colour)
{
    std::vector<std::uint32_t> pixels(640 * 480, colour);
    // A white mark in the top-left corner shows where the picture starts.
    for (int y = 0; y < 8; ++y) {
        for (int x = 0; x < 8; ++x)
            pixels[y * 640 + x] = 0x00FFFFFF;
    }
    return pixels;
}

QRgb At(const QImage& image, int x, int y)
{
    return image.pixel(x, y) & 0xFFFFFF;
}

TEST_F(FullScreenDisplay, presented_frame_fills_the_client_area_one_to_one)
{
    const HWND window = Create();
    const std::vector<std::uint32_t> pixels = Picture(0x00204080);
    platform::ShowPresentedFrame(window, pixels.data(), 640, 480, 640);
    UpdateWindow(window);
    const QImage shown = View()->grab().toImage();
    ASSERT_EQ(shown.size(), QSize(640, 480));
    EXPECT_EQ(At(shown, 0, 0), 0xFFFFFFu);
    EXPECT_EQ(At(shown, 8, 8), 0x204080u);
    EXPECT_EQ(At(shown, 639, 479), 0x204080u);
}

TEST_F(FullScreenDisplay, switched_display_is_640_by_480_for_desktop_cursor_and_mouse)
{
    const HWND window = Create();
    RECT realDesktop;
    GetWindowRect(GetDesktopWindow(), &realDesktop);

    // What full-screen device creation and the program's mode switch do, in their order.
    platform::SetWindowFullScreen(window, true);
    SetWindowPos(window, nullptr, 0, 0, 640, 480, SWP_NOMOVE);
    SetWindowLongA(window, GWL_STYLE, static_cast<LONG>(WS_POPUP));
    ShowWindow(window, SW_SHOWNORMAL);
    UpdateWindow(window);
    QWidget* top = platform::WindowWidget(window);
    QCoreApplication::processEvents();
    EXPECT_TRUE(top->isFullScreen());
    EXPECT_FALSE(platform::WindowMenuBar(window)->isVisible());
    const QSize screen = top->screen()->size();
    ASSERT_EQ(View()->size(), screen) << "the picture has the whole screen";

    RECT desktop;
    GetWindowRect(GetDesktopWindow(), &desktop);
    EXPECT_EQ(desktop.left, 0);
    EXPECT_EQ(desktop.top, 0);
    EXPECT_EQ(desktop.right, 640);
    EXPECT_EQ(desktop.bottom, 480);
    EXPECT_EQ(GetSystemMetrics(SM_CXSCREEN), 640);

    // The largest 4:3 rectangle in the middle of the screen (Qt's offscreen screen is square,
    // so there are bars above and below).
    const int pictureWidth = std::min(screen.width(), screen.height() * 4 / 3);
    const int pictureHeight = pictureWidth * 3 / 4;
    const QRect picture((screen.width() - pictureWidth) / 2, (screen.height() - pictureHeight) / 2,
        pictureWidth, pictureHeight);
    const std::vector<std::uint32_t> pixels = Picture(0x00FF0000);
    platform::ShowPresentedFrame(window, pixels.data(), 640, 480, 640);
    const QImage shown = View()->grab().toImage();
    EXPECT_EQ(At(shown, picture.left() + 2, picture.top() + 2), 0xFFFFFFu)
        << "the picture's corner";
    EXPECT_EQ(At(shown, picture.center().x(), picture.center().y()), 0xFF0000u);
    if (picture.top() > 0) {
        EXPECT_EQ(At(shown, picture.center().x(), picture.top() / 2), 0u) << "bar";
    }
    if (picture.left() > 0) {
        EXPECT_EQ(At(shown, picture.left() / 2, picture.center().y()), 0u) << "bar";
    }

    // The real cursor in the middle of the picture is in the middle of the 640x480 display.
    SendMouse(QEvent::MouseMove,
        QPointF(picture.x() + pictureWidth * 0.5, picture.y() + pictureHeight * 0.5), Qt::NoButton,
        Qt::NoButton);
    SendMouse(QEvent::MouseButtonPress,
        QPointF(picture.x() + pictureWidth * 0.75, picture.y() + pictureHeight * 0.25),
        Qt::LeftButton, Qt::LeftButton);
    const std::vector<MSG> taken = Drain();
    ASSERT_EQ(taken.size(), 2u);
    EXPECT_EQ(LOWORD(taken[0].lParam), 320);
    EXPECT_EQ(HIWORD(taken[0].lParam), 240);
    EXPECT_EQ(LOWORD(taken[1].lParam), 480);
    EXPECT_EQ(HIWORD(taken[1].lParam), 120);
    POINT cursor;
    GetCursorPos(&cursor);
    EXPECT_EQ(cursor.x, 480);
    EXPECT_EQ(cursor.y, 120);
    // Beyond the picture is the edge of the switched display.
    SendMouse(QEvent::MouseMove, QPointF(-5, -5), Qt::NoButton, Qt::LeftButton);
    GetCursorPos(&cursor);
    EXPECT_EQ(cursor.x, 0);
    EXPECT_EQ(cursor.y, 0);
    Drain();

    // Back to windowed: the program centres by the full-screen size, then sets its outer size.
    platform::SetWindowFullScreen(window, false);
    GetWindowRect(GetDesktopWindow(), &desktop);
    EXPECT_EQ(desktop.right, realDesktop.right);
    RECT own;
    GetWindowRect(window, &own);
    EXPECT_EQ(own.right - own.left, 640) << "still the full-screen size";
    const int x = (desktop.right - (own.right - own.left)) / 2;
    const int y = (desktop.bottom - (own.bottom - own.top)) / 2;
    SetWindowPos(window, nullptr, x, y, OuterWidth(), OuterHeight(), SWP_SHOWWINDOW);
    SetWindowLongA(window, GWL_STYLE, 0x00CA0000);
    ShowWindow(window, SW_SHOWNORMAL);
    UpdateWindow(window);
    EXPECT_FALSE(top->isFullScreen());
    EXPECT_TRUE(top->isVisible());
    EXPECT_TRUE(platform::WindowMenuBar(window)->isVisible());
    EXPECT_EQ(View()->size(), QSize(640, 480));
    GetWindowRect(window, &own);
    EXPECT_EQ(own.left, x);
    EXPECT_EQ(own.top, y);

    SendMouse(QEvent::MouseMove, { 10, 20 }, Qt::NoButton, Qt::NoButton);
    GetCursorPos(&cursor);
    EXPECT_EQ(cursor.x, x + 3 + 10);
    EXPECT_EQ(cursor.y, y + 3 + 19 + 19 + 20);
}

} // namespace
} // namespace win32test
