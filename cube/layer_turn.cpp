#include "cube/layer_turn.h"

#include "cube/shuffle_random.h"

TurnState turnState { 0, 0, 0, -1 };
std::int32_t shuffling = 0;

namespace {

constexpr float pi = 3.1415927f;
constexpr float twoPi = 6.2831855f;

// Grid coordinate of a cell along the axis of a code, or -1 for a code that
// names no axis (such a turn selects no cubie).
int LayerOf(int cell, int axisCode)
{
    switch (axisCode) {
    case 1:
    case -1: return cell % 3;
    case 2:
    case -2: return cell / 9;
    case 3:
    case -3: return (cell / 3) % 3;
    default: return -1;
    }
}

void CommitQuarterTurn(Cubie& cubie, int axisCode)
{
    switch (axisCode) {
    case 1: cubie.TurnXMinus(); break;
    case -1: cubie.TurnXPlus(); break;
    case 2: cubie.TurnYMinus(); break;
    case -2: cubie.TurnYPlus(); break;
    case 3: cubie.TurnZMinus(); break;
    case -3: cubie.TurnZPlus(); break;
    default: break;
    }
}

} // namespace

void StartShuffleTurn()
{
    if (shuffling == 0 || turnState.remainingFrames != 0) {
        return;
    }
    const std::int32_t sign = (NextShuffleRandom() % 2 != 0) ? -1 : 1;
    turnState.axisCode = sign * (NextShuffleRandom() % 3 + 1);
    turnState.remainingFrames = shuffleTurnFrames;
    turnState.totalFrames = shuffleTurnFrames;
    // Cell 26 is never drawn and 13 twice as often; every layer stays reachable.
    std::int32_t selector = NextShuffleRandom() % 27;
    if (selector > 13) {
        --selector;
    }
    turnState.selectorCell = selector;
}

void AdvanceTurn()
{
    if (turnState.remainingFrames > 0) {
        --turnState.remainingFrames;
    }
}

bool TurnLayerStep(Cubie& cubie)
{
    if (turnState.remainingFrames <= 0) {
        return false;
    }
    const int layer = LayerOf(turnState.selectorCell, turnState.axisCode);
    if (layer < 0 || LayerOf(cubie.Cell(), turnState.axisCode) != layer) {
        return false;
    }
    if (turnState.remainingFrames == 1) {
        CommitQuarterTurn(cubie, turnState.axisCode);
    }
    return true;
}

void TurnAnimation(Mat4& world)
{
    const std::int32_t total = turnState.totalFrames;
    if (total <= 0) {
        return;
    }
    const std::int32_t progress = total - turnState.remainingFrames;
    const float theta = static_cast<float>(progress) * pi / static_cast<float>(2 * total);
    // A positive code turns towards -90 degrees; 2*pi - theta is that rotation.
    const float angle = turnState.axisCode > 0 ? twoPi - theta : theta;
    const int axis = turnState.axisCode < 0 ? -turnState.axisCode : turnState.axisCode;

    Mat4 rx, ry, rz;
    MatrixRotationX(&rx, axis == 1 ? angle : 0.0f);
    MatrixRotationY(&ry, axis == 2 ? angle : 0.0f);
    MatrixRotationZ(&rz, axis == 3 ? angle : 0.0f);
    MatrixMultiply(&world, &world, &rx);
    MatrixMultiply(&world, &world, &ry);
    MatrixMultiply(&world, &world, &rz);
}

void StartUserTurn(std::int32_t axisCode, std::int32_t selectorCell)
{
    turnState.axisCode = axisCode;
    turnState.remainingFrames = userTurnFrames;
    turnState.totalFrames = userTurnFrames;
    turnState.selectorCell = selectorCell;
}

void StopTurn()
{
    turnState.remainingFrames = 0;
    turnState.selectorCell = -1;
    shuffling = 0;
}
