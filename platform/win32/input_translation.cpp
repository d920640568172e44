#include "platform/win32/input_translation.h"

namespace platform {
namespace {

constexpr int kVkPause = 0x13;
constexpr int kVkCapital = 0x14;
constexpr int kVkNumpad0 = 0x60;
constexpr int kVkMultiply = 0x6A;
constexpr int kVkAdd = 0x6B;
constexpr int kVkSubtract = 0x6D;
constexpr int kVkDecimal = 0x6E;
constexpr int kVkDivide = 0x6F;
constexpr int kVkNumLock = 0x90;
constexpr int kVkScroll = 0x91;
constexpr int kVkSnapshot = 0x2C;
constexpr int kVkLWin = 0x5B;
constexpr int kVkApps = 0x5D;
constexpr int kVkF10 = 0x79;
constexpr int kVkOem1 = 0xBA; // ;:
constexpr int kVkOemPlus = 0xBB; // =+
constexpr int kVkOemComma = 0xBC; // ,<
constexpr int kVkOemMinus = 0xBD; // -_
constexpr int kVkOemPeriod = 0xBE; // .>
constexpr int kVkOem2 = 0xBF; // /?
constexpr int kVkOem3 = 0xC0; // `~
constexpr int kVkOem4 = 0xDB; // [{
constexpr int kVkOem5 = 0xDC; // \|
constexpr int kVkOem6 = 0xDD; // ]}
constexpr int kVkOem7 = 0xDE; // '"

int KeypadKey(int qtKey)
{
    if (qtKey >= Qt::Key_0 && qtKey <= Qt::Key_9)
        return kVkNumpad0 + (qtKey - Qt::Key_0);
    switch (qtKey) {
    case Qt::Key_Asterisk: return kVkMultiply;
    case Qt::Key_Plus: return kVkAdd;
    case Qt::Key_Minus: return kVkSubtract;
    case Qt::Key_Period:
    case Qt::Key_Comma: return kVkDecimal;
    case Qt::Key_Slash: return kVkDivide;
    case Qt::Key_Enter: return VK_RETURN;
    default: return 0;
    }
}

} // namespace

int VirtualKeyFromQt(int qtKey, Qt::KeyboardModifiers modifiers)
{
    if (modifiers.testFlag(Qt::KeypadModifier)) {
        if (const int vk = KeypadKey(qtKey); vk != 0)
            return vk;
    }
    if (qtKey >= Qt::Key_A && qtKey <= Qt::Key_Z)
        return 'A' + (qtKey - Qt::Key_A);
    if (qtKey >= Qt::Key_0 && qtKey <= Qt::Key_9)
        return '0' + (qtKey - Qt::Key_0);
    if (qtKey >= Qt::Key_F1 && qtKey <= Qt::Key_F24)
        return VK_F1 + (qtKey - Qt::Key_F1);
    switch (qtKey) {
    case Qt::Key_Escape: return VK_ESCAPE;
    case Qt::Key_Tab:
    case Qt::Key_Backtab: return VK_TAB;
    case Qt::Key_Backspace: return VK_BACK;
    case Qt::Key_Return:
    case Qt::Key_Enter: return VK_RETURN;
    case Qt::Key_Space: return VK_SPACE;
    case Qt::Key_Insert: return VK_INSERT;
    case Qt::Key_Delete: return VK_DELETE;
    case Qt::Key_Pause: return kVkPause;
    case Qt::Key_Print: return kVkSnapshot;
    case Qt::Key_Home: return VK_HOME;
    case Qt::Key_End: return VK_END;
    case Qt::Key_Left: return VK_LEFT;
    case Qt::Key_Up: return VK_UP;
    case Qt::Key_Right: return VK_RIGHT;
    case Qt::Key_Down: return VK_DOWN;
    case Qt::Key_PageUp: return VK_PRIOR;
    case Qt::Key_PageDown: return VK_NEXT;
    case Qt::Key_Shift: return VK_SHIFT;
    case Qt::Key_Control: return VK_CONTROL;
    case Qt::Key_Alt:
    case Qt::Key_AltGr: return VK_MENU;
    case Qt::Key_Meta:
    case Qt::Key_Super_L:
    case Qt::Key_Super_R: return kVkLWin;
    case Qt::Key_Menu: return kVkApps;
    case Qt::Key_CapsLock: return kVkCapital;
    case Qt::Key_NumLock: return kVkNumLock;
    case Qt::Key_ScrollLock: return kVkScroll;
    // Windows names the key, not the character: a shifted digit or symbol is still its key
    // (US layout).
    case Qt::Key_Exclam: return '1';
    case Qt::Key_At: return '2';
    case Qt::Key_NumberSign: return '3';
    case Qt::Key_Dollar: return '4';
    case Qt::Key_Percent: return '5';
    case Qt::Key_AsciiCircum: return '6';
    case Qt::Key_Ampersand: return '7';
    case Qt::Key_Asterisk: return '8';
    case Qt::Key_ParenLeft: return '9';
    case Qt::Key_ParenRight: return '0';
    case Qt::Key_Semicolon:
    case Qt::Key_Colon: return kVkOem1;
    case Qt::Key_Equal:
    case Qt::Key_Plus: return kVkOemPlus;
    case Qt::Key_Comma:
    case Qt::Key_Less: return kVkOemComma;
    case Qt::Key_Minus:
    case Qt::Key_Underscore: return kVkOemMinus;
    case Qt::Key_Period:
    case Qt::Key_Greater: return kVkOemPeriod;
    case Qt::Key_Slash:
    case Qt::Key_Question: return kVkOem2;
    case Qt::Key_QuoteLeft:
    case Qt::Key_AsciiTilde: return kVkOem3;
    case Qt::Key_BracketLeft:
    case Qt::Key_BraceLeft: return kVkOem4;
    case Qt::Key_Backslash:
    case Qt::Key_Bar: return kVkOem5;
    case Qt::Key_BracketRight:
    case Qt::Key_BraceRight: return kVkOem6;
    case Qt::Key_Apostrophe:
    case Qt::Key_QuoteDbl: return kVkOem7;
    default: return 0;
    }
}

bool IsExtendedKey(int virtualKey)
{
    switch (virtualKey) {
    case VK_INSERT:
    case VK_DELETE:
    case VK_HOME:
    case VK_END:
    case VK_PRIOR:
    case VK_NEXT:
    case VK_LEFT:
    case VK_UP:
    case VK_RIGHT:
    case VK_DOWN:
    case kVkDivide:
    case kVkNumLock:
    case kVkSnapshot:
    case kVkLWin:
    case kVkApps: return true;
    default: return false;
    }
}

LPARAM KeyMessageLParam(const KeyStroke& stroke)
{
    DWORD bits = 1; // repeat count
    bits |= (stroke.scanCode & 0xFFu) << 16;
    if (IsExtendedKey(stroke.virtualKey))
        bits |= 1u << 24;
    if (stroke.altDown)
        bits |= 1u << 29;
    if (stroke.wasDown || stroke.release)
        bits |= 1u << 30;
    if (stroke.release)
        bits |= 1u << 31;
    // LPARAM is pointer-sized; Windows passes the 32 bits zero-extended.
    return static_cast<LPARAM>(static_cast<ULONG_PTR>(bits));
}

bool IsSystemKey(int virtualKey, bool altDown)
{
    return altDown || virtualKey == VK_MENU || virtualKey == kVkF10;
}

WPARAM MouseKeyFlags(Qt::MouseButtons buttons, Qt::KeyboardModifiers modifiers)
{
    WPARAM flags = 0;
    if (buttons.testFlag(Qt::LeftButton))
        flags |= MK_LBUTTON;
    if (buttons.testFlag(Qt::RightButton))
        flags |= MK_RBUTTON;
    if (buttons.testFlag(Qt::MiddleButton))
        flags |= MK_MBUTTON;
    if (modifiers.testFlag(Qt::ShiftModifier))
        flags |= MK_SHIFT;
    if (modifiers.testFlag(Qt::ControlModifier))
        flags |= MK_CONTROL;
    return flags;
}

LPARAM PointLParam(int x, int y)
{
    return MAKELPARAM(static_cast<SHORT>(x), static_cast<SHORT>(y));
}

} // namespace platform
