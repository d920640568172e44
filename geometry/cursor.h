#pragma once
// The cursor seam: where the program reads the mouse position, and the last position it read.

#include <cstdint>

// A cursor position in the view's pixel space: client coordinates when
// windowed, screen coordinates in full screen.
struct CursorPos {
    std::int32_t x, y;
};

// The position read at the last mouse move; (0, 0) at start.
extern CursorPos mousePos;

// Every cursor position the program keeps comes from ReadCursor, never from a
// message's parameters. It asks the installed reader: the window shell
// installs the platform's at start-up, tests install their own. Until then
// (and after SetCursorReader(nullptr)) the reader answers (0, 0).
using CursorReader = CursorPos (*)();
void SetCursorReader(CursorReader reader);
CursorPos ReadCursor();
