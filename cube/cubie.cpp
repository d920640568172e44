#include "cube/cubie.h"

#include <bit>

Cubie cubies[27];

namespace {

// The float nearest pi/2, and its negative: the committed quarter turn keeps
// the tiny off-axis residue of this angle, as the drawn pose does.
constexpr float quarterTurn = std::bit_cast<float>(0x3FC90FDBu);
constexpr float quarterTurnBack = std::bit_cast<float>(0xBFC90FDBu);

int GridX(int cell)
{
    return cell % 3;
}
int GridZ(int cell)
{
    return (cell / 3) % 3;
}
int GridY(int cell)
{
    return cell / 9;
}

const Vec3 cornerOffsets[8] = {
    { -1.0f, 1.0f, 1.0f },
    { 1.0f, 1.0f, 1.0f },
    { 1.0f, 1.0f, -1.0f },
    { -1.0f, 1.0f, -1.0f },
    { -1.0f, -1.0f, 1.0f },
    { 1.0f, -1.0f, 1.0f },
    { 1.0f, -1.0f, -1.0f },
    { -1.0f, -1.0f, -1.0f },
};

// Solved colour of each face slot for a cell on that side of the cube,
// 7 (the inside blank) otherwise; 6 marks the centre sticker of the +Y side.
int SolvedColour(int cell, int slot)
{
    const int x = GridX(cell), y = GridY(cell), z = GridZ(cell);
    switch (slot) {
    case 0: return x == 2 ? 4 : 7;
    case 1: return y == 0 ? (cell == 4 ? 6 : 0) : 7;
    case 2: return x == 0 ? 2 : 7;
    case 3: return y == 2 ? 5 : 7;
    case 4: return z == 0 ? 1 : 7;
    case 5: return z == 2 ? 3 : 7;
    default: return 7;
    }
}

} // namespace

Cubie::Cubie()
    : home(0)
    , cell(0)
    , faceColour {}
    , orientation {}
    , corners {}
{
    MatrixRotationX(&orientation, 0.0f);
}

Cubie::~Cubie() = default;

void Cubie::ResetOrientation()
{
    MatrixIdentity(&orientation);
}
void Cubie::SetHome(int value)
{
    home = value;
}
void Cubie::SetCell(int value)
{
    cell = value;
}
void Cubie::SetFaceColour(int slot, int colour)
{
    faceColour[slot] = colour;
}
void Cubie::SetCorner(int index, Vec3 point)
{
    corners[index] = point;
}

float Cubie::CentreX() const
{
    return static_cast<float>(2 * GridX(cell) - 2);
}
float Cubie::CentreY() const
{
    return static_cast<float>(2 - 2 * GridY(cell));
}
float Cubie::CentreZ() const
{
    return static_cast<float>(2 - 2 * GridZ(cell));
}

void Cubie::QuarterTurn(int newCell, const Mat4& rotation)
{
    cell = newCell;
    MatrixMultiply(&orientation, &orientation, &rotation);
}

void Cubie::TurnXPlus()
{
    Mat4 r;
    const int x = GridX(cell), y = GridY(cell), z = GridZ(cell);
    QuarterTurn(x + 3 * y - 9 * z + 18, *MatrixRotationX(&r, quarterTurn));
}

void Cubie::TurnYPlus()
{
    Mat4 r;
    const int x = GridX(cell), y = GridY(cell), z = GridZ(cell);
    QuarterTurn(9 * y + 3 * x - z + 2, *MatrixRotationY(&r, quarterTurn));
}

void Cubie::TurnZPlus()
{
    Mat4 r;
    const int x = GridX(cell), y = GridY(cell), z = GridZ(cell);
    QuarterTurn(y + 3 * z - 9 * x + 18, *MatrixRotationZ(&r, quarterTurn));
}

void Cubie::TurnXMinus()
{
    Mat4 r;
    const int x = GridX(cell), y = GridY(cell), z = GridZ(cell);
    QuarterTurn(9 * z + x - 3 * y + 6, *MatrixRotationX(&r, quarterTurnBack));
}

void Cubie::TurnYMinus()
{
    Mat4 r;
    const int x = GridX(cell), y = GridY(cell), z = GridZ(cell);
    QuarterTurn(9 * y + z - 3 * x + 6, *MatrixRotationY(&r, quarterTurnBack));
}

void Cubie::TurnZMinus()
{
    Mat4 r;
    const int x = GridX(cell), y = GridY(cell), z = GridZ(cell);
    QuarterTurn(3 * z + 9 * x - y + 2, *MatrixRotationZ(&r, quarterTurnBack));
}

void ResetCube()
{
    for (int i = 0; i < 27; ++i) {
        cubies[i].ResetOrientation();
        cubies[i].SetHome(i);
        cubies[i].SetCell(i);
    }
    for (int i = 0; i < 27; ++i) {
        for (int slot = 0; slot < 6; ++slot) {
            cubies[i].SetFaceColour(slot, SolvedColour(i, slot));
        }
    }
    for (int i = 0; i < 27; ++i) {
        const Vec3 centre { static_cast<float>(2 * GridX(i) - 2),
            static_cast<float>(2 - 2 * GridY(i)), static_cast<float>(2 - 2 * GridZ(i)) };
        for (int k = 0; k < 8; ++k) {
            cubies[i].SetCorner(k,
                { centre.x + cornerOffsets[k].x, centre.y + cornerOffsets[k].y,
                    centre.z + cornerOffsets[k].z });
        }
    }
}
