#include "platform/resource/dib.h"

#include "platform/resource/byte_reader.h"

namespace platform {
namespace {

using detail::ByteReader;

constexpr std::uint32_t kBiRgb = 0;

// Where the parts of a DIB lie, with every size checked against the bytes given.
struct DibLayout {
    int width = 0, height = 0;
    bool topDown = false;
    int bitCount = 0;
    std::size_t paletteOffset = 0, paletteEntries = 0;
    std::size_t pixelOffset = 0, stride = 0;
};

std::uint64_t Stride(std::uint64_t width, std::uint64_t bits)
{
    return (width * bits + 31) / 32 * 4;
}

// rowsInHeader is 1 for a plain DIB and 2 for an icon image (colour rows + mask rows).
std::optional<DibLayout> Layout(const std::uint8_t* data, std::size_t size, int rowsInHeader)
{
    const std::optional<DibHeader> h = ReadDibHeader(data, size);
    if (!h)
        return std::nullopt;
    if (h->planes != 1 || h->compression != kBiRgb)
        return std::nullopt;
    const int bits = h->bitCount;
    if (bits != 1 && bits != 4 && bits != 8 && bits != 24 && bits != 32)
        return std::nullopt;

    DibLayout l;
    std::int64_t height = h->height;
    l.topDown = height < 0;
    if (l.topDown)
        height = -height;
    if (rowsInHeader == 2) {
        if (l.topDown || height % 2 != 0)
            return std::nullopt;
        height /= 2;
    }
    if (h->width <= 0 || height <= 0)
        return std::nullopt;
    if (static_cast<std::uint64_t>(h->width) * static_cast<std::uint64_t>(height) > kMaxDibPixels)
        return std::nullopt;
    l.width = h->width;
    l.height = static_cast<int>(height);
    l.bitCount = bits;

    std::uint64_t entries = h->colorsUsed;
    if (bits <= 8) {
        const std::uint64_t full = 1u << bits;
        if (entries == 0)
            entries = full;
        if (entries > full)
            return std::nullopt;
    }
    // Above 8 bits a palette is optional advice for display; the pixels follow it.
    const std::uint64_t paletteBytes = entries * 4;
    if (paletteBytes > size - h->headerSize)
        return std::nullopt;
    l.paletteOffset = h->headerSize;
    l.paletteEntries = bits <= 8 ? static_cast<std::size_t>(entries) : 0;
    l.pixelOffset = h->headerSize + static_cast<std::size_t>(paletteBytes);

    l.stride = static_cast<std::size_t>(
        Stride(static_cast<std::uint64_t>(l.width), static_cast<std::uint64_t>(bits)));
    const std::uint64_t pixelBytes
        = static_cast<std::uint64_t>(l.stride) * static_cast<std::uint64_t>(l.height);
    if (pixelBytes > size - l.pixelOffset)
        return std::nullopt;
    return l;
}

std::uint32_t PaletteColour(const std::uint8_t* data, const DibLayout& l, std::uint32_t index)
{
    if (index >= l.paletteEntries)
        return 0xFF000000u;
    const std::uint8_t* q = data + l.paletteOffset + static_cast<std::size_t>(index) * 4;
    return 0xFF000000u | static_cast<std::uint32_t>(q[2]) << 16
        | static_cast<std::uint32_t>(q[1]) << 8 | q[0];
}

// Pixel x of one stored row, as 0xAARRGGBB; 32-bit pixels keep their stored fourth byte.
std::uint32_t RowPixel(const std::uint8_t* data, const DibLayout& l, const std::uint8_t* row, int x)
{
    switch (l.bitCount) {
    case 1: return PaletteColour(data, l, (row[x / 8] >> (7 - x % 8)) & 1u);
    case 4: return PaletteColour(data, l, (row[x / 2] >> (x % 2 == 0 ? 4 : 0)) & 0xFu);
    case 8: return PaletteColour(data, l, row[x]);
    case 24: {
        const std::uint8_t* p = row + static_cast<std::size_t>(x) * 3;
        return 0xFF000000u | static_cast<std::uint32_t>(p[2]) << 16
            | static_cast<std::uint32_t>(p[1]) << 8 | p[0];
    }
    default: {
        const std::uint8_t* p = row + static_cast<std::size_t>(x) * 4;
        return static_cast<std::uint32_t>(p[3]) << 24 | static_cast<std::uint32_t>(p[2]) << 16
            | static_cast<std::uint32_t>(p[1]) << 8 | p[0];
    }
    }
}

const std::uint8_t* StoredRow(const std::uint8_t* base, const DibLayout& l, int y)
{
    const int stored = l.topDown ? y : l.height - 1 - y;
    return base + static_cast<std::size_t>(stored) * l.stride;
}

ArgbImage DecodeColour(const std::uint8_t* data, const DibLayout& l)
{
    ArgbImage img;
    img.width = l.width;
    img.height = l.height;
    img.pixels.resize(static_cast<std::size_t>(l.width) * static_cast<std::size_t>(l.height));
    for (int y = 0; y < l.height; ++y) {
        const std::uint8_t* row = StoredRow(data + l.pixelOffset, l, y);
        for (int x = 0; x < l.width; ++x)
            img.pixels[static_cast<std::size_t>(y) * l.width + x] = RowPixel(data, l, row, x);
    }
    return img;
}

} // namespace

std::optional<DibHeader> ReadDibHeader(const std::uint8_t* data, std::size_t size)
{
    ByteReader r(data, size);
    DibHeader h;
    if (!r.U32(h.headerSize))
        return std::nullopt;
    // BITMAPINFOHEADER and its later versions; the old 12-byte core header is not used here.
    if (h.headerSize < 40 || h.headerSize > size)
        return std::nullopt;
    std::int32_t skip = 0;
    r.I32(h.width);
    r.I32(h.height);
    r.U16(h.planes);
    r.U16(h.bitCount);
    r.U32(h.compression);
    r.U32(h.sizeImage);
    r.I32(skip);
    r.I32(skip);
    r.U32(h.colorsUsed);
    return h;
}

std::optional<ArgbImage> DecodeDib(const std::uint8_t* data, std::size_t size)
{
    const std::optional<DibLayout> l = Layout(data, size, 1);
    if (!l)
        return std::nullopt;
    ArgbImage img = DecodeColour(data, *l);
    for (std::uint32_t& p : img.pixels)
        p |= 0xFF000000u;
    return img;
}

std::optional<ArgbImage> DecodeIconImage(const std::uint8_t* data, std::size_t size)
{
    const std::optional<DibLayout> l = Layout(data, size, 2);
    if (!l)
        return std::nullopt;
    const std::size_t maskOffset = l->pixelOffset + l->stride * static_cast<std::size_t>(l->height);
    const std::size_t maskStride
        = static_cast<std::size_t>(Stride(static_cast<std::uint64_t>(l->width), 1));
    if (maskStride * static_cast<std::size_t>(l->height) > size - maskOffset)
        return std::nullopt;

    ArgbImage img = DecodeColour(data, *l);
    bool hasAlpha = false;
    if (l->bitCount == 32)
        for (std::uint32_t p : img.pixels)
            hasAlpha = hasAlpha || (p >> 24) != 0;
    if (hasAlpha)
        return img;
    for (int y = 0; y < l->height; ++y) {
        const std::uint8_t* mask
            = data + maskOffset + static_cast<std::size_t>(l->height - 1 - y) * maskStride;
        for (int x = 0; x < l->width; ++x) {
            std::uint32_t& p = img.pixels[static_cast<std::size_t>(y) * l->width + x];
            const bool masked = (mask[x / 8] >> (7 - x % 8)) & 1u;
            p = masked ? 0u : (p | 0xFF000000u);
        }
    }
    return img;
}

} // namespace platform
