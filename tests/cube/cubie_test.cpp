#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "cube/cubie.h"

namespace {

using Turn = void (*)(Cubie&);
struct QuarterTurn {
    const char* name;
    Turn turn;
    Mat4* (*rotation)(Mat4*, float);
    float angle; // the nearest float to +-pi/2
};
const QuarterTurn quarterTurns[6] = {
    { "XPlus", [](Cubie& c) { c.TurnXPlus(); }, MatrixRotationX, 1.5707964f },
    { "YPlus", [](Cubie& c) { c.TurnYPlus(); }, MatrixRotationY, 1.5707964f },
    { "ZPlus", [](Cubie& c) { c.TurnZPlus(); }, MatrixRotationZ, 1.5707964f },
    { "XMinus", [](Cubie& c) { c.TurnXMinus(); }, MatrixRotationX, -1.5707964f },
    { "YMinus", [](Cubie& c) { c.TurnYMinus(); }, MatrixRotationY, -1.5707964f },
    { "ZMinus", [](Cubie& c) { c.TurnZMinus(); }, MatrixRotationZ, -1.5707964f },
};

Vec3 Centre(const Cubie& c)
{
    return { c.CentreX(), c.CentreY(), c.CentreZ() };
}

// World direction in which a face slot of the cubie points now.
Vec3 FacingOf(const Cubie& c, int slot)
{
    static const Vec3 normals[6]
        = { { 1, 0, 0 }, { 0, 1, 0 }, { -1, 0, 0 }, { 0, -1, 0 }, { 0, 0, 1 }, { 0, 0, -1 } };
    Vec3 v;
    Vec3TransformCoord(&v, &normals[slot], &c.Orientation());
    return { std::round(v.x), std::round(v.y), std::round(v.z) };
}

void ExpectNear(Vec3 a, Vec3 b, float tolerance = 1e-5f)
{
    EXPECT_NEAR(a.x, b.x, tolerance);
    EXPECT_NEAR(a.y, b.y, tolerance);
    EXPECT_NEAR(a.z, b.z, tolerance);
}

class CubieTest : public ::testing::Test {
protected:
    void SetUp() override { ResetCube(); }
};

TEST_F(CubieTest, reset_gives_every_solved_colour_and_corner_box)
{
    // Colours of slots +X, +Y, -X, -Y, +Z, -Z for each solved cubie.
    const int solved[27][6] = {
        { 7, 0, 2, 7, 1, 7 },
        { 7, 0, 7, 7, 1, 7 },
        { 4, 0, 7, 7, 1, 7 },
        { 7, 0, 2, 7, 7, 7 },
        { 7, 6, 7, 7, 7, 7 },
        { 4, 0, 7, 7, 7, 7 },
        { 7, 0, 2, 7, 7, 3 },
        { 7, 0, 7, 7, 7, 3 },
        { 4, 0, 7, 7, 7, 3 },
        { 7, 7, 2, 7, 1, 7 },
        { 7, 7, 7, 7, 1, 7 },
        { 4, 7, 7, 7, 1, 7 },
        { 7, 7, 2, 7, 7, 7 },
        { 7, 7, 7, 7, 7, 7 },
        { 4, 7, 7, 7, 7, 7 },
        { 7, 7, 2, 7, 7, 3 },
        { 7, 7, 7, 7, 7, 3 },
        { 4, 7, 7, 7, 7, 3 },
        { 7, 7, 2, 5, 1, 7 },
        { 7, 7, 7, 5, 1, 7 },
        { 4, 7, 7, 5, 1, 7 },
        { 7, 7, 2, 5, 7, 7 },
        { 7, 7, 7, 5, 7, 7 },
        { 4, 7, 7, 5, 7, 7 },
        { 7, 7, 2, 5, 7, 3 },
        { 7, 7, 7, 5, 7, 3 },
        { 4, 7, 7, 5, 7, 3 },
    };
    for (int i = 0; i < 27; ++i) {
        EXPECT_EQ(cubies[i].Home(), i);
        EXPECT_EQ(cubies[i].Cell(), i);
        EXPECT_EQ(
            cubies[i].Orientation()._11 + cubies[i].Orientation()._22 + cubies[i].Orientation()._33,
            3.0f);
        for (int slot = 0; slot < 6; ++slot) {
            EXPECT_EQ(cubies[i].FaceColour(slot), solved[i][slot])
                << "cubie " << i << " slot " << slot;
        }
        const Vec3 c = Centre(cubies[i]);
        ExpectNear(cubies[i].Corner(0), { c.x - 1, c.y + 1, c.z + 1 }, 0.0f);
        ExpectNear(cubies[i].Corner(6), { c.x + 1, c.y - 1, c.z - 1 }, 0.0f);
    }
    ExpectNear(cubies[0].Corner(0), { -3, 3, 3 }, 0.0f);
    ExpectNear(cubies[0].Corner(6), { -1, 1, 1 }, 0.0f);
}

TEST_F(CubieTest, each_quarter_turn_moves_cells_as_its_rotation_moves_centres)
{
    for (const QuarterTurn& q : quarterTurns) {
        SCOPED_TRACE(q.name);
        ResetCube();
        Mat4 r;
        q.rotation(&r, q.angle);
        bool seen[27] = {};
        for (Cubie& c : cubies) {
            Vec3 expected = Centre(c);
            Vec3TransformCoord(&expected, &expected, &r);
            q.turn(c);
            ExpectNear(Centre(c), expected);
            seen[c.Cell()] = true;
        }
        EXPECT_TRUE(std::all_of(std::begin(seen), std::end(seen), [](bool s) { return s; }));
        // The grid never moves with the pieces.
        ExpectNear(cubies[0].Corner(0), { -3, 3, 3 }, 0.0f);
    }
}

TEST_F(CubieTest, turned_corner_cubie_shows_its_stickers_on_the_outside)
{
    cubies[0].TurnXPlus();
    EXPECT_EQ(cubies[0].Cell(), 18);
    ExpectNear(FacingOf(cubies[0], 1), { 0, 0, 1 }, 0.0f); // white
    ExpectNear(FacingOf(cubies[0], 4), { 0, -1, 0 }, 0.0f); // yellow
    ExpectNear(FacingOf(cubies[0], 2), { -1, 0, 0 }, 0.0f); // orange
}

} // namespace
