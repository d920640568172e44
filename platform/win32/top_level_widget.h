#pragma once
// The Qt side of a window: a top-level widget holding the menu bar and the client view. The
// view shows the pictures presented for the window and turns Qt input into Win32 messages.
#include <cstdint>
#include <set>
#include <vector>

#include <QImage>
#include <QMenuBar>
#include <QPointF>
#include <QWidget>

#include "platform/win32/menu_bar_widget.h"
#include "platform/win32/windows.h"

namespace platform {

class ClientView : public QWidget {
public:
    ClientView(HWND window, QWidget* parent);

    // `unchanged`: the pixels are those of the last call, so the picture shown stays. `changed`
    // (null: all of them): outside these `changedCount` rectangles the pixels are those of the
    // last call with the same memory.
    void ShowFrame(const std::uint32_t* pixels, int width, int height, int pitchPixels,
        bool unchanged, const RECT* changed = nullptr, int changedCount = 0);
    void SetFullScreen(bool fullScreen);
    void SetBackground(const QColor& colour);

    // Where the picture lies in the view: the whole view when windowed (Present stretches the
    // back buffer over the client area), the largest 4:3 rectangle in the middle when full screen.
    QRect PictureRect() const;
    // Client coordinates of a view position; in full screen those of the switched 640x480 display.
    QPoint ToClient(QPointF viewPosition) const;
    // Whether the position lies in the client area: elsewhere the window gets no mouse message.
    bool InClientArea(QPointF viewPosition) const;
    // The last view position at which the cursor was seen.
    QPointF LastCursorPosition() const { return lastCursor_; }

protected:
    bool event(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    // Where rows top..bottom - 1 and columns left..right - 1 of the picture show in the view.
    QRect ViewRectOf(const QRect& pictureArea) const;
    // Copies the area's rows into the picture; repaints the rows that differed.
    void TakeRows(const std::uint32_t* pixels, int pitchPixels, const QRect& area, bool repaint);
    void HandleMouse(QEvent* event);
    void HandleWheel(QEvent* event);
    bool HandleKey(QEvent* event);

    HWND window_;
    QImage picture_;
    const std::uint32_t* pictureSource_ = nullptr; // the pixels last copied into it
    QColor background_;
    bool fullScreen_ = false;
    std::set<int> keysDown_;
    QPointF lastCursor_;
};

class TopLevelWidget : public QWidget {
public:
    explicit TopLevelWidget(HWND window);

    QMenuBar* MenuBar() const { return menuBar_; }
    MenuBarWidget* Bar() const { return menuBar_; }
    ClientView* View() const { return view_; }
    void SetMenuShown(bool shown);
    // While the window is full screen and in menu mode: the menu bar over the top of the picture,
    // which keeps its place and scale below it.
    void ShowMenuOverPicture(bool shown);

protected:
    void closeEvent(QCloseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void moveEvent(QMoveEvent* event) override;

private:
    void LayOut();

    HWND window_;
    MenuBarWidget* menuBar_;
    ClientView* view_;
    bool menuShown_ = false;
    bool menuOverPicture_ = false;
};

} // namespace platform
