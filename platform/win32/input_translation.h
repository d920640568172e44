#pragma once
// How Qt input reads as Win32 input: virtual-key codes, key-message lParam bits, MK_* flags.
#include <QtCore/qnamespace.h>

#include "platform/win32/windows.h"

namespace platform {

// The Windows virtual-key code of a Qt key (with Qt::KeypadModifier for the number pad);
// 0 when Windows has no key for it.
int VirtualKeyFromQt(int qtKey, Qt::KeyboardModifiers modifiers);

// Whether Windows flags the key as extended (bit 24 of a key message's lParam).
bool IsExtendedKey(int virtualKey);

struct KeyStroke {
    int virtualKey = 0;
    unsigned scanCode = 0; // 0..255
    bool altDown = false; // context code, bit 29
    bool wasDown = false; // previous key state, bit 30
    bool release = false; // transition state, bit 31
};

// lParam of WM_KEYDOWN / WM_KEYUP / WM_SYSKEYDOWN / WM_SYSKEYUP, repeat count 1.
LPARAM KeyMessageLParam(const KeyStroke& stroke);

// WM_SYSKEY* instead of WM_KEY*: keys pressed with Alt, Alt itself and F10.
bool IsSystemKey(int virtualKey, bool altDown);

// MK_LBUTTON / MK_RBUTTON / MK_MBUTTON / MK_SHIFT / MK_CONTROL of a mouse message.
WPARAM MouseKeyFlags(Qt::MouseButtons buttons, Qt::KeyboardModifiers modifiers);

// Client or screen coordinates packed as two signed 16-bit halves, as Win32 does.
LPARAM PointLParam(int x, int y);

} // namespace platform
