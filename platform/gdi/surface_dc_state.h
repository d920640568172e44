#pragma once
// The object behind an HDC made by CreateSurfaceDC. Internal to platform/gdi.
#include <QFont>
#include <QImage>
#include <QPainter>

#include "platform/gdi/surface_dc.h"
#include "platform/win32/windows.h"

namespace platform {

struct SurfaceDC {
    QImage image; // shares the caller's pixels, never copies them
    QPainter painter;
    QFont font;
    int ascent = 0;
    int cellHeight = 0;
    int widestAdvance = 0; // of any character of the font
    COLORREF textColour = 0x00000000; // GDI's default: black text
    COLORREF backgroundColour = 0x00FFFFFF;
    int backgroundMode = OPAQUE; // GDI's default
    SurfaceWriteHook beforeWrite;
};

// The live device context behind `dc`, or null when `dc` is not one of ours (or already freed).
SurfaceDC* FindSurfaceDC(HDC dc);

} // namespace platform
