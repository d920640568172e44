// The text the user reads over the picture: which overlay lines appear where, the banner's
// dots, and the one-decimal numbers.
#include <cstring>

#include "cube/layer_turn.h"
#include "geometry/camera.h"
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
    EXPECT_EQ(OneDecimal(0.0f), "0.0");
    EXPECT_EQ(OneDecimal(-0.04f), "-0.0");
    EXPECT_EQ(OneDecimal(6.928203f), "6.9");
    EXPECT_EQ(OneDecimal(-0.408248f), "-0.4");
    EXPECT_EQ(OneDecimal(30.0f), "30.0");
}

TEST(FormatOneDecimal, out_of_range_values_stay_inside_the_buffer)
{
    EXPECT_EQ(OneDecimal(3.0e38f), "2147483647.0");
    EXPECT_EQ(OneDecimal(-3.0e38f), "-2147483647.0");
    EXPECT_EQ(OneDecimal(__builtin_nanf("")), "2147483647.0");
    EXPECT_LT(OneDecimal(-3.0e38f).size(), static_cast<std::size_t>(oneDecimalBufferSize));
}

TEST(ShuffleBanner, dots_cycle_every_twenty_banner_frames)
{
    const std::string base = "NOW SHUFFLING ";
    const struct {
        int tick;
        const char* dots;
    } cases[] = { { 0, "." }, { 19, "." }, { 20, ".." }, { 39, ".." }, { 40, "..." }, { 59, "..." },
        { 60, "" }, { 79, "" }, { 80, "." }, { 230, "" } };
    for (const auto& c : cases) {
        bannerTick = c.tick;
        char line[64];
        const int length = FormatBannerLine(line);
        EXPECT_EQ(std::string(line), base + c.dots) << "tick " << c.tick;
        EXPECT_EQ(length, static_cast<int>(std::strlen(line)));
    }
    bannerTick = 0;
}

class Overlay : public RenderTest {
protected:
    // Rows in which the overlay changed any pixel, against the same frame without it.
    std::vector<bool> RowsWithText()
    {
        overlayVisible = 0;
        const Frame plain = DrawFrame();
        overlayVisible = 1;
        const Frame withText = DrawFrame();
        overlayVisible = 0;
        std::vector<bool> rows(480, false);
        for (int y = 0; y < 480; ++y) {
            for (int x = 0; x < 640; ++x) {
                const std::size_t i = static_cast<std::size_t>(y) * 640 + x;
                if (withText.pixels[i] != plain.pixels[i]) {
                    rows[y] = true;
                    EXPECT_EQ(withText.pixels[i], 0xFFFFF6u) << "text colour at " << x << "," << y;
                    break;
                }
            }
        }
        return rows;
    }
    static bool AnyIn(const std::vector<bool>& rows, int from, int to)
    {
        for (int y = from; y < to; ++y) {
            if (rows[y]) {
                return true;
            }
        }
        return false;
    }
};

TEST_F(Overlay, mouse_over_empty_space_shows_four_lines)
{
    mousePos = { 5, 470 };
    const std::vector<bool> rows = RowsWithText();
    for (int line = 0; line < 4; ++line) {
        EXPECT_TRUE(AnyIn(rows, line * 20, line * 20 + 20)) << "line at y " << line * 20;
    }
    EXPECT_FALSE(AnyIn(rows, 80, 480)) << "nothing below the fourth line";
}

TEST_F(Overlay, mouse_over_the_cube_adds_the_pick_lines)
{
    mousePos = { 320, 240 };
    const std::vector<bool> rows = RowsWithText();
    for (int line = 0; line < 7; ++line) {
        EXPECT_TRUE(AnyIn(rows, line * 20, line * 20 + 20)) << "line at y " << line * 20;
    }
    EXPECT_FALSE(AnyIn(rows, 140, 480)) << "nothing below the seventh line";
}

TEST_F(Overlay, lines_start_on_their_rows_and_stay_apart)
{
    mousePos = { 320, 240 };
    const std::vector<bool> rows = RowsWithText();
    // Each line's ink lies within its own 20 rows, leaving a gap before the next.
    for (int line = 0; line < 7; ++line) {
        int first = -1;
        int last = -1;
        for (int y = line * 20; y < line * 20 + 20; ++y) {
            if (rows[y]) {
                first = first < 0 ? y : first;
                last = y;
            }
        }
        EXPECT_GE(first, line * 20);
        EXPECT_LT(last, line * 20 + 19) << "line " << line << " runs into the next";
    }
}

TEST_F(Overlay, hidden_overlay_and_no_shuffle_leave_the_picture_alone)
{
    const Frame first = DrawFrame();
    mousePos = { 320, 240 };
    const Frame second = DrawFrame();
    EXPECT_TRUE(first == second);
    for (int x = 0; x < 640; ++x) {
        EXPECT_EQ(second.pixels[static_cast<std::size_t>(470) * 640 + x], 0u);
    }
}

class BannerFrames : public RenderTest { };

// The rightmost banner pixel of a frame: the banner's row band is below the cube.
int BannerRight(const Frame& frame)
{
    int right = -1;
    for (int y = 460; y < 480; ++y) {
        for (int x = 0; x < 640; ++x) {
            if (frame.pixels[static_cast<std::size_t>(y) * 640 + x] != 0 && x > right) {
                right = x;
            }
        }
    }
    return right;
}

TEST_F(BannerFrames, banner_dots_grow_then_vanish_every_twenty_frames)
{
    shuffling = ~0;
    bannerTick = 0;
    int widths[80];
    for (int& width : widths) {
        width = BannerRight(DrawFrame());
    }
    EXPECT_EQ(bannerTick, 80);
    for (int i = 0; i < 80; ++i) {
        EXPECT_EQ(widths[i], widths[i / 20 * 20]) << "frame " << i;
    }
    EXPECT_GT(widths[0], 0);
    EXPECT_GT(widths[20], widths[0]) << "two dots are wider than one";
    EXPECT_GT(widths[40], widths[20]) << "three dots are wider than two";
    EXPECT_LT(widths[60], widths[0]) << "no dots at all";

    shuffling = 0;
    EXPECT_EQ(BannerRight(DrawFrame()), -1) << "no banner once shuffling is off";
    EXPECT_EQ(bannerTick, 80);
}

} // namespace
