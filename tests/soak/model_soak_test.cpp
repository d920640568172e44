// A long shuffle through the model's own steps: the cells stay a permutation, every piece stays
// where its orientation says it is, and the orientations' rounding drift stays small.
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <cstring>

#include "cube/cubie.h"
#include "cube/layer_turn.h"
#include "cube/shuffle_random.h"
#include "geometry/camera.h"
#include "tests/soak/soak_counts.h"

namespace {

// Row-major entries: e[4 * row + column].
std::array<float, 16> Entries(const Mat4& m)
{
    std::array<float, 16> e;
    std::memcpy(e.data(), &m, sizeof e);
    return e;
}

// The nearest exact value of an orientation entry (-1, 0 or 1).
float Snapped(float entry)
{
    return std::round(entry);
}

// The largest distance of an orientation entry from its snapped value.
double OrientationDrift(const Cubie& cubie)
{
    double drift = 0.0;
    for (float entry : Entries(cubie.Orientation())) {
        drift = std::fmax(drift, std::fabs(entry - Snapped(entry)));
    }
    return drift;
}

// The snapped orientation is a signed permutation (an exact quarter-turn rotation), and it takes
// the piece's home cell centre to the centre of the cell it occupies now.
::testing::AssertionResult PieceIsWhereItsOrientationSays(const Cubie& cubie)
{
    const std::array<float, 16> e = Entries(cubie.Orientation());
    const auto at = [&e](int row, int column) { return Snapped(e[4 * row + column]); };
    for (int row = 0; row < 3; ++row) {
        int units = 0;
        for (int column = 0; column < 3; ++column) {
            if (at(row, column) != 0.0f) {
                ++units;
            }
        }
        if (units != 1) {
            return ::testing::AssertionFailure() << "row " << row << " is not a signed unit vector";
        }
    }
    const int home = cubie.Home();
    const float hx = 2.0f * (home % 3) - 2.0f, hy = 2.0f - 2.0f * (home / 9),
                hz = 2.0f - 2.0f * ((home / 3) % 3);
    float moved[3];
    for (int column = 0; column < 3; ++column) {
        moved[column] = hx * at(0, column) + hy * at(1, column) + hz * at(2, column);
    }
    if (moved[0] != cubie.CentreX() || moved[1] != cubie.CentreY() || moved[2] != cubie.CentreZ()) {
        return ::testing::AssertionFailure() << "piece " << home << " sits in cell " << cubie.Cell()
                                             << " but its orientation takes it elsewhere";
    }
    return ::testing::AssertionSuccess();
}

::testing::AssertionResult CellsArePermutation()
{
    bool seen[27] = {};
    for (const Cubie& c : cubies) {
        if (c.Cell() < 0 || c.Cell() > 26 || seen[c.Cell()]) {
            return ::testing::AssertionFailure() << "cell " << c.Cell() << " repeated or outside";
        }
        seen[c.Cell()] = true;
    }
    return ::testing::AssertionSuccess();
}

TEST(ModelSoak, shuffle_turns_keep_the_cells_a_permutation_and_orientations_nearly_exact)
{
    const std::int64_t turns = SoakCount(100000, 1000000);
    SeedShuffleRandom(20261208);
    ResetCamera();
    ResetCube();
    shuffling = ~0;
    for (std::int64_t turn = 1; turn <= turns; ++turn) {
        StartShuffleTurn();
        ASSERT_EQ(turnState.remainingFrames, shuffleTurnFrames) << "turn " << turn;
        // Seven drawn frames: five animated, the commit, the resting frame.
        for (int frame = 0; frame < shuffleTurnFrames; ++frame) {
            AdvanceTurn();
            for (Cubie& c : cubies) {
                TurnLayerStep(c);
            }
        }
        ASSERT_EQ(turnState.remainingFrames, 0);
        ASSERT_TRUE(CellsArePermutation()) << "after turn " << turn;
        if (turn % 1000 == 0) {
            for (const Cubie& c : cubies) {
                ASSERT_TRUE(PieceIsWhereItsOrientationSays(c)) << "after turn " << turn;
            }
        }
    }
    double drift = 0.0;
    for (const Cubie& c : cubies) {
        EXPECT_TRUE(PieceIsWhereItsOrientationSays(c));
        drift = std::fmax(drift, OrientationDrift(c));
    }
    ReportFigure("shuffle_turns", static_cast<double>(turns));
    ReportFigure("orientation_drift", drift);
    // Rounding of the quarter-turn matrices (their zero entries are about 4e-8) adds up as a
    // random walk; a systematic error would show as a drift growing with the count.
    EXPECT_LT(drift, 1e-3);
    shuffling = 0;
}

} // namespace
