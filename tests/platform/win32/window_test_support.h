#pragma once
// A window set up as the program sets up its own, with a procedure that records what it gets.
#include <vector>

#include <QEvent>
#include <QPoint>
#include <QWidget>
#include <gtest/gtest.h>

#include "platform/win32/windows.h"

namespace win32test {

struct Recorded {
    HWND window;
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
};

// Everything the test procedure received, in order.
std::vector<Recorded>& Received();

// The program's outer size for a 640x480 client area.
int OuterWidth();
int OuterHeight();

class ProgramWindow : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // Registers the class (style CS_HREDRAW | CS_VREDRAW plus extraClassStyle, menu 101, icon 106)
    // and creates the window the way start-up does; the procedure centres it in WM_CREATE.
    HWND Create(UINT extraClassStyle = 0);

    // Lets Qt deliver, then takes every queued message (without dispatching).
    std::vector<MSG> Drain();

    QWidget* View() const;
    void SendMouse(QEvent::Type type, QPointF position, Qt::MouseButton button,
        Qt::MouseButtons buttons, Qt::KeyboardModifiers modifiers = Qt::NoModifier);
    void SendKey(QEvent::Type type, int key, bool autoRepeat = false,
        Qt::KeyboardModifiers modifiers = Qt::NoModifier);

    HWND window_ = nullptr;
};

} // namespace win32test
