// The frame tool's PNG files must open in any viewer: checksums as the format defines them,
// chunk CRCs that hold, and stored deflate blocks that give back the exact pixels.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "tools/png_writer.h"

namespace {

std::uint32_t BigEndian(const std::uint8_t* p)
{
    return std::uint32_t(p[0]) << 24 | p[1] << 16 | p[2] << 8 | p[3];
}

TEST(PngWriter, checksums_match_their_reference_values)
{
    EXPECT_EQ(Crc32(reinterpret_cast<const std::uint8_t*>("123456789"), 9), 0xCBF43926u);
    EXPECT_EQ(Adler32(reinterpret_cast<const std::uint8_t*>("Wikipedia"), 9), 0x11E60398u);
}

// Reads the file back with a decoder of stored blocks, checking every checksum on the way.
TEST(PngWriter, image_reads_back_exactly_across_several_stored_blocks)
{
    const int width = 200, height = 120; // more than 65535 bytes of rows: two blocks
    std::vector<std::uint8_t> rgb(width * height * 3);
    for (std::size_t i = 0; i < rgb.size(); ++i) {
        rgb[i] = static_cast<std::uint8_t>(i * 7 + i / 600);
    }
    const std::vector<std::uint8_t> png = EncodePng(width, height, rgb.data());
    ASSERT_EQ(std::memcmp(png.data(), "\x89PNG\r\n\x1A\n", 8), 0);
    std::string types;
    std::vector<std::uint8_t> zlib;
    for (std::size_t at = 8; at < png.size();) {
        const std::uint32_t length = BigEndian(&png[at]);
        ASSERT_LE(at + 12 + length, png.size());
        EXPECT_EQ(BigEndian(&png[at + 8 + length]), Crc32(&png[at + 4], 4 + length));
        types.append(reinterpret_cast<const char*>(&png[at + 4]), 4);
        if (types.ends_with("IDAT")) {
            zlib.insert(zlib.end(), &png[at + 8], &png[at + 8 + length]);
        }
        at += 12 + length;
    }
    ASSERT_EQ(types, "IHDRIDATIEND");
    EXPECT_EQ((zlib[0] << 8 | zlib[1]) % 31, 0) << "zlib header check bits";
    std::vector<std::uint8_t> raw;
    std::size_t p = 2;
    int blocks = 0;
    for (bool last = false; !last; ++blocks) {
        last = zlib[p] == 1;
        ASSERT_LE(zlib[p], 1) << "stored blocks only";
        const unsigned length = zlib[p + 1] | zlib[p + 2] << 8;
        ASSERT_EQ(length ^ 0xFFFFu, unsigned(zlib[p + 3] | zlib[p + 4] << 8));
        raw.insert(raw.end(), zlib.begin() + p + 5, zlib.begin() + p + 5 + length);
        p += 5 + length;
    }
    EXPECT_EQ(blocks, 2);
    ASSERT_EQ(p + 4, zlib.size());
    EXPECT_EQ(BigEndian(&zlib[p]), Adler32(raw.data(), raw.size()));
    ASSERT_EQ(raw.size(), std::size_t(height) * (width * 3 + 1));
    for (int y = 0; y < height; ++y) {
        ASSERT_EQ(raw[y * (width * 3 + 1)], 0) << "filter None";
        ASSERT_EQ(std::memcmp(&raw[y * (width * 3 + 1) + 1], &rgb[y * width * 3], width * 3), 0)
            << y;
    }
    EXPECT_TRUE(EncodePng(0, 1, rgb.data()).empty());
    EXPECT_FALSE(WritePng("/nonexistent-folder/frame.png", 1, 1, rgb.data()));
}

} // namespace
