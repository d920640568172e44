#include "resources/generator/sticker_bitmap.h"

#include "resources/generator/byte_writer.h"

namespace resgen {
namespace {

constexpr int kTile = 30;
constexpr int kTiles = 10;
constexpr int kWidth = kTile * kTiles;
constexpr int kHeight = kTile;

constexpr Rgb kPalette[16] = {
    { 0, 0, 0 },
    { 23, 23, 23 },
    { 96, 48, 0 },
    { 51, 77, 221 },
    { 0, 128, 128 },
    { 159, 88, 62 },
    { 249, 45, 28 },
    { 218, 97, 112 },
    { 255, 107, 36 },
    { 77, 217, 23 },
    { 242, 146, 0 },
    { 255, 191, 21 },
    { 248, 198, 143 },
    { 255, 255, 9 },
    { 255, 255, 255 },
    { 255, 255, 255 },
};

// Palette entries the picture tile draws with.
enum : std::uint8_t {
    kOutline = 0,
    kMouth = 2,
    kWingEdge = 5,
    kCheek = 7,
    kBeak = 10,
    kFeather = 11,
    kBelly = 12,
    kWhite = 14,
};

// Palette entry of each solid tile; tile 6 is the picture.
constexpr std::uint8_t kSolidTile[kTiles] = { 14, 13, 8, 9, 6, 3, kWhite, 1, 4, 4 };

using Tile = std::uint8_t[kTile][kTile]; // [row][column], row 0 at the picture's top

bool InEllipse(int x, int y, double cx, double cy, double rx, double ry)
{
    const double dx = (x + 0.5 - cx) / rx;
    const double dy = (y + 0.5 - cy) / ry;
    return dx * dx + dy * dy <= 1.0;
}

// A round chick facing right: a tuft on its head, beak to the right, feet below.
void DrawChick(Tile& t)
{
    bool body[kTile][kTile] = {};
    for (int y = 0; y < kTile; ++y) {
        for (int x = 0; x < kTile; ++x) {
            const bool round = InEllipse(x, y, 14.0, 17.0, 9.0, 8.5);
            const bool tuft
                = InEllipse(x, y, 13.5, 7.0, 1.3, 3.0) || InEllipse(x, y, 10.8, 8.2, 1.2, 2.0);
            const bool beak
                = x >= 22 && x <= 26 && y >= 13 + (x - 22) / 2 && y <= 18 - (x - 21) / 2;
            const bool feet = y >= 25 && y <= 26 && ((x >= 9 && x <= 12) || (x >= 16 && x <= 19));
            body[y][x] = round || tuft || beak || feet;
            t[y][x] = kWhite;
            if (round || tuft)
                t[y][x] = kFeather;
            if (beak || feet)
                t[y][x] = kBeak;
        }
    }
    // Outline every white pixel that touches the figure, diagonals included.
    for (int y = 0; y < kTile; ++y) {
        for (int x = 0; x < kTile; ++x) {
            if (body[y][x])
                continue;
            bool touches = false;
            for (int dy = -1; dy <= 1; ++dy)
                for (int dx = -1; dx <= 1; ++dx) {
                    const int nx = x + dx, ny = y + dy;
                    if (nx >= 0 && ny >= 0 && nx < kTile && ny < kTile && body[ny][nx])
                        touches = true;
                }
            if (touches)
                t[y][x] = kOutline;
        }
    }
    for (int y = 0; y < kTile; ++y) {
        for (int x = 0; x < kTile; ++x) {
            if (t[y][x] != kFeather)
                continue;
            if (InEllipse(x, y, 12.5, 21.0, 5.5, 3.8))
                t[y][x] = kBelly;
            if (InEllipse(x, y, 8.5, 17.5, 3.4, 2.6)) {
                const bool edge = !InEllipse(x, y, 8.5, 17.0, 3.0, 2.0);
                t[y][x] = edge ? kWingEdge : kBeak;
            }
        }
    }
    for (int x = 23; x <= 25; ++x)
        t[15][x] = kMouth;
    // A solid eye, wide enough to stay black once the texture is stretched to 512 columns.
    for (int y = 11; y <= 13; ++y)
        for (int x = 17; x <= 18; ++x)
            t[y][x] = kOutline;
    t[11][18] = kWhite; // the eye's glint
    t[15][19] = kCheek;
    t[15][20] = kCheek;
}

} // namespace

// Which stored row is the picture's top: the texture coordinates of the +Y sticker put
// v = -1 (the image's top, wrapped) along z = -0.81 and u = 0 (the tile's left column)
// along x = +0.81 once the piece is in model space. Seen from above with -Z at the top of
// the view, +X is on the left, so the chick is drawn as an ordinary image, top row first
// and left column first, and stored bottom-up like any BMP: picture row r goes to stored
// row 29 - r, picture column c to pixel column 180 + c.
std::vector<std::uint8_t> MakeStickerBitmap()
{
    std::vector<std::uint8_t> indices(static_cast<std::size_t>(kWidth) * kHeight);
    Tile chick;
    DrawChick(chick);
    for (int y = 0; y < kHeight; ++y) {
        for (int x = 0; x < kWidth; ++x) {
            const int tile = x / kTile;
            indices[static_cast<std::size_t>(y) * kWidth + x]
                = tile == 6 ? chick[y][x % kTile] : kSolidTile[tile];
        }
    }
    const std::vector<std::uint8_t> pixels = PackNibblesBottomUp(indices, kWidth, kHeight);

    constexpr std::uint32_t kBitsOffset = 14 + 40 + 16 * 4;
    ByteWriter w;
    w.U8('B');
    w.U8('M');
    w.U32(kBitsOffset + static_cast<std::uint32_t>(pixels.size()));
    w.U32(0);
    w.U32(kBitsOffset);
    WriteInfoHeader(w, kWidth, kHeight, 4, static_cast<std::uint32_t>(pixels.size()));
    WritePalette(w, kPalette);
    w.Append(pixels);
    return w.Bytes();
}

} // namespace resgen
