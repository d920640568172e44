#include "render/overlay.h"

#include <cstdint>

#include "geometry/camera.h"
#include "geometry/cursor.h"
#include "geometry/picking.h"
#include "platform/platform.h"
#include "render/device.h"
#include "render/view_flags.h"

std::int32_t bannerTick = 0;
const char* const shuffleDots[4] = { ".", "..", "...", "" };

namespace {

constexpr COLORREF textColour = 0x00F6FFFF;
constexpr int lineBufferSize = 128;

// Each line twice, one pixel apart, to thicken its strokes.
void DrawLine(HDC dc, int y, const char* line)
{
    const int length = lstrlenA(line);
    TextOutA(dc, 0, y, line, length);
    TextOutA(dc, 1, y, line, length);
}

HDC BeginText()
{
    if (backBufferSurface == nullptr) {
        return nullptr;
    }
    HDC dc = nullptr;
    if (FAILED(backBufferSurface->GetDC(&dc))) {
        return nullptr;
    }
    SetTextColor(dc, textColour);
    SetBkMode(dc, TRANSPARENT);
    return dc;
}

void DrawVectorLine(HDC dc, int y, const char* format, float x, float yValue, float z)
{
    char first[oneDecimalBufferSize];
    char second[oneDecimalBufferSize];
    char third[oneDecimalBufferSize];
    char line[lineBufferSize];
    wsprintfA(line, format, FormatOneDecimal(first, x), FormatOneDecimal(second, yValue),
        FormatOneDecimal(third, z));
    DrawLine(dc, y, line);
}

} // namespace

char* FormatOneDecimal(char* buffer, float value)
{
    char* out = buffer;
    if (value < 0.0f) {
        *out++ = '-';
    }
    const float magnitude = value < 0.0f ? -value : value;
    std::uint32_t whole = 2147483647u;
    std::uint32_t tenth = 0;
    if (magnitude < 2147483648.0f) {
        whole = static_cast<std::uint32_t>(magnitude);
        // The tenth comes from the single-precision product, as the overlay has always shown it.
        const float scaled = magnitude * 10.0f;
        tenth = static_cast<std::uint32_t>(static_cast<std::uint64_t>(scaled) % 10u);
    }
    char digits[10];
    int count = 0;
    do {
        digits[count++] = static_cast<char>('0' + whole % 10u);
        whole /= 10u;
    } while (whole != 0);
    while (count > 0) {
        *out++ = digits[--count];
    }
    *out++ = '.';
    *out++ = static_cast<char>('0' + tenth);
    *out = '\0';
    return buffer;
}

int FormatBannerLine(char* line)
{
    const std::uint32_t step = static_cast<std::uint32_t>(bannerTick) / 20u;
    wsprintfA(line, "NOW SHUFFLING %s", shuffleDots[step % 4u]);
    return lstrlenA(line);
}

void DrawOverlay()
{
    HDC dc = BeginText();
    if (dc == nullptr) {
        return;
    }
    char line[lineBufferSize];
    wsprintfA(line, "%d FPS", framesPerSecond);
    DrawLine(dc, 0, line);
    wsprintfA(line, "MOUSE:(%d,%d)", mousePos.x, mousePos.y);
    DrawLine(dc, 20, line);
    const Vec3 eye = EyePosition();
    DrawVectorLine(dc, 40, "CAMERA:( %s, %s, %s )", eye.x, eye.y, eye.z);
    DrawVectorLine(dc, 60, "axisY:( %s, %s, %s )", camera.axisY.x, camera.axisY.y, camera.axisY.z);

    PickHit hit;
    if (Pick(&hit, mousePos) != nullptr) {
        DrawVectorLine(dc, 80, "CROSS:( %s, %s, %s )", hit.point.x, hit.point.y, hit.point.z);
        char distance[oneDecimalBufferSize];
        wsprintfA(line, "DISTANCE: %s", FormatOneDecimal(distance, hit.distance));
        DrawLine(dc, 100, line);
        wsprintfA(line, "CUBE: %d", hit.cell);
        DrawLine(dc, 120, line);
    }
    backBufferSurface->ReleaseDC(dc);
}

void DrawShuffleBanner()
{
    HDC dc = BeginText();
    char line[lineBufferSize];
    FormatBannerLine(line);
    if (dc != nullptr) {
        DrawLine(dc, 460, line);
    }
    bannerTick = static_cast<std::int32_t>(static_cast<std::uint32_t>(bannerTick) + 1u);
    if (dc != nullptr) {
        backBufferSurface->ReleaseDC(dc);
    }
}
