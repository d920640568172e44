// The frame tool's PNG files must open in any viewer: checksums as the format defines them,
// chunks whose CRCs hold, and stored deflate blocks that give back the exact pixels.
#include <gtest/gtest.h>

#include <cstring>

#include "tools/png_writer.h"

namespace {

std::uint32_t BigEndian(const std::uint8_t* p)
{
    return (std::uint32_t { p[0] } << 24) | (std::uint32_t { p[1] } << 16)
        | (std::uint32_t { p[2] } << 8) | p[3];
}

TEST(PngWriter, checksums_match_their_reference_values)
{
    const char* digits = "123456789";
    EXPECT_EQ(Crc32(reinterpret_cast<const std::uint8_t*>(digits), 9), 0xCBF43926u);
    const char* word = "Wikipedia";
    EXPECT_EQ(Adler32(reinterpret_cast<const std::uint8_t*>(word), 9), 0x11E60398u);
    EXPECT_EQ(Adler32(nullptr, 0), 1u);
}

// Reads the file back with a decoder of stored blocks only, checking every checksum on the way.
TEST(PngWriter, image_reads_back_exactly_across_several_stored_blocks)
{
    const int width = 200;
    const int height = 120; // more than 65535 bytes of rows: the data spans two blocks
    std::vector<std::uint8_t> rgb(static_cast<std::size_t>(width) * height * 3);
    for (std::size_t i = 0; i < rgb.size(); ++i) {
        rgb[i] = static_cast<std::uint8_t>(i * 7 + i / 600);
    }
    const std::vector<std::uint8_t> png = EncodePng(width, height, rgb.data());
    ASSERT_GT(png.size(), 8u);
    const std::uint8_t signature[8] = { 0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n' };
    ASSERT_EQ(std::memcmp(png.data(), signature, 8), 0);

    std::vector<std::string> types;
    std::vector<std::uint8_t> zlib;
    std::size_t at = 8;
    while (at + 12 <= png.size()) {
        const std::uint32_t length = BigEndian(&png[at]);
        ASSERT_LE(at + 12 + length, png.size());
        const std::string type(reinterpret_cast<const char*>(&png[at + 4]), 4);
        EXPECT_EQ(BigEndian(&png[at + 8 + length]), Crc32(&png[at + 4], 4 + length)) << type;
        if (type == "IHDR") {
            ASSERT_EQ(length, 13u);
            EXPECT_EQ(BigEndian(&png[at + 8]), static_cast<std::uint32_t>(width));
            EXPECT_EQ(BigEndian(&png[at + 12]), static_cast<std::uint32_t>(height));
            EXPECT_EQ(png[at + 16], 8); // bit depth
            EXPECT_EQ(png[at + 17], 2); // RGB
        }
        if (type == "IDAT") {
            zlib.insert(zlib.end(), &png[at + 8], &png[at + 8 + length]);
        }
        types.push_back(type);
        at += 12 + length;
    }
    EXPECT_EQ(at, png.size());
    ASSERT_EQ(types, (std::vector<std::string> { "IHDR", "IDAT", "IEND" }));

    ASSERT_GE(zlib.size(), 6u);
    EXPECT_EQ(((zlib[0] << 8) | zlib[1]) % 31, 0) << "zlib header check bits";
    std::vector<std::uint8_t> raw;
    std::size_t p = 2;
    int blocks = 0;
    for (bool last = false; !last;) {
        ASSERT_LE(p + 5, zlib.size());
        last = (zlib[p] & 1) != 0;
        ASSERT_EQ(zlib[p] >> 1, 0) << "stored block";
        const unsigned length = zlib[p + 1] | (zlib[p + 2] << 8);
        const unsigned inverse = zlib[p + 3] | (zlib[p + 4] << 8);
        ASSERT_EQ(length ^ 0xFFFFu, inverse);
        p += 5;
        ASSERT_LE(p + length, zlib.size());
        raw.insert(raw.end(), zlib.begin() + p, zlib.begin() + p + length);
        p += length;
        ++blocks;
    }
    EXPECT_EQ(blocks, 2);
    ASSERT_EQ(p + 4, zlib.size());
    EXPECT_EQ(BigEndian(&zlib[p]), Adler32(raw.data(), raw.size()));

    ASSERT_EQ(raw.size(), static_cast<std::size_t>(height) * (width * 3 + 1));
    for (int y = 0; y < height; ++y) {
        const std::uint8_t* row = &raw[static_cast<std::size_t>(y) * (width * 3 + 1)];
        ASSERT_EQ(row[0], 0) << "filter None on row " << y;
        ASSERT_EQ(std::memcmp(row + 1, &rgb[static_cast<std::size_t>(y) * width * 3], width * 3), 0)
            << "row " << y;
    }
}

TEST(PngWriter, empty_or_missing_images_are_refused)
{
    const std::uint8_t pixel[3] = { 1, 2, 3 };
    EXPECT_TRUE(EncodePng(0, 1, pixel).empty());
    EXPECT_TRUE(EncodePng(1, -1, pixel).empty());
    EXPECT_TRUE(EncodePng(1, 1, nullptr).empty());
    EXPECT_FALSE(WritePng("/nonexistent-folder/frame.png", 1, 1, pixel));
}

} // namespace
