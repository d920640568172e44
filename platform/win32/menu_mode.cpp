#include "platform/win32/menu_mode.h"

#include <QApplication>
#include <QKeyEvent>
#include <QMenu>
#include <QPointer>

#include "platform/win32/menu_bar_widget.h"
#include "platform/win32/top_level_widget.h"
#include "platform/win32/window_state.h"

namespace platform {
namespace {

constexpr WPARAM kScKeyMenu = 0xF100;
constexpr int kVkF10 = 0x79;
constexpr LPARAM kKeyWasDown = LPARAM { 1 } << 30;

// The window whose bar has a title highlighted or a menu open; null outside menu mode.
QPointer<TopLevelWidget> modeWindow;

// Key default processing: whether the keys since the last release could still be F10, or Alt,
// pressed alone.
bool altAlone = false;
bool f10Alone = false;

MenuBarWidget* HighlightedBar()
{
    if (modeWindow == nullptr || modeWindow->Bar()->HighlightedTitle() < 0)
        return nullptr;
    return modeWindow->Bar();
}

void Enter(TopLevelWidget& widget)
{
    if (modeWindow != nullptr && modeWindow != &widget)
        modeWindow->ShowMenuOverPicture(false);
    modeWindow = &widget;
    widget.ShowMenuOverPicture(true);
}

void Leave()
{
    if (modeWindow == nullptr)
        return;
    modeWindow->Bar()->SetHighlightedTitle(-1);
    modeWindow->ShowMenuOverPicture(false);
    modeWindow = nullptr;
}

// A key while a title is highlighted and no menu is open.
void HandleTitleKey(MenuBarWidget& bar, int key)
{
    const int count = static_cast<int>(bar.Titles().size());
    const int current = bar.HighlightedTitle();
    switch (key) {
    case Qt::Key_Left: bar.SetHighlightedTitle((current + count - 1) % count); break;
    case Qt::Key_Right: bar.SetHighlightedTitle((current + 1) % count); break;
    case Qt::Key_Down:
    case Qt::Key_Up:
    case Qt::Key_Return:
    case Qt::Key_Enter: bar.OpenTitle(current); break;
    case Qt::Key_Escape:
    case Qt::Key_F10:
    case Qt::Key_Alt: bar.SetHighlightedTitle(-1); break;
    default: break; // the menu has no mnemonics: other keys do nothing
    }
}

// Escape in a menu opened from a bar closes it and leaves its title highlighted (in a sub-menu
// Qt's own step back one level is right); F10 or Alt there ends menu mode altogether.
bool CloseBarMenu(QWidget* popup, int key)
{
    if (key != Qt::Key_Escape && key != Qt::Key_F10 && key != Qt::Key_Alt)
        return false;
    auto* menu = qobject_cast<QMenu*>(popup);
    auto* bar = menu != nullptr ? dynamic_cast<MenuBarWidget*>(menu->parentWidget()) : nullptr;
    auto* widget = bar != nullptr ? dynamic_cast<TopLevelWidget*>(bar->parentWidget()) : nullptr;
    if (widget == nullptr)
        return false;
    const int title = static_cast<int>(bar->Titles().indexOf(menu->menuAction()));
    if (title < 0)
        return false;
    menu->hide();
    Enter(*widget);
    bar->SetHighlightedTitle(key == Qt::Key_Escape ? title : -1);
    return true;
}

class MenuInput : public QObject {
protected:
    bool eventFilter(QObject*, QEvent* event) override
    {
        switch (event->type()) {
        case QEvent::KeyPress:
        case QEvent::KeyRelease: {
            const int key = static_cast<QKeyEvent*>(event)->key();
            if (QWidget* popup = QApplication::activePopupWidget()) {
                return event->type() == QEvent::KeyPress && CloseBarMenu(popup, key);
            }
            MenuBarWidget* bar = HighlightedBar();
            if (bar == nullptr)
                return false;
            // Menu mode has the keyboard: no key reaches the window meanwhile.
            if (event->type() == QEvent::KeyPress)
                HandleTitleKey(*bar, key);
            return true;
        }
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonDblClick: {
            MenuBarWidget* bar = HighlightedBar();
            if (bar == nullptr || QApplication::activePopupWidget() != nullptr)
                return false;
            // On the bar the press opens the title under it; elsewhere it ends menu mode and
            // goes on to where it was made.
            bar->SetHighlightedTitle(-1);
            return false;
        }
        default: return false;
        }
    }
};

int QtKeyOf(WPARAM virtualKey)
{
    switch (virtualKey) {
    case VK_LEFT: return Qt::Key_Left;
    case VK_RIGHT: return Qt::Key_Right;
    case VK_UP: return Qt::Key_Up;
    case VK_DOWN: return Qt::Key_Down;
    case VK_RETURN: return Qt::Key_Return;
    case VK_ESCAPE: return Qt::Key_Escape;
    case VK_MENU: return Qt::Key_Alt;
    case kVkF10: return Qt::Key_F10;
    default: return 0;
    }
}

// Keys typed after F10 that were queued before menu mode began belong to the menu, as Windows'
// menu loop reads them from the same queue: F10, Right, Down, Return typed in one go chooses.
void FeedTypedAheadKeys(HWND window)
{
    MSG msg;
    while (modeWindow != nullptr
        && (QApplication::activePopupWidget() != nullptr || HighlightedBar() != nullptr)
        && TakeQueuedKeyMessage(window, &msg)) {
        const int key = QtKeyOf(msg.wParam);
        if ((msg.message != WM_KEYDOWN && msg.message != WM_SYSKEYDOWN) || key == 0)
            continue;
        QWidget* target = QApplication::activePopupWidget();
        if (target == nullptr)
            target = modeWindow->View();
        QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier);
        QCoreApplication::sendEvent(target, &press);
    }
}

} // namespace

