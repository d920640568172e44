// Menu mode driven by the keyboard and by Escape from a menu opened with the mouse, in the window
// and in full screen: which command comes out, which keys reach the window, and that the frame
// loop's next message waits until menu mode has ended.
#include <functional>
#include <vector>

#include <QApplication>
#include <QKeyEvent>
#include <QMenu>
#include <QTimer>

#include "platform/win32/menu_bar_widget.h"
#include "platform/win32/window_access.h"
#include "platform/win32/window_display.h"
#include "resources/resource_ids.h"
#include "window_test_support.h"

namespace win32test {
namespace {

class MenuMode : public ProgramWindow {
protected:
    platform::MenuBarWidget* Bar() const
    {
        return dynamic_cast<platform::MenuBarWidget*>(platform::WindowMenuBar(window_));
    }

    // A key as the user gives it: to the open menu if there is one, else to the window's view.
    void Press(int key)
    {
        QWidget* target = QApplication::activePopupWidget();
        if (target == nullptr)
            target = View();
        QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier);
        QCoreApplication::sendEvent(target, &press);
        if (QWidget* now = QApplication::activePopupWidget())
            target = now;
        QKeyEvent release(QEvent::KeyRelease, key, Qt::NoModifier);
        QCoreApplication::sendEvent(target, &release);
    }

    // Steps run one by one from Qt's event loop once menu mode has begun, that is from inside the
    // modal loop that holds the thread by then.
    void Later(std::vector<std::function<void()>> steps)
    {
        steps_ = std::move(steps);
        next_ = 0;
        RunNextLater(++generation_);
    }

    // What the queue holds once menu mode has ended, dispatching each message as the frame loop
    // would (so F10's key-up reaches default processing and enters menu mode).
    std::vector<MSG> DispatchAll()
    {
        std::vector<MSG> taken;
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            taken.push_back(msg);
            DispatchMessageA(&msg);
        }
        return taken;
    }

    static bool HasKeyDown(const std::vector<MSG>& taken, int key)
    {
        for (const MSG& msg : taken) {
            if (msg.message == WM_KEYDOWN && msg.wParam == static_cast<WPARAM>(key))
                return true;
        }
        return false;
    }

    static std::vector<WORD> Commands(const std::vector<MSG>& taken)
    {
        std::vector<WORD> ids;
        for (const MSG& msg : taken) {
            if (msg.message == WM_COMMAND)
                ids.push_back(LOWORD(msg.wParam));
        }
        return ids;
    }

private:
    void RunNextLater(int generation)
    {
        if (generation != generation_ || next_ >= steps_.size())
            return;
        // Tied to the test's lifetime: steps left over are dropped with it.
        QTimer::singleShot(0, &stepsContext_, [this, generation] {
            if (generation != generation_)
                return;
            const bool begun
                = Bar()->HighlightedTitle() >= 0 || QApplication::activePopupWidget() != nullptr;
            if (next_ > 0 || begun)
                steps_[next_++]();
            RunNextLater(generation);
        });
    }

    std::vector<std::function<void()>> steps_;
    std::size_t next_ = 0;
    int generation_ = 0;
    QObject stepsContext_;
};

TEST_F(MenuMode, f10_right_down_return_chooses_shuffle_and_no_key_reaches_the_window)
{
    Create();
    std::vector<int> highlighted;
    bool openedWithFirstItem = false;
    Later(
        { [&] { highlighted.push_back(Bar()->HighlightedTitle()); }, [&] { Press(Qt::Key_Right); },
            [&] { highlighted.push_back(Bar()->HighlightedTitle()); }, [&] { Press(Qt::Key_Down); },
            [&] {
                auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
                openedWithFirstItem = menu != nullptr && menu->activeAction() != nullptr
                    && menu->activeAction()->data().toInt() == IDM_SHUFFLE;
            },
            [&] { Press(Qt::Key_Return); } });
    Press(Qt::Key_F10);
    const std::vector<MSG> taken = DispatchAll();

    EXPECT_EQ(highlighted, (std::vector<int> { 0, 1 })) << "File first, then Edit";
    EXPECT_TRUE(openedWithFirstItem);
    EXPECT_EQ(Commands(taken), std::vector<WORD> { IDM_SHUFFLE });
    EXPECT_FALSE(
        HasKeyDown(taken, VK_RIGHT) || HasKeyDown(taken, VK_DOWN) || HasKeyDown(taken, VK_RETURN))
        << "menu mode keeps its keys from the window";
    EXPECT_EQ(Bar()->HighlightedTitle(), -1);
    EXPECT_EQ(QApplication::activePopupWidget(), nullptr);
}

