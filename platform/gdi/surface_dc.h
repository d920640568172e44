#pragma once
// Device contexts that draw GDI text into caller-owned pixels: what IDirect3DSurface9::GetDC of
// the software device hands out. SetTextColor, SetBkMode and TextOutA (windows.h) work on them.
#include <cstdint>
#include <functional>

#include "platform/win32/windows.h"

namespace platform {

// Told, before each drawing call writes, a rectangle (right and bottom exclusive, possibly
// reaching beyond the pixels) holding every pixel it may write.
using SurfaceWriteHook = std::function<void(const RECT& bounds)>;

// A device context over width x height X8R8G8B8 pixels with the given pitch in bytes; its font is
// the stand-in for the default device-context font. Returns null on bad arguments.
HDC CreateSurfaceDC(std::uint32_t* pixels, int width, int height, int pitchBytes,
    SurfaceWriteHook beforeWrite = {});
// Finishes drawing into the pixels and frees the device context. Null is ignored.
void DestroySurfaceDC(HDC dc);

} // namespace platform
