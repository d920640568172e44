#include "geometry/cursor.h"

CursorPos mousePos { 0, 0 };

namespace {

CursorPos ReadNoCursor()
{
    return { 0, 0 };
}

CursorReader cursorReader = ReadNoCursor;

} // namespace

void SetCursorReader(CursorReader reader)
{
    cursorReader = reader != nullptr ? reader : ReadNoCursor;
}

CursorPos ReadCursor()
{
    return cursorReader();
}
