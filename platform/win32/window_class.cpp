// user32 window classes, and the icon and cursor handles a class names.
#include <cctype>
#include <map>
#include <memory>
#include <vector>

#include <QImage>
#include <QPixmap>

#include "platform/win32/class_resources.h"
#include "platform/win32/last_error.h"
#include "platform/win32/window_access.h"
#include "platform/win32/window_state.h"

namespace platform {
namespace {

constexpr DWORD kErrorClassAlreadyExists = 1410;
constexpr DWORD kErrorInvalidParameter = 87;
constexpr DWORD kErrorResourceNotFound = 1813;
constexpr WORD kFirstAtom = 0xC000; // where Windows numbers registered class atoms from
constexpr WORD kIdcArrow = 32512;

std::vector<std::unique_ptr<WindowClassRecord>>& Classes()
{
    static std::vector<std::unique_ptr<WindowClassRecord>> classes;
    return classes;
}

bool SameName(const std::string& a, const char* b)
{
    std::size_t i = 0;
    for (; i < a.size() && b[i] != 0; ++i) {
        if (std::tolower(static_cast<unsigned char>(a[i]))
            != std::tolower(static_cast<unsigned char>(b[i]))) {
            return false;
        }
    }
    return i == a.size() && b[i] == 0;
}

// Icons and cursors share one handle space, as HCURSOR is HICON.
struct ImageRecord {
    QIcon icon;
    bool isCursor = false;
    Qt::CursorShape shape = Qt::ArrowCursor;
};

std::vector<ImageRecord>& Images()
{
    static std::vector<ImageRecord> images;
    return images;
}
std::map<WORD, HICON>& LoadedIcons()
{
    static std::map<WORD, HICON> icons;
    return icons;
}
std::map<WORD, HCURSOR>& LoadedCursors()
{
    static std::map<WORD, HCURSOR> cursors;
    return cursors;
}

constexpr std::uintptr_t kImageHandleBase = 0x00030000;

HICON AddImage(ImageRecord record)
{
    Images().push_back(std::move(record));
    return reinterpret_cast<HICON>(kImageHandleBase + 4 * (Images().size() - 1));
}

const ImageRecord* FindImage(HICON handle)
{
    const auto value = reinterpret_cast<std::uintptr_t>(handle);
    if (value < kImageHandleBase || (value - kImageHandleBase) % 4 != 0)
        return nullptr;
    const std::size_t index = (value - kImageHandleBase) / 4;
    return index < Images().size() ? &Images()[index] : nullptr;
}

} // namespace

const WindowClassRecord* FindWindowClass(LPCSTR nameOrAtom)
{
    if (nameOrAtom == nullptr)
        return nullptr;
    for (const auto& record : Classes()) {
        if (IS_INTRESOURCE(nameOrAtom)
                ? record->atom == LOWORD(reinterpret_cast<std::uintptr_t>(nameOrAtom))
                : SameName(record->name, nameOrAtom)) {
            return record.get();
        }
    }
    return nullptr;
}

QIcon IconFromHandle(HICON icon)
{
    const ImageRecord* record = FindImage(icon);
    return record != nullptr && !record->isCursor ? record->icon : QIcon();
}

bool CursorShapeFromHandle(HCURSOR cursor, Qt::CursorShape* shape)
{
    const ImageRecord* record = FindImage(cursor);
    if (record == nullptr || !record->isCursor)
        return false;
    *shape = record->shape;
    return true;
}

void UnregisterAllClasses()
{
    Classes().clear();
}

} // namespace platform

using namespace platform;

ATOM RegisterClassA(const WNDCLASSA* windowClass)
{
    if (windowClass == nullptr || windowClass->lpfnWndProc == nullptr
        || windowClass->lpszClassName == nullptr || IS_INTRESOURCE(windowClass->lpszClassName)
        || windowClass->lpszClassName[0] == 0) {
        SetLastErrorCode(kErrorInvalidParameter);
        return 0;
    }
    if (FindWindowClass(windowClass->lpszClassName) != nullptr) {
        SetLastErrorCode(kErrorClassAlreadyExists);
        return 0;
    }
    auto record = std::make_unique<WindowClassRecord>();
    record->name = windowClass->lpszClassName;
    record->atom = static_cast<ATOM>(kFirstAtom + Classes().size());
    record->style = windowClass->style;
    record->proc = windowClass->lpfnWndProc;
    record->instance = windowClass->hInstance;
    record->icon = windowClass->hIcon;
    record->cursor = windowClass->hCursor;
    record->background = windowClass->hbrBackground;
    if (windowClass->lpszMenuName != nullptr) {
        if (IS_INTRESOURCE(windowClass->lpszMenuName)) {
            record->menuId = LOWORD(reinterpret_cast<std::uintptr_t>(windowClass->lpszMenuName));
        } else {
            record->menuName = windowClass->lpszMenuName;
        }
    }
    const ATOM atom = record->atom;
    Classes().push_back(std::move(record));
    SetLastErrorCode(ERROR_SUCCESS);
    return atom;
}

HICON LoadIconA(HINSTANCE instance, LPCSTR iconName)
{
    // Only the program's own icons by number exist here; system icons (no instance) do not.
    if (instance == nullptr || iconName == nullptr || !IS_INTRESOURCE(iconName)) {
        SetLastErrorCode(kErrorResourceNotFound);
        return nullptr;
    }
    const WORD id = LOWORD(reinterpret_cast<std::uintptr_t>(iconName));
    // Like LoadIcon, the same icon gives the same shared handle.
    if (const auto found = LoadedIcons().find(id); found != LoadedIcons().end())
        return found->second;
    QIcon icon = LoadEmbeddedIconGroup(id);
    if (icon.isNull()) {
        SetLastErrorCode(kErrorResourceNotFound);
        return nullptr;
    }
    const HICON handle = AddImage(ImageRecord { std::move(icon), false, Qt::ArrowCursor });
    LoadedIcons().emplace(id, handle);
    return handle;
}

HCURSOR LoadCursorA(HINSTANCE instance, LPCSTR cursorName)
{
    // The system arrow is the one cursor offered.
    if (instance != nullptr || cursorName == nullptr || !IS_INTRESOURCE(cursorName)
        || LOWORD(reinterpret_cast<std::uintptr_t>(cursorName)) != kIdcArrow) {
        SetLastErrorCode(kErrorResourceNotFound);
        return nullptr;
    }
    const WORD id = kIdcArrow;
    if (const auto found = LoadedCursors().find(id); found != LoadedCursors().end())
        return found->second;
    const HCURSOR handle = AddImage(ImageRecord { QIcon(), true, Qt::ArrowCursor });
    LoadedCursors().emplace(id, handle);
    return handle;
}
