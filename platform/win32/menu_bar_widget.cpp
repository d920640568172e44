#include "platform/win32/menu_bar_widget.h"

#include <QMenu>
#include <QPainter>
#include <QProxyStyle>
#include <QStyleOptionMenuItem>

namespace platform {
namespace {

// Qt's menu bar has a keyboard mode of its own (Alt, and Escape from an open menu, hand it the
// keyboard). Its rules are not Windows' and it would compete with the menu loop for the keys.
class NoAltNavigationStyle : public QProxyStyle {
public:
    int styleHint(StyleHint hint, const QStyleOption* option, const QWidget* widget,
        QStyleHintReturn* returned) const override
    {
        if (hint == SH_MenuBar_AltKeyNavigation)
            return 0;
        return QProxyStyle::styleHint(hint, option, widget, returned);
    }
};

} // namespace

MenuBarWidget::MenuBarWidget(QWidget* parent)
    : QMenuBar(parent)
{
    auto* style = new NoAltNavigationStyle;
    style->setParent(this);
    setStyle(style);
}

QList<QAction*> MenuBarWidget::Titles() const
{
    QList<QAction*> titles;
    for (QAction* action : actions()) {
        if (!action->isSeparator() && action->isVisible())
            titles.push_back(action);
    }
    return titles;
}

void MenuBarWidget::SetHighlightedTitle(int index)
{
    if (index < -1 || index >= Titles().size())
        index = -1;
    if (highlighted_ == index)
        return;
    highlighted_ = index;
    update();
}

void MenuBarWidget::OpenTitle(int index)
{
    const QList<QAction*> titles = Titles();
    if (index < 0 || index >= titles.size())
        return;
    QAction* title = titles[index];
    highlighted_ = -1;
    setActiveAction(title);
    QMenu* menu = title->menu();
    if (menu == nullptr || !menu->isVisible())
        return;
    for (QAction* item : menu->actions()) {
        if (!item->isSeparator() && item->isVisible() && item->isEnabled()) {
            menu->setActiveAction(item);
            break;
        }
    }
}

void MenuBarWidget::paintEvent(QPaintEvent* event)
{
    QMenuBar::paintEvent(event);
    const QList<QAction*> titles = Titles();
    if (highlighted_ < 0 || highlighted_ >= titles.size() || activeAction() != nullptr)
        return;
    // Drawn as the bar draws the title of an open menu.
    QAction* title = titles[highlighted_];
    QStyleOptionMenuItem option;
    initStyleOption(&option, title);
    option.rect = actionGeometry(title);
    option.state |= QStyle::State_Selected | QStyle::State_Sunken | QStyle::State_HasFocus;
    QPainter painter(this);
    painter.setClipRect(option.rect);
    style()->drawControl(QStyle::CE_MenuBarItem, &option, &painter, this);
}

} // namespace platform
