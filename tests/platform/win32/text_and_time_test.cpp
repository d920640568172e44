// wsprintfA, the millisecond clock and sleeps, lstrlenA, and message boxes with code page 932 text.
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "platform/win32/message_box_hook.h"
#include "platform/win32/windows.h"

extern const char kCp932InitFailureText[];

namespace {

std::string Format(const char* format, int value)
{
    char buffer[1100];
    const int length = wsprintfA(buffer, format, value);
    EXPECT_EQ(length, lstrlenA(buffer));
    return buffer;
}

TEST(Wsprintf, formats_the_overlay_lines_and_integers)
{
    char buffer[1100];
    EXPECT_EQ(wsprintfA(buffer, "%d FPS", 63), 6);
    EXPECT_STREQ(buffer, "63 FPS");
    wsprintfA(buffer, "Mouse (%d, %d)", -12, 480);
    EXPECT_STREQ(buffer, "Mouse (-12, 480)");

    EXPECT_EQ(Format("[%5d]", -42), "[  -42]");
    EXPECT_EQ(Format("[%-5d]", 42), "[42   ]");
    EXPECT_EQ(Format("[%05d]", -42), "[-0042]");
    EXPECT_EQ(Format("[%.4d]", 7), "[0007]");
    EXPECT_EQ(Format("%i", -2147483647 - 1), "-2147483648");
    EXPECT_EQ(Format("%u", -1), "4294967295");
    wsprintfA(buffer, "%x %X", 0xBEEF, 0xBEEF);
    EXPECT_STREQ(buffer, "beef BEEF");
    wsprintfA(buffer, "%#x|%#X|%#x", 255, 255, 0);
    EXPECT_STREQ(buffer, "0xff|0XFF|0");
    // LONG and DWORD are 32-bit: %ld and %lu take them as Windows passes them.
    const LONG negative = -5;
    const DWORD large = 4000000000u;
    wsprintfA(buffer, "%ld %lu %lx", negative, large, large);
    EXPECT_STREQ(buffer, "-5 4000000000 ee6b2800");
}

TEST(Wsprintf, characters_strings_and_percent)
{
    char buffer[1100];
    wsprintfA(buffer, "%c%c%% %s|%.3s|%6s|%-6s|", 'O', 'K', "text", "abcdef", "ab", "ab");
    EXPECT_STREQ(buffer, "OK% text|abc|    ab|ab    |");
    wsprintfA(buffer, "[%s]", static_cast<const char*>(nullptr));
    EXPECT_STREQ(buffer, "[(null)]");
    // No floating point and no '*': what it cannot read stays as written, arguments untouched.
    wsprintfA(buffer, "%q%d", 9);
    EXPECT_STREQ(buffer, "q9");
}

TEST(Wsprintf, writes_at_most_1024_characters_and_the_nul)
{
    std::string longText(3000, 'a');
    std::string buffer(2000, '#');
    EXPECT_EQ(wsprintfA(buffer.data(), "%s", longText.c_str()), 1024);
    EXPECT_EQ(buffer[1023], 'a');
    EXPECT_EQ(buffer[1024], '\0');
    EXPECT_EQ(buffer[1025], '#') << "nothing beyond the terminator is touched";

    std::fill(buffer.begin(), buffer.end(), '#');
    EXPECT_EQ(wsprintfA(buffer.data(), "%99999d|", 1), 1024) << "a huge width is cut as well";
    EXPECT_EQ(buffer[1024], '\0');
    EXPECT_EQ(buffer[1025], '#');
}

TEST(Kernel32, lstrlen_a)
{
    EXPECT_EQ(lstrlenA(nullptr), 0);
    EXPECT_EQ(lstrlenA(""), 0);
    EXPECT_EQ(lstrlenA("Tessarine"), 9);
    EXPECT_EQ(lstrlenA(kCp932InitFailureText), 34) << "code page 932 bytes, two per kana or kanji";
}

TEST(Timing, sleep_one_advances_the_clock_by_about_one_millisecond)
{
    EXPECT_EQ(timeBeginPeriod(1), TIMERR_NOERROR);
    EXPECT_EQ(timeBeginPeriod(0), TIMERR_NOCANDO);
    const DWORD start = timeGetTime();
    for (int i = 0; i < 50; ++i)
        Sleep(1);
    const DWORD elapsed = timeGetTime() - start;
    EXPECT_EQ(timeEndPeriod(1), TIMERR_NOERROR);
    EXPECT_EQ(timeEndPeriod(0), TIMERR_NOCANDO);
    // Never shorter than asked; the upper bound only catches sleeps that are far too long
    // (a tick waits in these sleeps, so 10 ms each would halve the frame rate).
    EXPECT_GE(elapsed, 50u);
    EXPECT_LT(elapsed, 400u);
}

TEST(MessageBox, observer_gets_decoded_texts_and_decides_the_result)
{
    std::vector<platform::MessageBoxCall> calls;
    platform::SetMessageBoxObserver([&calls](const platform::MessageBoxCall& call) {
        calls.push_back(call);
        return IDOK;
    });
    EXPECT_EQ(MessageBoxA(nullptr, kCp932InitFailureText, "Error", MB_ICONERROR), IDOK);
    EXPECT_EQ(MessageBoxA(nullptr, "Tessarine Ver1.00\n\n", "About", MB_OK), IDOK);
    platform::SetMessageBoxObserver(nullptr);

    ASSERT_EQ(calls.size(), 2u);
    // u8 literals are UTF-8 whatever the execution character set.
    EXPECT_EQ(
        calls[0].textUtf8, reinterpret_cast<const char*>(u8"DirectXの初期化に失敗しました。(1)"));
    EXPECT_EQ(calls[0].captionUtf8, "Error");
    EXPECT_EQ(calls[0].type, MB_ICONERROR);
    EXPECT_EQ(calls[0].owner, nullptr);
    EXPECT_EQ(calls[1].textUtf8, "Tessarine Ver1.00\n\n");
    EXPECT_EQ(calls[1].captionUtf8, "About");
}

} // namespace
