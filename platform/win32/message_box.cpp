// MessageBoxA: a modal Qt message box. The caller's thread stays inside the call until the box
// is closed, so the program's frame loop does not run meanwhile.
#include <QMessageBox>

#include "platform/win32/cp932_text.h"
#include "platform/win32/message_box_hook.h"
#include "platform/win32/top_level_widget.h"
#include "platform/win32/window_state.h"

namespace platform {
namespace {

constexpr UINT kIconMask = 0x000000F0;
constexpr UINT kIconQuestion = 0x00000020;
constexpr UINT kIconWarning = 0x00000030;
constexpr UINT kIconInformation = 0x00000040;

std::function<int(const MessageBoxCall&)>& Observer()
{
    static std::function<int(const MessageBoxCall&)> observer;
    return observer;
}

QMessageBox::Icon IconFor(UINT type)
{
    switch (type & kIconMask) {
    case MB_ICONERROR: return QMessageBox::Critical;
    case kIconQuestion: return QMessageBox::Question;
    case kIconWarning: return QMessageBox::Warning;
    case kIconInformation: return QMessageBox::Information;
    default: return QMessageBox::NoIcon;
    }
}

} // namespace

void SetMessageBoxObserver(std::function<int(const MessageBoxCall&)> observer)
{
    Observer() = std::move(observer);
}

} // namespace platform

using namespace platform;

int MessageBoxA(HWND owner, LPCSTR text, LPCSTR caption, UINT type)
{
    const std::string textUtf8 = text != nullptr ? DecodeCp932(text) : std::string();
    // A null caption is "Error" on Windows.
    const std::string captionUtf8
        = caption != nullptr ? DecodeCp932(caption) : std::string("Error");
    if (const auto& observer = Observer()) {
        return observer(MessageBoxCall { owner, textUtf8, captionUtf8, type });
    }
    EnsureApplication();
    Window* window = FindWindowByHandle(owner);
    QWidget* parent = window != nullptr ? window->widget : nullptr;
    QMessageBox box(IconFor(type), QString::fromStdString(captionUtf8),
        QString::fromStdString(textUtf8), QMessageBox::Ok, parent);
    box.setTextFormat(Qt::PlainText);
    box.setWindowModality(Qt::ApplicationModal);
    box.exec();
    // Windows gives the keyboard back to the owner when the box closes.
    if (window != nullptr && FindWindowByHandle(owner) != nullptr && window->visible) {
        window->widget->activateWindow();
        window->widget->View()->setFocus(Qt::ActiveWindowFocusReason);
    }
    return IDOK;
}
