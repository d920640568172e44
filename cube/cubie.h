#pragma once
// The 27 pieces of the cube, their cells and orientations, and the quarter turns that move them.

#include <cstdint>

#include "geometry/maths/matrix.h"
#include "geometry/maths/vec3.h"

// One of the 27 pieces. A cell index packs grid coordinates
// x = index % 3, z = (index / 3) % 3, y = index / 9; the cell's centre is
// (2x - 2, 2 - 2y, 2 - 2z). Face slots 0..5 point along +X, +Y, -X, -Y, +Z, -Z
// while the orientation is the identity. Corners 0-3 are the +Y square of a
// cell box and 4-7 the -Y square, in the same cyclic order, starting at
// (-1, +1, +1) from the centre.
class Cubie {
public:
    Cubie();
    virtual ~Cubie();

    void ResetOrientation();
    void SetHome(int home);
    void SetCell(int cell);
    int Cell() const { return cell; }
    int Home() const { return home; }
    void SetFaceColour(int slot, int colour);
    int FaceColour(int slot) const { return faceColour[slot]; }
    // The corner box is that of the cell equal to this element's index in
    // cubies, and stays there whatever the piece does: picking walks it as the
    // static grid.
    void SetCorner(int index, Vec3 point);
    const Vec3& Corner(int index) const { return corners[index]; }
    const Mat4& Orientation() const { return orientation; }

    // Centre of the current cell, recomputed on each call.
    float CentreX() const;
    float CentreY() const;
    float CentreZ() const;

    // Quarter turns about the world axes through the cube's centre: the cell
    // follows its centre rotated by R, and orientation := orientation * R.
    void TurnXPlus();
    void TurnYPlus();
    void TurnZPlus();
    void TurnXMinus();
    void TurnYMinus();
    void TurnZMinus();

private:
    void QuarterTurn(int newCell, const Mat4& rotation);

    std::int32_t home;
    std::int32_t cell;
    std::int32_t faceColour[6];
    Mat4 orientation;
    Vec3 corners[8];
};

extern Cubie cubies[27];

// The solved cube: every cubie home, unturned, with its solved colours and the
// corner box of its own cell. Leaves the turn state alone.
void ResetCube();
