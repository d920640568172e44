// The text over the picture: which overlay lines appear where, the banner's dots, and the
// numbers with one decimal.
#include <string>

#include "cube/layer_turn.h"
#include "geometry/cursor.h"
#include "render/overlay.h"
#include "render/view_flags.h"
#include "tests/render/render_test_support.h"

namespace {

std::string OneDecimal(float value)
{
    char buffer[oneDecimalBufferSize];
    return FormatOneDecimal(buffer, value);
}

TEST(FormatOneDecimal, truncates_the_tenth_and_keeps_the_sign)
{
    EXPECT_EQ(OneDecimal(12.0f), "12.0");
    EXPECT_EQ(OneDecimal(2.35f), "2.3");
    EXPECT_EQ(OneDecimal(-1.25f), "-1.2");
    EXPECT_EQ(OneDecimal(-0.5f), "-0.5");
    EXPECT_EQ(OneDecimal(0.05f), "0.0");
    EXPECT_EQ(OneDecimal(-0.04f), "-0.0");
    EXPECT_EQ(OneDecimal(6.928203f), "6.9");
    // Nothing the overlay shows comes near these, but none may overrun the buffer.
    EXPECT_EQ(OneDecimal(-3.0e38f), "-2147483647.0");
    EXPECT_EQ(OneDecimal(__builtin_nanf("")), "2147483647.0");
}

TEST(ShuffleBanner, dots_cycle_every_twenty_banner_frames)
{
    const std::pair<int, std::string> cases[] = { { 0, "." }, { 19, "." }, { 20, ".." },
        { 40, "..." }, { 59, "..." }, { 60, "" }, { 79, "" }, { 80, "." }, { 230, "" } };
    for (const auto& [tick, dots] : cases) {
        bannerTick = tick;
        char line[64];
        const int length = FormatBannerLine(line);
        EXPECT_EQ(std::string(line), "NOW SHUFFLING " + dots) << "tick " << tick;
        EXPECT_EQ(length, static_cast<int>(std::string(line).size()));
    }
    bannerTick = 0;
}

class TextOverlay : public RenderTest {
protected:
    // For each 20-row line band: whether the overlay changed any pixel there, and to what.
    std::vector<bool> LinesWithText()
    {
        const Frame plain = DrawFrame();
        overlayVisible = 1;
        const Frame withText = DrawFrame();
        overlayVisible = 0;
        std::vector<bool> lines(24, false);
        for (int i = 0; i < 640 * 480; ++i) {
            if (withText.pixels[i] != plain.pixels[i]) {
                lines[i / 640 / 20] = true;
                EXPECT_EQ(withText.pixels[i], 0xFFFFF6u) << "text colour at row " << i / 640;
                // Lines 20 rows apart stay apart: no ink on a band's last row.
                EXPECT_NE(i / 640 % 20, 19) << "row " << i / 640;
            }
        }
        return lines;
    }
};

TEST_F(TextOverlay, mouse_over_empty_space_shows_four_lines_and_over_the_cube_seven)
{
    mousePos = { 5, 470 };
    std::vector<bool> expected(24, false);
    std::fill(expected.begin(), expected.begin() + 4, true);
    EXPECT_EQ(LinesWithText(), expected);
    mousePos = { 320, 240 };
    std::fill(expected.begin(), expected.begin() + 7, true);
    EXPECT_EQ(LinesWithText(), expected);
}

TEST_F(TextOverlay, banner_dots_grow_then_vanish_every_twenty_frames)
{
    shuffling = ~0;
    int right[80];
    for (int& x : right) {
        const Frame frame = DrawFrame();
        x = -1;
        for (int i = 460 * 640; i < 480 * 640; ++i) {
            x = frame.pixels[i] != 0 ? std::max(x, i % 640) : x;
        }
    }
    shuffling = 0;
    EXPECT_EQ(bannerTick, 80);
    for (int i = 0; i < 80; ++i) {
        EXPECT_EQ(right[i], right[i / 20 * 20]) << "frame " << i;
    }
    EXPECT_GT(right[0], 100);
    EXPECT_GT(right[20], right[0]) << "two dots reach farther than one";
    EXPECT_GT(right[40], right[20]) << "three dots reach farther than two";
    EXPECT_LT(right[60], right[0]) << "and then none";
    const Frame quiet = DrawFrame();
    EXPECT_TRUE(std::all_of(
        quiet.pixels.begin() + 460 * 640, quiet.pixels.end(), [](auto p) { return p == 0; }));
    EXPECT_EQ(bannerTick, 80) << "counted only while the banner is drawn";
}

} // namespace
