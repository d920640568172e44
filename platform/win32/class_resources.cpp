#include "platform/win32/class_resources.h"

#include <QAction>
#include <QImage>
#include <QMenu>
#include <QPixmap>

#include "platform/resource/resource.h"

namespace platform {
namespace {

void AddItems(const std::vector<MenuItem>& items, HWND window, QWidget* menu, int depth);

QString MenuText(const MenuItem& item)
{
    // Win32 and Qt agree on '&' for mnemonics and on a tab before the shortcut label.
    return QString::fromUtf8(item.text.data(), static_cast<qsizetype>(item.text.size()));
}

void AddItem(const MenuItem& item, HWND window, QWidget* parent, int depth)
{
    auto* asMenu = qobject_cast<QMenu*>(parent);
    auto* asBar = qobject_cast<QMenuBar*>(parent);
    if (item.separator) {
        if (asMenu != nullptr)
            asMenu->addSeparator();
        if (asBar != nullptr)
            asBar->addSeparator();
        return;
    }
    const bool disabled = (item.flags & (kMenuFlagGrayed | kMenuFlagDisabled)) != 0;
    if (item.popup) {
        QMenu* popup
            = asMenu != nullptr ? asMenu->addMenu(MenuText(item)) : asBar->addMenu(MenuText(item));
        popup->setEnabled(!disabled);
        AddItems(item.children, window, popup, depth + 1);
        return;
    }
    QAction* action
        = asMenu != nullptr ? asMenu->addAction(MenuText(item)) : asBar->addAction(MenuText(item));
    action->setEnabled(!disabled);
    if ((item.flags & kMenuFlagChecked) != 0) {
        action->setCheckable(true);
        action->setChecked(true);
    }
    action->setData(static_cast<int>(item.id));
    const WORD id = item.id;
    // Choosing an item queues the command; the procedure sees it when the loop takes it.
    QObject::connect(action, &QAction::triggered, action,
        [window, id] { PostWindowMessage(window, WM_COMMAND, MAKEWPARAM(id, 0), 0); });
}

void AddItems(const std::vector<MenuItem>& items, HWND window, QWidget* menu, int depth)
{
    if (depth > kMaxMenuDepth)
        return;
    for (const MenuItem& item : items)
        AddItem(item, window, menu, depth);
}

} // namespace

bool BuildClassMenu(const WindowClassRecord& windowClass, HWND window, QMenuBar* menuBar)
{
    if (windowClass.menuId == 0 && windowClass.menuName.empty())
        return false;
    const char* name
        = windowClass.menuId != 0 ? IntResource(windowClass.menuId) : windowClass.menuName.c_str();
    const std::optional<ResourceBytes> bytes
        = FindEmbeddedResource(IntResource(kResourceTypeMenu), name);
    if (!bytes)
        return false;
    const std::optional<std::vector<MenuItem>> items = ParseMenuTemplate(bytes->data, bytes->size);
    if (!items || items->empty())
        return false;
    AddItems(*items, window, menuBar, 0);
    return true;
}

QIcon LoadEmbeddedIconGroup(WORD groupId)
{
    const std::optional<ArgbImage> image = LoadEmbeddedIcon(groupId);
    if (!image || image->width <= 0 || image->height <= 0
        || image->pixels.size() != static_cast<std::size_t>(image->width) * image->height) {
        return QIcon();
    }
    QImage picture(image->width, image->height, QImage::Format_ARGB32);
    for (int y = 0; y < image->height; ++y) {
        auto* row = reinterpret_cast<std::uint32_t*>(picture.scanLine(y));
        for (int x = 0; x < image->width; ++x)
            row[x] = image->pixels[static_cast<std::size_t>(y) * image->width + x];
    }
    return QIcon(QPixmap::fromImage(picture));
}

} // namespace platform