TEST_F(MenuMode, keys_typed_ahead_of_menu_mode_go_to_the_menu)
{
    // All four keys reach Qt before the loop dispatches F10's key-up, as when typed quickly.
    Create();
    // Should the keys go astray, these end menu mode instead of leaving the test waiting.
    Later({ [&] { Press(Qt::Key_Escape); }, [&] { Press(Qt::Key_Escape); } });
    for (int key : { Qt::Key_F10, Qt::Key_Right, Qt::Key_Down, Qt::Key_Return })
        Press(key);
    const std::vector<MSG> taken = DispatchAll();
    EXPECT_EQ(Commands(taken), std::vector<WORD> { IDM_SHUFFLE });
    EXPECT_FALSE(HasKeyDown(taken, VK_RETURN));
}

TEST_F(MenuMode, escape_from_a_mouse_opened_menu_keeps_menu_mode_until_a_second_escape)
{
    Create();
    QAction* edit = Bar()->Titles().at(1);
    Bar()->setActiveAction(edit); // what a click on the title does
    ASSERT_NE(QApplication::activePopupWidget(), nullptr);
    int highlightedAfterEscape = -2;
    Later({ [&] { Press(Qt::Key_Escape); },
        [&] { highlightedAfterEscape = Bar()->HighlightedTitle(); },
        [&] { Press(Qt::Key_F2); }, // swallowed by menu mode, as on Windows
        [&] { Press(Qt::Key_Escape); } });
    const std::vector<MSG> during = DispatchAll();
    EXPECT_EQ(highlightedAfterEscape, 1) << "the title stays highlighted";
    EXPECT_FALSE(HasKeyDown(during, VK_F2));
    EXPECT_FALSE(HasKeyDown(during, VK_ESCAPE)) << "neither Escape ends the program";

    Press(Qt::Key_F2);
    EXPECT_TRUE(HasKeyDown(DispatchAll(), VK_F2)) << "the window has the keyboard again";
}

TEST_F(MenuMode, alt_alone_enters_but_alt_with_another_key_does_not)
{
    Create();
    bool entered = false;
    Later({ [&] {
        entered = true;
        Press(Qt::Key_Escape);
    } });
    SendKey(QEvent::KeyPress, Qt::Key_Alt);
    SendKey(QEvent::KeyPress, Qt::Key_F5, false, Qt::AltModifier);
    SendKey(QEvent::KeyRelease, Qt::Key_Alt, false, Qt::AltModifier);
    SendKey(QEvent::KeyRelease, Qt::Key_F5);
    DispatchAll();
    EXPECT_FALSE(entered);

    int highlighted = -2;
    Later({ [&] { highlighted = Bar()->HighlightedTitle(); }, [&] { Press(Qt::Key_Alt); } });
    SendKey(QEvent::KeyPress, Qt::Key_Alt);
    SendKey(QEvent::KeyRelease, Qt::Key_Alt, false, Qt::AltModifier);
    DispatchAll();
    EXPECT_EQ(highlighted, 0);
    EXPECT_EQ(Bar()->HighlightedTitle(), -1) << "Alt again leaves";
}

TEST_F(MenuMode, full_screen_shows_the_bar_over_the_picture_only_while_menu_mode_lasts)
{
    const HWND window = Create();
    platform::SetWindowFullScreen(window, true);
    QCoreApplication::processEvents();
    const QSize viewSize = View()->size();
    EXPECT_FALSE(Bar()->isVisible());

    // The top rows of the picture are where the bar lies: a press there opens the title under it.
    const int pictureTop = (viewSize.height() - viewSize.width() * 3 / 4) / 2;
    const QRect editOnBar = Bar()->actionGeometry(Bar()->Titles().at(1));
    QRect barGeometry;
    QSize viewSizeInMenuMode;
    Later({ [&] {
               barGeometry = Bar()->isVisible() ? Bar()->geometry() : QRect();
               viewSizeInMenuMode = View()->size();
           },
        [&] { Press(Qt::Key_Down); }, [&] { Press(Qt::Key_Return); } });
    SendMouse(QEvent::MouseButtonPress, QPointF(editOnBar.center().x() + 0.5, pictureTop + 3.5),
        Qt::LeftButton, Qt::LeftButton);
    const std::vector<MSG> taken = DispatchAll();

    EXPECT_EQ(barGeometry.top(), std::max(0, pictureTop));
    EXPECT_EQ(barGeometry.height(), GetSystemMetrics(SM_CYMENU));
    EXPECT_EQ(viewSizeInMenuMode, viewSize) << "the picture keeps its place and scale";
    EXPECT_EQ(Commands(taken), std::vector<WORD> { IDM_SHUFFLE });
    for (const MSG& msg : taken)
        EXPECT_NE(msg.message, WM_LBUTTONDOWN) << "the press went to the menu bar";
    EXPECT_FALSE(Bar()->isVisible()) << "hidden again once menu mode ends";
}

} // namespace
} // namespace win32test
