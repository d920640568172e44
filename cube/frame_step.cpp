#include "cube/frame_step.h"

#include "cube/layer_turn.h"

Mat4 PoseCubieForFrame(Cubie& cubie)
{
    const bool member = TurnLayerStep(cubie);
    Mat4 translation;
    MatrixTranslation(&translation, cubie.CentreX(), cubie.CentreY(), cubie.CentreZ());
    Mat4 world;
    MatrixMultiply(&world, &cubie.Orientation(), &translation);
    if (turnState.remainingFrames > 1 && member) {
        TurnAnimation(world);
    }
    return world;
}

void StepModelFrame()
{
    StartShuffleTurn();
    AdvanceTurn();
    for (Cubie& cubie : cubies) {
        PoseCubieForFrame(cubie);
    }
}
