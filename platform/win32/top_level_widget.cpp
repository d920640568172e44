#include "platform/win32/top_level_widget.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include <QCloseEvent>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QMoveEvent>
#include <QPaintEvent>
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

// Copies a row made opaque (X8R8G8B8 leaves the top byte undefined; Qt's RGB32 wants it set);
// whether it differed from what it replaced. The rows never overlap, which lets it vectorise.
bool CopyOpaque(const std::uint32_t* __restrict from, std::uint32_t* __restrict to, int count)
{
    std::uint32_t differences = 0;
    for (int x = 0; x < count; ++x) {
        const std::uint32_t pixel = from[x] | 0xFF000000u;
        differences |= pixel ^ to[x];
        to[x] = pixel;
    }
    return differences != 0;
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

void ClientView::ShowFrame(const std::uint32_t* pixels, int width, int height, int pitchPixels,
    bool unchanged, const RECT* changed, int changedCount)
{
    if (pixels == nullptr || width <= 0 || height <= 0 || pitchPixels < width)
        return;
    // A cube at rest is presented 62 times a second with the same picture; repainting the screen
    // for it would cost the X server and the compositor as much as drawing it again. The device
    // says when it presents the same pixels again, which costs nothing to act on, and which parts
    // of a new picture may differ from the last (a turning cube is a third of the screen).
    const bool known
        = picture_.width() == width && picture_.height() == height && pictureSource_ == pixels;
    if (unchanged && known)
        return;
    const QRect whole(0, 0, width, height);
    if (!known || changed == nullptr) {
        if (!known) {
            picture_ = QImage(width, height, QImage::Format_RGB32);
            pictureSource_ = pixels;
        }
        TakeRows(pixels, pitchPixels, whole, !known);
        return;
    }
    for (int i = 0; i < changedCount; ++i) {
        const RECT& r = changed[i];
        TakeRows(pixels, pitchPixels,
            whole & QRect(QPoint(r.left, r.top), QPoint(r.right - 1, r.bottom - 1)), false);
    }
}

void ClientView::TakeRows(
    const std::uint32_t* pixels, int pitchPixels, const QRect& area, bool repaint)
{
    // The picture shown is the presented one made opaque: rows are copied and compared in one
    // pass, and only the rows that differed are repainted.
    int top = area.bottom() + 1, bottom = area.top() - 1;
    for (int y = area.top(); y <= area.bottom(); ++y) {
        const std::uint32_t* from
            = pixels + static_cast<std::ptrdiff_t>(y) * pitchPixels + area.left();
        auto* to = reinterpret_cast<std::uint32_t*>(picture_.scanLine(y)) + area.left();
        if (CopyOpaque(from, to, area.width()) || repaint) {
            top = std::min(top, y);
            bottom = y;
        }
    }
    if (bottom >= top)
        update(ViewRectOf(QRect(area.left(), top, area.width(), bottom - top + 1)));
}

QRect ClientView::ViewRectOf(const QRect& pictureArea) const
{
    const QRect target = PictureRect();
    if (target.size() == picture_.size())
        return pictureArea.translated(target.topLeft());
    // Scaled: the smoothing reads the neighbouring pixels, which reach a scaled pixel further.
    const double sx = static_cast<double>(target.width()) / picture_.width();
    const double sy = static_cast<double>(target.height()) / picture_.height();
    const int margin = static_cast<int>(std::ceil(std::max(sx, sy))) + 1;
    const int left = static_cast<int>(std::floor(pictureArea.left() * sx)) - margin;
    const int top = static_cast<int>(std::floor(pictureArea.top() * sy)) - margin;
    const int right = static_cast<int>(std::ceil((pictureArea.right() + 1) * sx)) + margin;
    const int bottom = static_cast<int>(std::ceil((pictureArea.bottom() + 1) * sy)) + margin;
    return QRect(target.x() + left, target.y() + top, right - left, bottom - top);
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

void ClientView::paintEvent(QPaintEvent* event)
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
        // One rectangle at a time: clipped to several at once, Qt blends the picture span by
        // span and hands the spans to other threads, which costs more than the copy itself.
        for (const QRect& area : event->region()) {
            painter.setClipRect(area);
            painter.drawImage(area.topLeft(), picture_, area.translated(-target.topLeft()));
        }
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