void WatchMenuBars()
{
    static MenuInput* input = nullptr;
    if (input != nullptr || QCoreApplication::instance() == nullptr)
        return;
    input = new MenuInput;
    input->setParent(QCoreApplication::instance());
    QCoreApplication::instance()->installEventFilter(input);
}

void NoteKeyForMenu(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_SYSKEYDOWN) {
        const bool first = (lParam & kKeyWasDown) == 0;
        altAlone = wParam == static_cast<WPARAM>(VK_MENU) && (first || altAlone);
        f10Alone = wParam == static_cast<WPARAM>(kVkF10);
        return;
    }
    if (message != WM_SYSKEYUP && message != WM_KEYUP)
        return;
    const bool enters = (wParam == static_cast<WPARAM>(VK_MENU) && altAlone)
        || (wParam == static_cast<WPARAM>(kVkF10) && f10Alone);
    altAlone = false;
    f10Alone = false;
    if (enters)
        SendWindowMessage(window, WM_SYSCOMMAND, kScKeyMenu, 0);
}

bool IsKeyMenuCommand(WPARAM wParam)
{
    return (wParam & 0xFFF0) == kScKeyMenu;
}

void RunKeyboardMenuMode(HWND handle)
{
    Window* window = FindWindowByHandle(handle);
    if (window == nullptr || window->widget == nullptr || !window->hasMenu || !window->visible
        || window->minimized || QApplication::activePopupWidget() != nullptr) {
        return;
    }
    Enter(*window->widget);
    window->widget->Bar()->SetHighlightedTitle(0);
    FeedTypedAheadKeys(handle);
    WaitForMenuModeToEnd();
}

void WaitForMenuModeToEnd()
{
    while (QApplication::activePopupWidget() != nullptr || HighlightedBar() != nullptr)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    Leave();
}

bool TakeFullScreenMenuPress(TopLevelWidget& widget, QPointF viewPosition)
{
    MenuBarWidget* bar = widget.Bar();
    const QList<QAction*> titles = bar->Titles();
    const QRect picture = widget.View()->PictureRect();
    if (titles.isEmpty() || viewPosition.y() < picture.top()
        || viewPosition.y() >= picture.top() + kMenuBarHeight) {
        return false;
    }
    Enter(widget);
    const QPoint onBar = bar->mapFrom(&widget, widget.View()->mapToParent(viewPosition.toPoint()));
    QAction* title = bar->actionAt(onBar);
    if (titles.contains(title)) {
        bar->setActiveAction(title);
    } else {
        bar->SetHighlightedTitle(0);
    }
    return true;
}

} // namespace platform
