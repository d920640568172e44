#pragma once
// The cube model's share of a drawn frame, so that tools and tests can step the cube exactly as the
// frame does without drawing.

#include "cube/cubie.h"
#include "geometry/maths/matrix.h"

// The model's part of one drawn frame, shared by the frame that draws and by
// anything that steps the cube without drawing.

// For one cubie, in array order after AdvanceTurn: the layer test (committing
// on the commit frame), then the world matrix orientation * translation(centre)
// and, while the layer is still turning, its animation rotation.
Mat4 PoseCubieForFrame(Cubie& cubie);
// StartShuffleTurn, AdvanceTurn, then PoseCubieForFrame for all 27 cubies.
void StepModelFrame();
