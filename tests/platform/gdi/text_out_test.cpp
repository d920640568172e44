// GDI text on a device context over plain pixels: placement, colour and background modes.
#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "platform/gdi/surface_dc.h"
#include "platform/win32/windows.h"

namespace {

constexpr int kWidth = 200;
constexpr int kHeight = 60;

class TextOutTest : public ::testing::Test {
protected:
    void SetUp() override { pixels.assign(kWidth * kHeight, kBackground); }

    int CountInRows(std::uint32_t colour, int top, int bottom) const
    {
        int count = 0;
        for (int y = top; y < bottom; ++y) {
            for (int x = 0; x < kWidth; ++x)
                count += pixels[y * kWidth + x] == colour ? 1 : 0;
        }
        return count;
    }

    // Draws one line the way the overlay does: twice, at x and x + 1.
    void DrawLine(int y, const char* text, int mode = TRANSPARENT)
    {
        HDC dc = platform::CreateSurfaceDC(pixels.data(), kWidth, kHeight, kWidth * 4);
        ASSERT_NE(dc, nullptr);
        SetTextColor(dc, 0x00F6FFFF);
        SetBkMode(dc, mode);
        int length = 0;
        while (text[length] != '\0')
            ++length;
        EXPECT_TRUE(TextOutA(dc, 0, y, text, length));
        EXPECT_TRUE(TextOutA(dc, 1, y, text, length));
        platform::DestroySurfaceDC(dc);
    }

    static constexpr std::uint32_t kBackground = 0xFF102030u;
    static constexpr std::uint32_t kText = 0xFFFFFFF6u; // COLORREF 0x00F6FFFF as X8R8G8B8
    std::vector<std::uint32_t> pixels;
};

TEST_F(TextOutTest, text_appears_in_its_colour_on_its_line_and_not_on_the_next)
{
    DrawLine(20, "CAMERA:( 6.9, 6.9, 6.9 )");
    EXPECT_GT(CountInRows(kText, 20, 40), 100);
    EXPECT_EQ(CountInRows(kText, 0, 20), 0);
    EXPECT_EQ(CountInRows(kText, 40, 60), 0);
}

TEST_F(TextOutTest, lines_twenty_pixels_apart_do_not_touch)
{
    DrawLine(0, "axisY:( -0.4, 0.8, -0.4 )");
    DrawLine(20, "CROSS:( 1.2, 3.0, -2.9 )");
    // Each line stays inside its own 20-pixel band, with at least one empty row between.
    int lastRowOfFirst = -1, firstRowOfSecond = kHeight;
    for (int y = 0; y < kHeight; ++y) {
        int row = CountInRows(kText, y, y + 1);
        if (row > 0 && y < 20)
            lastRowOfFirst = y;
        if (row > 0 && y >= 20 && y < firstRowOfSecond)
            firstRowOfSecond = y;
    }
    EXPECT_GE(lastRowOfFirst, 8);
    EXPECT_LT(lastRowOfFirst + 1, firstRowOfSecond);
    EXPECT_LT(firstRowOfSecond, 40);
}

TEST_F(TextOutTest, a_line_drawn_again_after_others_looks_as_it_did_the_first_time)
{
    // Layouts are kept between device contexts: each line must get its own, whatever came
    // between (the same length, the same start), and again when it comes back.
    const char* lines[] = { "NOW SHUFFLING .", "NOW SHUFFLING ,", "63 FPS", "NOW SHUFFLING ." };
    std::vector<std::vector<std::uint32_t>> drawn;
    for (const char* line : lines) {
        pixels.assign(kWidth * kHeight, kBackground);
        DrawLine(20, line);
        drawn.push_back(pixels);
    }
    EXPECT_NE(drawn[0], drawn[1]);
    EXPECT_NE(drawn[0], drawn[2]);
    EXPECT_EQ(drawn[0], drawn[3]);
}

TEST_F(TextOutTest, transparent_background_keeps_the_pixels_behind_and_opaque_fills_them)
{
    DrawLine(10, "NOW SHUFFLING ...");
    const int untouched = CountInRows(kBackground, 0, kHeight);
    const int text = CountInRows(kText, 0, kHeight);
    EXPECT_EQ(untouched + text, kWidth * kHeight); // only text pixels changed: no smoothing

    SetUp();
    DrawLine(10, "NOW SHUFFLING ...", OPAQUE);
    EXPECT_GT(CountInRows(0xFFFFFFFFu, 10, 30), 100); // GDI's default background, white
}

TEST_F(TextOutTest, text_is_placed_by_the_top_left_of_its_cell)
{
    DrawLine(0, "E");
    int top = kHeight, left = kWidth;
    for (int y = 0; y < kHeight; ++y) {
        for (int x = 0; x < kWidth; ++x) {
            if (pixels[y * kWidth + x] == kText) {
                top = std::min(top, y);
                left = std::min(left, x);
            }
        }
    }
    EXPECT_LT(top, 6);
    EXPECT_LT(left, 4);
}

TEST_F(TextOutTest, code_page_932_text_is_drawn)
{
    // "\x83\x65\x83\x58\x83\x67" is katakana te-su-to in code page 932.
    DrawLine(0, "\x83\x65\x83\x58\x83\x67");
    EXPECT_GT(CountInRows(kText, 0, 20), 20);
    SetUp();
    DrawLine(0, "\x83"); // a lone lead byte is drawn as a replacement, not read past
    EXPECT_GE(CountInRows(kText, 0, 20), 0);
}

TEST_F(TextOutTest, foreign_or_stale_handles_and_bad_arguments_fail_without_harm)
{
    HDC bogus = reinterpret_cast<HDC>(&pixels);
    EXPECT_FALSE(TextOutA(bogus, 0, 0, "x", 1));
    EXPECT_EQ(SetTextColor(bogus, 0), 0xFFFFFFFFu);
    EXPECT_EQ(SetBkMode(bogus, TRANSPARENT), 0);
    EXPECT_FALSE(TextOutA(nullptr, 0, 0, "x", 1));

    HDC dc = platform::CreateSurfaceDC(pixels.data(), kWidth, kHeight, kWidth * 4);
    ASSERT_NE(dc, nullptr);
    EXPECT_EQ(SetBkMode(dc, 77), 0);
    EXPECT_EQ(SetBkMode(dc, TRANSPARENT), OPAQUE); // GDI's default mode comes back
    EXPECT_EQ(SetTextColor(dc, 0x00112233), 0u); // default text colour: black
    EXPECT_FALSE(TextOutA(dc, 0, 0, nullptr, 3));
    EXPECT_FALSE(TextOutA(dc, 0, 0, "x", -1));
    EXPECT_TRUE(TextOutA(dc, -500, 9000, "far outside", 11));
    platform::DestroySurfaceDC(dc);
    EXPECT_FALSE(TextOutA(dc, 0, 0, "x", 1)); // freed
    platform::DestroySurfaceDC(dc); // twice is harmless
    platform::DestroySurfaceDC(nullptr);

    EXPECT_EQ(platform::CreateSurfaceDC(nullptr, 10, 10, 40), nullptr);
    EXPECT_EQ(platform::CreateSurfaceDC(pixels.data(), 10, 10, 20), nullptr);
    EXPECT_EQ(platform::CreateSurfaceDC(pixels.data(), 0, 10, 40), nullptr);
}

} // namespace
