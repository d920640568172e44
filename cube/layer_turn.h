#pragma once
// Layer turns: the one turn in progress, its animation and commit, and the endless shuffle.

#include <cstdint>

#include "cube/cubie.h"
#include "geometry/maths/matrix.h"

// The one layer turn that may be in progress. Axis codes: +-1 X, +-2 Y, +-3 Z;
// a positive code turns by -90 degrees about its axis (commits the Minus
// quarter turn), a negative one by +90 degrees. The layer is the set of cells
// sharing the selector cell's grid coordinate along that axis.
struct TurnState {
    std::int32_t remainingFrames; // drawn frames left; 0 = idle
    std::int32_t totalFrames; // frames the turn was started with
    std::int32_t axisCode;
    std::int32_t selectorCell; // -1 after a stop
};

extern TurnState turnState;
// Nonzero = shuffle mode on. The Shuffle command complements it.
extern std::int32_t shuffling;

constexpr std::int32_t userTurnFrames = 16;
constexpr std::int32_t shuffleTurnFrames = 7;

// First in a frame step: with shuffling on and no turn running, draws a random
// 7-frame turn (sign, axis, selector 0..25) from the shuffle generator.
void StartShuffleTurn();
// Once per frame step, before the cubies: one drawn frame of the turn passes.
void AdvanceTurn();
// First for each cubie in a frame step: whether it lies in the turning layer.
// On the commit frame (remainingFrames == 1) it also applies the quarter turn.
bool TurnLayerStep(Cubie& cubie);
// world := world * Rx * Ry * Rz with the turn's axis at the current animation
// angle; for layer members while remainingFrames > 1.
void TurnAnimation(Mat4& world);

// A gesture's 16-frame turn of the layer through selectorCell.
void StartUserTurn(std::int32_t axisCode, std::int32_t selectorCell);
// Drops any turn without committing it and switches shuffling off.
void StopTurn();
