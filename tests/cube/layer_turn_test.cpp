#include <gtest/gtest.h>

#include <cmath>
#include <set>

#include "cube/cubie.h"
#include "cube/frame_step.h"
#include "cube/layer_turn.h"
#include "cube/shuffle_random.h"

namespace {

constexpr float pi = 3.1415927f;

class LayerTurnTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ResetCube();
        StopTurn();
    }
    void TearDown() override { StopTurn(); }
};

Vec3 PosedCentre(const Mat4& world)
{
    const Vec3 origin { 0, 0, 0 };
    Vec3 p;
    return *Vec3TransformCoord(&p, &origin, &world);
}

int GridX(int cell)
{
    return cell % 3;
}

bool IsPermutation()
{
    std::set<int> cells;
    for (const Cubie& c : cubies) {
        cells.insert(c.Cell());
    }
    return cells.size() == 27 && *cells.begin() == 0 && *cells.rbegin() == 26;
}

// Each cubie's orientation carries its home centre onto its current one.
void ExpectPosesConsistent()
{
    for (const Cubie& c : cubies) {
        Cubie home;
        home.SetCell(c.Home());
        Vec3 moved { home.CentreX(), home.CentreY(), home.CentreZ() };
        Vec3TransformCoord(&moved, &moved, &c.Orientation());
        EXPECT_NEAR(moved.x, c.CentreX(), 1e-3f);
        EXPECT_NEAR(moved.y, c.CentreY(), 1e-3f);
        EXPECT_NEAR(moved.z, c.CentreZ(), 1e-3f);
    }
}

// One frame step as the drawing frame runs it, keeping every cubie's pose.
void StepAndPose(Mat4 (&poses)[27], bool (&members)[27])
{
    StartShuffleTurn();
    AdvanceTurn();
    for (int i = 0; i < 27; ++i) {
        members[i] = GridX(cubies[i].Cell()) == 1;
        poses[i] = PoseCubieForFrame(cubies[i]);
    }
}

TEST_F(LayerTurnTest, positive_x_turn_animates_only_its_layer_frame_by_frame_and_commits_x_minus)
{
    StartUserTurn(1, 4);
    Mat4 poses[27];
    bool inLayer[27];
    for (int p = 1; p <= 14; ++p) {
        StepAndPose(poses, inLayer);
        EXPECT_EQ(turnState.remainingFrames, userTurnFrames - p);
        const float theta = static_cast<float>(p) * pi / 32.0f;
        for (int i = 0; i < 27; ++i) {
            Cubie rest;
            rest.SetCell(i);
            const Vec3 centre = PosedCentre(poses[i]);
            if (!inLayer[i]) {
                EXPECT_EQ(centre.x, rest.CentreX());
                EXPECT_EQ(centre.y, rest.CentreY());
                EXPECT_EQ(centre.z, rest.CentreZ());
                continue;
            }
            // A positive code turns by -theta about X: (y, z) -> (y cos + z sin, z cos - y sin).
            EXPECT_NEAR(centre.y,
                rest.CentreY() * std::cos(theta) + rest.CentreZ() * std::sin(theta), 1e-5f);
            EXPECT_NEAR(centre.z,
                rest.CentreZ() * std::cos(theta) - rest.CentreY() * std::sin(theta), 1e-5f);
        }
    }
    // Frame 15 commits; each piece is drawn where it now rests, not rotated further.
    StepAndPose(poses, inLayer);
    EXPECT_EQ(turnState.remainingFrames, 1);
    EXPECT_EQ(cubies[4].Cell(), 16);
    const Vec3 committed = PosedCentre(poses[4]);
    EXPECT_EQ(committed.y, 0.0f);
    EXPECT_EQ(committed.z, -2.0f);
    StepAndPose(poses, inLayer);
    EXPECT_EQ(turnState.remainingFrames, 0);

    // Members moved as TurnXMinus moves them: (x, y, z) -> (x, z, 2 - y).
    for (const Cubie& c : cubies) {
        const int h = c.Home(), x = h % 3, z = (h / 3) % 3, y = h / 9;
        EXPECT_EQ(c.Cell(), x == 1 ? 9 * z + x - 3 * y + 6 : h) << "cubie " << h;
    }
    EXPECT_TRUE(IsPermutation());
    ExpectPosesConsistent();
}

void StepFrames(int n)
{
    for (int f = 0; f < n; ++f) {
        StepModelFrame();
    }
}

void RunUserTurn(int code, int selector)
{
    StartUserTurn(code, selector);
    StepFrames(userTurnFrames);
}

