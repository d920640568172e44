#include "platform/win32/top_level_widget.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include <QCloseEvent>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QMoveEvent>
#include <QPainter>
#include <QWheelEvent>

#include "platform/win32/input_translation.h"
#include "platform/win32/menu_mode.h"
#include "platform/win32/window_frame.h"
#include "platform/win32/window_state.h"

namespace platform {
namespace {

// Windows set-1 scan codes of the main block equal the evdev codes that X11 and Wayland report
// as key code - 8; other keys get no scan code, which nothing here reads.
unsigned ScanCodeOf(const QKeyEvent& event)
{
    const quint32 native = event.nativeScanCode();
    return native > 8 && native <= 8 + 88 ? native - 8 : 0;
}

QPoint Floor(QPointF p)
{
    return QPoint(static_cast<int>(std::floor(p.x())), static_cast<int>(std::floor(p.y())));
}

} // namespace

ClientView::ClientView(HWND window, QWidget* parent)
    : QWidget(parent)
    , window_(window)
    , background_(Qt::white)
{
    setMouseTracking(true);
    setFocusPolicy(Qt::StrongFocus);
    setAttribute(Qt::WA_OpaquePaintEvent);
    setAttribute(Qt::WA_KeyCompression, false);
}

void ClientView::ShowFrame(
    const std::uint32_t* pixels, int width, int height, int pitchPixels, bool unchanged)
{
    if (pixels == nullptr || width <= 0 || height <= 0 || pitchPixels < width)
        return;
    // A cube at rest is presented 62 times a second with the same picture; repainting the screen
    // for it would cost the X server and the compositor as much as drawing it again. The device
    // says when it presents the same pixels again, which costs nothing to act on; otherwise the
    // picture shown is the presented one made opaque, so telling them apart is one pass over
    // memory.
    const bool sameSize = picture_.width() == width && picture_.height() == height;
    if (unchanged && sameSize)
        return;
    bool same = sameSize;
    for (int y = 0; same && y < height; ++y) {
        const std::uint32_t* from = pixels + static_cast<std::ptrdiff_t>(y) * pitchPixels;
        const auto* shown = reinterpret_cast<const std::uint32_t*>(picture_.constScanLine(y));
        std::uint32_t differences = 0;
        for (int x = 0; x < width; ++x)
            differences |= (from[x] | 0xFF000000u) ^ shown[x];
        same = differences == 0;
    }
    if (same)
        return;
    if (!sameSize)
        picture_ = QImage(width, height, QImage::Format_RGB32);
    for (int y = 0; y < height; ++y) {
        const std::uint32_t* from = pixels + static_cast<std::ptrdiff_t>(y) * pitchPixels;
        auto* to = reinterpret_cast<std::uint32_t*>(picture_.scanLine(y));
        // X8R8G8B8 leaves the top byte undefined; Qt's RGB32 wants it opaque.
        for (int x = 0; x < width; ++x)
            to[x] = from[x] | 0xFF000000u;
    }
    update();
}

void ClientView::SetFullScreen(bool fullScreen)
{
    fullScreen_ = fullScreen;
    update();
}

void ClientView::SetBackground(const QColor& colour)
{
    background_ = colour;
    update();
}

QRect ClientView::PictureRect() const
{
    if (!fullScreen_)
        return rect();
    const int w = width();
    const int h = height();
    if (w * kFullScreenHeight >= h * kFullScreenWidth) {
        const int pictureWidth = h * kFullScreenWidth / kFullScreenHeight;
        return QRect((w - pictureWidth) / 2, 0, pictureWidth, h);
    }
    const int pictureHeight = w * kFullScreenHeight / kFullScreenWidth;
    return QRect(0, (h - pictureHeight) / 2, w, pictureHeight);
}

QPoint ClientView::ToClient(QPointF viewPosition) const
{
    if (!fullScreen_)
        return Floor(viewPosition);
    const QRect picture = PictureRect();
    if (picture.width() <= 0 || picture.height() <= 0)
        return QPoint(0, 0);
    const double x = (viewPosition.x() - picture.x()) * kFullScreenWidth / picture.width();
    const double y = (viewPosition.y() - picture.y()) * kFullScreenHeight / picture.height();
    // The switched display ends at the picture's edges; the black bars are not part of it.
    return QPoint(std::clamp(static_cast<int>(std::floor(x)), 0, kFullScreenWidth - 1),
        std::clamp(static_cast<int>(std::floor(y)), 0, kFullScreenHeight - 1));
}

bool ClientView::InClientArea(QPointF viewPosition) const
{
    return fullScreen_ || rect().contains(Floor(viewPosition));
}

bool ClientView::event(QEvent* event)
{
    switch (event->type()) {
    case QEvent::MouseMove:
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick: HandleMouse(event); return true;
    case QEvent::Wheel: HandleWheel(event); return true;
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
        // Taken before QWidget::event, which would spend Tab on moving the focus.
        return HandleKey(event);
    case QEvent::ShortcutOverride:
        // Every key belongs to the window procedure; the window has no shortcuts of its own.
        event->accept();
        return true;
    case QEvent::FocusOut: keysDown_.clear(); break;
    default: break;
    }
    return QWidget::event(event);
}

void ClientView::HandleMouse(QEvent* event)
{
    const auto* mouse = static_cast<QMouseEvent*>(event);
    lastCursor_ = mouse->position();
    NoteCursorInWindow(window_);
    // No capture: Qt keeps sending to the view while a button is held, Win32 would not.
    if (!InClientArea(mouse->position()))
        return;
    // In full screen the menu bar, hidden, still lies over the top rows of the picture.
    auto* top = static_cast<TopLevelWidget*>(parentWidget());
    if (fullScreen_ && event->type() == QEvent::MouseButtonPress
        && mouse->button() == Qt::LeftButton && TakeFullScreenMenuPress(*top, mouse->position())) {
        return;
    }
    if (event->type() != QEvent::MouseMove && mouse->button() != Qt::LeftButton
        && mouse->button() != Qt::RightButton && mouse->button() != Qt::MiddleButton) {
        return;
    }

    UINT message = WM_MOUSEMOVE;
    if (event->type() != QEvent::MouseMove) {
        const int button = mouse->button() == Qt::LeftButton ? 0
            : mouse->button() == Qt::RightButton             ? 1
                                                             : 2;
        static constexpr UINT kDown[] = { WM_LBUTTONDOWN, WM_RBUTTONDOWN, WM_MBUTTONDOWN };
        static constexpr UINT kUp[] = { WM_LBUTTONUP, WM_RBUTTONUP, WM_MBUTTONUP };
        static constexpr UINT kDouble[] = { WM_LBUTTONDBLCLK, WM_RBUTTONDBLCLK, WM_MBUTTONDBLCLK };
        if (event->type() == QEvent::MouseButtonRelease) {
            message = kUp[button];
        } else if (event->type() == QEvent::MouseButtonDblClick) {
            // Only a class that asks for double-clicks gets them; for others it is a second press.
            const Window* window = FindWindowByHandle(window_);
            const bool wantsDouble = window != nullptr && (window->classStyle & CS_DBLCLKS) != 0;
            message = wantsDouble ? kDouble[button] : kDown[button];
        } else {
            message = kDown[button];
        }
    }
    const QPoint client = ToClient(mouse->position());
    PostWindowMessage(window_, message, MouseKeyFlags(mouse->buttons(), mouse->modifiers()),
        PointLParam(client.x(), client.y()));
}

void ClientView::HandleWheel(QEvent* event)
{
    const auto* wheel = static_cast<QWheelEvent*>(event);
    lastCursor_ = wheel->position();
    NoteCursorInWindow(window_);
    const int delta = wheel->angleDelta().y();
    if (delta == 0 || !InClientArea(wheel->position()))
        return;
    const Window* window = FindWindowByHandle(window_);
    if (window == nullptr)
        return;
    // Qt measures in eighths of a degree, 120 a notch, the same scale as WHEEL_DELTA.
    const SHORT wheelDelta = static_cast<SHORT>(std::clamp(delta, -32768, 32767));
    const WPARAM keys = MouseKeyFlags(wheel->buttons(), wheel->modifiers());
    const QPoint screen = ClientOrigin(*window) + ToClient(wheel->position());
    PostWindowMessage(
        window_, WM_MOUSEWHEEL, MAKEWPARAM(keys, wheelDelta), PointLParam(screen.x(), screen.y()));
}

bool ClientView::HandleKey(QEvent* event)
{
    const auto* key = static_cast<QKeyEvent*>(event);
    const bool release = event->type() == QEvent::KeyRelease;
    const int virtualKey = VirtualKeyFromQt(key->key(), key->modifiers());
    if (virtualKey == 0)
        return false;
    // Held keys repeat as key-downs only; X11 reports each repeat as a release and a press.
    if (release && key->isAutoRepeat())
        return true;

    KeyStroke stroke;
    stroke.virtualKey = virtualKey;
    stroke.scanCode = ScanCodeOf(*key);
    stroke.altDown = key->modifiers().testFlag(Qt::AltModifier);
    stroke.release = release;
    stroke.wasDown = !release && (key->isAutoRepeat() || keysDown_.count(virtualKey) != 0);
    if (release) {
        keysDown_.erase(virtualKey);
    } else {
        keysDown_.insert(virtualKey);
    }
    const bool system = IsSystemKey(virtualKey, stroke.altDown);
    const UINT message
        = system ? (release ? WM_SYSKEYUP : WM_SYSKEYDOWN) : (release ? WM_KEYUP : WM_KEYDOWN);
    PostWindowMessage(window_, message, static_cast<WPARAM>(virtualKey), KeyMessageLParam(stroke));
    return true;
}

void ClientView::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    if (fullScreen_)
        painter.fillRect(rect(), Qt::black);
    if (picture_.isNull()) {
        if (!fullScreen_)
            painter.fillRect(rect(), background_);
        return;
    }
    const QRect target = PictureRect();
    if (target.size() == picture_.size()) {
        painter.drawImage(target.topLeft(), picture_);
    } else {
        painter.setRenderHint(QPainter::SmoothPixmapTransform, fullScreen_);
        painter.drawImage(target, picture_);
    }
}

