#pragma once
// The menu bar of a window: Qt's menu bar, plus what Windows' menu mode shows with no menu open,
// a title highlighted while the keyboard drives the bar. Qt's own keyboard handling of the bar
// is switched off; the menu loop (menu_mode.h) drives it instead.
#include <QAction>
#include <QList>
#include <QMenuBar>

namespace platform {

class MenuBarWidget : public QMenuBar {
public:
    explicit MenuBarWidget(QWidget* parent);

    // The titles in order (the pop-ups of the bar, separators left out).
    QList<QAction*> Titles() const;
    // Highlights a title (its index in Titles()) with no menu open; -1 for none.
    void SetHighlightedTitle(int index);
    int HighlightedTitle() const { return highlighted_; }
    // Opens the menu of a title with its first item chosen, as a key press in Windows does.
    void OpenTitle(int index);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    int highlighted_ = -1;
};

} // namespace platform
