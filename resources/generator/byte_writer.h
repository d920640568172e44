#pragma once
// Little-endian byte output for the resource generator's binary formats.

#include <cstdint>
#include <vector>

namespace resgen {

// Little-endian output, the byte order of every Windows file format written here.
class ByteWriter {
public:
    void U8(std::uint32_t v) { bytes_.push_back(static_cast<std::uint8_t>(v)); }
    void U16(std::uint32_t v)
    {
        U8(v);
        U8(v >> 8);
    }
    void U32(std::uint32_t v)
    {
        U16(v);
        U16(v >> 16);
    }
    void I32(std::int32_t v) { U32(static_cast<std::uint32_t>(v)); }
    void Append(const std::vector<std::uint8_t>& more)
    {
        bytes_.insert(bytes_.end(), more.begin(), more.end());
    }
    const std::vector<std::uint8_t>& Bytes() const { return bytes_; }

private:
    std::vector<std::uint8_t> bytes_;
};

struct Rgb {
    std::uint8_t r, g, b;
};

// BITMAPINFOHEADER with no compression; heights are positive (rows bottom-up).
inline void WriteInfoHeader(
    ByteWriter& w, std::int32_t width, std::int32_t height, int bitCount, std::uint32_t imageSize)
{
    w.U32(40);
    w.I32(width);
    w.I32(height);
    w.U16(1);
    w.U16(static_cast<std::uint32_t>(bitCount));
    w.U32(0); // BI_RGB
    w.U32(imageSize);
    w.I32(0);
    w.I32(0);
    w.U32(0); // every palette entry of the bit depth is present
    w.U32(0);
}

inline void WritePalette(ByteWriter& w, const Rgb (&palette)[16])
{
    for (const Rgb& c : palette) {
        w.U8(c.b);
        w.U8(c.g);
        w.U8(c.r);
        w.U8(0);
    }
}

// Packs top-down rows of 4-bit palette indices into bottom-up rows padded to 32 bits.
inline std::vector<std::uint8_t> PackNibblesBottomUp(
    const std::vector<std::uint8_t>& indices, int width, int height)
{
    const int stride = ((width * 4 + 31) / 32) * 4;
    std::vector<std::uint8_t> out(static_cast<std::size_t>(stride) * height, 0);
    for (int y = 0; y < height; ++y) {
        std::uint8_t* row = &out[static_cast<std::size_t>(height - 1 - y) * stride];
        for (int x = 0; x < width; ++x) {
            const std::uint8_t v = indices[static_cast<std::size_t>(y) * width + x] & 0x0F;
            row[x / 2] |= (x % 2 == 0) ? static_cast<std::uint8_t>(v << 4) : v;
        }
    }
    return out;
}

} // namespace resgen