TopLevelWidget::TopLevelWidget(HWND window)
    : QWidget(nullptr)
    , window_(window)
    , menuBar_(new MenuBarWidget(this))
    , view_(new ClientView(window, this))
{
    WatchMenuBars();
    menuBar_->setNativeMenuBar(false);
    menuBar_->setFixedHeight(kMenuBarHeight);
    menuBar_->hide();
    setFocusProxy(view_);
    LayOut();
}

void TopLevelWidget::SetMenuShown(bool shown)
{
    if (menuShown_ == shown)
        return;
    menuShown_ = shown;
    if (shown)
        menuOverPicture_ = false;
    LayOut();
}

void TopLevelWidget::ShowMenuOverPicture(bool shown)
{
    const bool over = shown && !menuShown_;
    if (menuOverPicture_ == over)
        return;
    menuOverPicture_ = over;
    LayOut();
}

void TopLevelWidget::LayOut()
{
    const int top = menuShown_ ? kMenuBarHeight : 0;
    view_->setGeometry(0, top, width(), std::max(0, height() - top));
    if (menuOverPicture_) {
        const QRect picture = view_->PictureRect().translated(view_->pos());
        menuBar_->setGeometry(picture.x(), picture.y(), picture.width(), kMenuBarHeight);
        menuBar_->raise();
    } else {
        menuBar_->setGeometry(0, 0, width(), kMenuBarHeight);
    }
    menuBar_->setVisible(menuShown_ || menuOverPicture_);
}

void TopLevelWidget::closeEvent(QCloseEvent* event)
{
    // The close box and Alt+F4 ask; the window procedure decides (default processing destroys).
    event->ignore();
    PostWindowMessage(window_, WM_CLOSE, 0, 0);
}

void TopLevelWidget::resizeEvent(QResizeEvent*)
{
    LayOut();
}

void TopLevelWidget::moveEvent(QMoveEvent* event)
{
    // Only X11 tells where a window really is; the user may have dragged it by its caption.
    if (!event->spontaneous() || QGuiApplication::platformName() != QLatin1String("xcb"))
        return;
    Window* window = FindWindowByHandle(window_);
    if (window == nullptr || window->fullScreen || !window->visible || window->minimized)
        return;
    const FrameInsets insets = InsetsOf(*window);
    const int widgetTop = insets.top - (window->hasMenu ? kMenuBarHeight : 0);
    const LONG width = window->outer.right - window->outer.left;
    const LONG height = window->outer.bottom - window->outer.top;
    window->outer.left = event->pos().x() - insets.left;
    window->outer.top = event->pos().y() - widgetTop;
    window->outer.right = window->outer.left + width;
    window->outer.bottom = window->outer.top + height;
}

} // namespace platform
