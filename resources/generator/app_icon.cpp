#include "resources/generator/app_icon.h"

#include "resources/generator/byte_writer.h"

namespace resgen {
namespace {

constexpr int kSize = 32;

// The standard 16-colour palette of Windows icons.
constexpr Rgb kVgaPalette[16] = {
    { 0, 0, 0 },
    { 128, 0, 0 },
    { 0, 128, 0 },
    { 128, 128, 0 },
    { 0, 0, 128 },
    { 128, 0, 128 },
    { 0, 128, 128 },
    { 192, 192, 192 },
    { 128, 128, 128 },
    { 255, 0, 0 },
    { 0, 255, 0 },
    { 255, 255, 0 },
    { 0, 0, 255 },
    { 255, 0, 255 },
    { 0, 255, 255 },
    { 255, 255, 255 },
};
enum : std::uint8_t { kBlack = 0, kRed = 9, kYellow = 11, kWhite = 15 };

struct P {
    double x, y;
};

// One visible side of the cube: a parallelogram origin + a*edgeA + b*edgeB, a and b in 0..1.
struct Side {
    P origin, edgeA, edgeB;
    std::uint8_t colour;
};

// Isometric corners, in pixel units with (0, 0) at the icon's top-left corner. The vertical
// borders run through pixel centres so that they come out one pixel wide.
constexpr P kTop { 15.5, 0.5 }, kUpperLeft { 0.5, 8 }, kUpperRight { 30.5, 8 },
    kCentre { 15.5, 15.5 }, kLowerLeft { 0.5, 23.5 }, kLowerRight { 30.5, 23.5 },
    kBottom { 15.5, 31 };

P Sub(P a, P b)
{
    return { a.x - b.x, a.y - b.y };
}

constexpr Side kSides[3] = {
    { kTop, { kUpperLeft.x - kTop.x, kUpperLeft.y - kTop.y },
        { kUpperRight.x - kTop.x, kUpperRight.y - kTop.y }, kWhite },
    { kUpperLeft, { kCentre.x - kUpperLeft.x, kCentre.y - kUpperLeft.y },
        { kLowerLeft.x - kUpperLeft.x, kLowerLeft.y - kUpperLeft.y }, kRed },
    { kCentre, { kUpperRight.x - kCentre.x, kUpperRight.y - kCentre.y },
        { kBottom.x - kCentre.x, kBottom.y - kCentre.y }, kYellow },
};

// Which side and which of its 3x3 squares a point lies on: side * 9 + square, or -1 off the cube.
int SquareAt(P p)
{
    for (int i = 0; i < 3; ++i) {
        const Side& s = kSides[i];
        const P d = Sub(p, s.origin);
        const double det = s.edgeA.x * s.edgeB.y - s.edgeA.y * s.edgeB.x;
        const double a = (d.x * s.edgeB.y - d.y * s.edgeB.x) / det;
        const double b = (s.edgeA.x * d.y - s.edgeA.y * d.x) / det;
        constexpr double kEps = 1e-9;
        if (a < -kEps || a > 1 + kEps || b < -kEps || b > 1 + kEps)
            continue;
        auto square = [](double t) { return t < 1.0 / 3 ? 0 : (t < 2.0 / 3 ? 1 : 2); };
        return i * 9 + square(a) * 3 + square(b);
    }
    return -1;
}

// A pixel whose centre is on the cube takes its side's colour when the whole pixel lies on
// one square, and draws a grid line or the rim where it straddles a border.
int PixelColour(int x, int y)
{
    const int centre = SquareAt({ x + 0.5, y + 0.5 });
    if (centre < 0)
        return -1;
    constexpr double kReach = 0.4;
    for (double dy : { -kReach, kReach })
        for (double dx : { -kReach, kReach })
            if (SquareAt({ x + 0.5 + dx, y + 0.5 + dy }) != centre)
                return kBlack;
    return kSides[centre / 9].colour;
}

} // namespace

std::vector<std::uint8_t> MakeAppIcon()
{
    std::vector<std::uint8_t> colour(kSize * kSize, kBlack);
    std::vector<bool> transparent(kSize * kSize, true);
    for (int y = 0; y < kSize; ++y) {
        for (int x = 0; x < kSize; ++x) {
            const int c = PixelColour(x, y);
            if (c < 0)
                continue;
            colour[y * kSize + x] = static_cast<std::uint8_t>(c);
            transparent[y * kSize + x] = false;
        }
    }

    const std::vector<std::uint8_t> xorBits = PackNibblesBottomUp(colour, kSize, kSize);
    constexpr int kMaskStride = 4; // 32 one-bit pixels per row, already a multiple of 32 bits
    std::vector<std::uint8_t> andBits(kMaskStride * kSize, 0);
    for (int y = 0; y < kSize; ++y)
        for (int x = 0; x < kSize; ++x)
            if (transparent[y * kSize + x])
                andBits[(kSize - 1 - y) * kMaskStride + x / 8]
                    |= static_cast<std::uint8_t>(0x80 >> (x % 8));

    ByteWriter image;
    // An icon image's header counts the colour rows and the mask rows together.
    WriteInfoHeader(
        image, kSize, 2 * kSize, 4, static_cast<std::uint32_t>(xorBits.size() + andBits.size()));
    WritePalette(image, kVgaPalette);
    image.Append(xorBits);
    image.Append(andBits);

    ByteWriter w;
    w.U16(0); // reserved
    w.U16(1); // icon, not cursor
    w.U16(1); // one image
    w.U8(kSize);
    w.U8(kSize);
    w.U8(16); // colours
    w.U8(0);
    w.U16(1); // planes
    w.U16(4); // bits per pixel
    w.U32(static_cast<std::uint32_t>(image.Bytes().size()));
    w.U32(6 + 16); // the image follows the directory
    w.Append(image.Bytes());
    return w.Bytes();
}

} // namespace resgen
