#pragma once

// Test helpers: where a world point appears in the 640x480 view with the
// current camera, and a cursor that tests place through the ReadCursor seam.

#include <cmath>

#include "geometry/camera.h"
#include "geometry/cursor.h"
#include "geometry/maths/matrix.h"

inline CursorPos& TestCursor()
{
    static CursorPos position { 0, 0 };
    return position;
}

inline void PlaceCursor(CursorPos p)
{
    SetCursorReader([] { return TestCursor(); });
    TestCursor() = p;
}

inline CursorPos PixelOf(Vec3 world)
{
    Mat4 view, projection, both;
    BuildView(&view);
    BuildProjection(&projection);
    MatrixMultiply(&both, &view, &projection);
    Vec3 ndc;
    Vec3TransformCoord(&ndc, &world, &both);
    return { static_cast<std::int32_t>(std::lround(320.0f + 320.0f * ndc.x)),
        static_cast<std::int32_t>(std::lround(240.0f - 240.0f * ndc.y)) };
}
