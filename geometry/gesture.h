#pragma once

#include <cstdint>

#include "geometry/cursor.h"
#include "geometry/maths/vec3.h"
#include "geometry/picking.h"

// The left-button drag that turns a layer. The press records what lies under
// the cursor; a release that lies on the cube more than sqrt(20) pixels away
// turns the layer through the pressed cell so that the pressed sticker moves
// along the drag.

// The hit of the last press that hit the cube (all zero before the first).
extern PickHit pressHit;
// Cursor at the last press that was looked at (not refused by a running turn).
extern CursorPos pressPos;
// Cursor at the last release that was looked at.
extern CursorPos releasePos;

// Left button down: switches shuffling off (even while a turn runs); unless a
// turn runs, reads the cursor and picks. Only a press that hits arms the next
// release: one that misses the cube or is refused disarms it.
void BeginGesture();
// A mouse move without the left button: a press let go outside the window sent
// no release, so the next release (after a press the window never saw) must
// not turn the layer of that old press.
void DisarmGesture();
// Left button up: unless a turn runs, reads the cursor; if the press was
// armed, the release hits the cube and the drag exceeds 20 pixels squared,
// starts a 16-frame turn of the pressed cell's layer. Every release disarms.
void EndGesture();
// The turn axis code for a drag from p to r (world points) that started on
// face slot `face` of cell `cell`: the dominant axis, with its sign, of
// n x (r - p), n being the face's inward normal; components are truncated to
// whole numbers first, and ties go to X, then Y. All zero gives +1.
std::int32_t ChooseTurnAxis(Vec3 p, Vec3 r, std::int32_t cell, std::int32_t face);