void ExpectSolvedPlaces(float tolerance)
{
    for (const Cubie& c : cubies) {
        EXPECT_EQ(c.Cell(), c.Home());
        EXPECT_NEAR(c.Orientation()._11, 1.0f, tolerance);
        EXPECT_NEAR(c.Orientation()._22, 1.0f, tolerance);
        EXPECT_NEAR(c.Orientation()._33, 1.0f, tolerance);
    }
}

TEST_F(LayerTurnTest, turn_and_inverse_or_four_equal_turns_restore_the_cube)
{
    for (int code : { 1, -1, 2, -2, 3, -3 }) {
        for (int selector : { 0, 13, 26 }) {
            SCOPED_TRACE(testing::Message() << "code " << code << " selector " << selector);
            ResetCube();
            RunUserTurn(code, selector);
            EXPECT_TRUE(IsPermutation());
            RunUserTurn(-code, selector);
            ExpectSolvedPlaces(1e-6f);
            for (int k = 0; k < 4; ++k) {
                RunUserTurn(code, selector);
            }
            ExpectSolvedPlaces(1e-6f);
        }
    }
}

TEST_F(LayerTurnTest, shuffle_generator_is_the_classic_linear_congruential_sequence)
{
    SeedShuffleRandom(1);
    for (int expected : { 41, 18467, 6334, 26500, 19169 }) {
        EXPECT_EQ(NextShuffleRandom(), expected);
    }
    // The state read between draws, seeded back, replays the draws that follow it.
    SeedShuffleRandom(1);
    NextShuffleRandom();
    const std::uint32_t afterOne = ShuffleRandomState();
    EXPECT_EQ(afterOne, 2745024u);
    EXPECT_EQ(ShuffleRandomState(), afterOne);
    EXPECT_EQ(NextShuffleRandom(), 18467);
    SeedShuffleRandom(afterOne);
    EXPECT_EQ(NextShuffleRandom(), 18467);
    // Seed 1 draws 41 (odd: negative), 18467 (Z) and 6334 (27 * 234 + 16 -> 15).
    SeedShuffleRandom(1);
    shuffling = ~0;
    StartShuffleTurn();
    EXPECT_EQ(turnState.axisCode, -3);
    EXPECT_EQ(turnState.selectorCell, 15);
    EXPECT_EQ(turnState.remainingFrames, shuffleTurnFrames);
    EXPECT_EQ(turnState.totalFrames, shuffleTurnFrames);
}

// Seed 581 draws 1935, 26623, 12865 | 24054, 5079, 32235 | 14459, 2707, 2660 | 30297, 18224, 20924:
// per turn the first draw's parity gives the sign (odd: negative), the second mod 3 the axis and
// the third mod 27 the cell, less one above 13: 13 stays 13, 14 and 26 become 13 and 25.
TEST_F(LayerTurnTest, shuffle_draws_sign_then_axis_then_cell_and_skips_cell_twenty_six)
{
    SeedShuffleRandom(581);
    shuffling = ~0;
    const int expected[4][2] = { { -2, 13 }, { 1, 23 }, { -2, 13 }, { -3, 25 } };
    for (const auto& turn : expected) {
        turnState.remainingFrames = 0;
        StartShuffleTurn();
        EXPECT_EQ(turnState.axisCode, turn[0]);
        EXPECT_EQ(turnState.selectorCell, turn[1]);
    }
}

TEST_F(LayerTurnTest, shuffle_turns_follow_every_seven_frames_and_cover_every_code)
{
    SeedShuffleRandom(12345);
    shuffling = ~0;
    std::set<int> codes, selectors;
    for (int frame = 0; frame < 7 * 300; ++frame) {
        StepModelFrame();
        // A turn starts at the top of every seventh frame and is one frame old after it.
        EXPECT_EQ(turnState.remainingFrames, 6 - frame % 7);
        codes.insert(turnState.axisCode);
        selectors.insert(turnState.selectorCell);
    }
    EXPECT_EQ(codes, (std::set<int> { -3, -2, -1, 1, 2, 3 }));
    EXPECT_EQ(selectors.size(), 26u);
    EXPECT_EQ(selectors.count(26), 0u);
    EXPECT_TRUE(IsPermutation());
    ExpectPosesConsistent();
}

TEST_F(LayerTurnTest, shuffle_waits_for_a_running_turn_to_rest)
{
    StartUserTurn(2, 0);
    shuffling = ~0;
    StepFrames(userTurnFrames);
    EXPECT_EQ(turnState.totalFrames, userTurnFrames);
    StepFrames(1);
    EXPECT_EQ(turnState.totalFrames, shuffleTurnFrames);
}

} // namespace
