// Every reader takes untrusted bytes: broken input gives nullopt, never a crash or a read
// past the end (the suite also runs under AddressSanitizer).
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "platform/resource/resource.h"
#include "resources/resource_ids.h"

using namespace platform;

namespace {

using Bytes = std::vector<std::uint8_t>;

void Put16(Bytes& b, std::uint32_t v)
{
    b.push_back(v & 0xFF), b.push_back(v >> 8 & 0xFF);
}
void Put32(Bytes& b, std::uint32_t v)
{
    Put16(b, v & 0xFFFF), Put16(b, v >> 16);
}
void Set32(Bytes& b, std::size_t at, std::uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        b[at + i] = static_cast<std::uint8_t>(v >> (8 * i));
}

Bytes EmbeddedImage()
{
    const ResourceBytes r = EmbeddedResourceImage();
    return Bytes(r.data, r.data + r.size);
}

Bytes Copy(const std::optional<ResourceBytes>& r)
{
    return r ? Bytes(r->data, r->data + r->size) : Bytes();
}

// A DIB: BITMAPINFOHEADER, palette, then rows (already padded) as given.
Bytes Dib(std::int32_t w, std::int32_t h, std::uint16_t bits, std::uint32_t colorsUsed,
    const std::vector<std::uint32_t>& palette, const Bytes& rows, std::uint32_t compression = 0)
{
    Bytes b;
    Put32(b, 40), Put32(b, static_cast<std::uint32_t>(w)), Put32(b, static_cast<std::uint32_t>(h));
    Put16(b, 1), Put16(b, bits), Put32(b, compression), Put32(b, 0), Put32(b, 0), Put32(b, 0);
    Put32(b, colorsUsed), Put32(b, 0);
    for (std::uint32_t c : palette)
        Put32(b, c);
    b.insert(b.end(), rows.begin(), rows.end());
    return b;
}

} // namespace

TEST(MalformedResources, truncated_or_empty_images_are_refused_except_at_record_ends)
{
    EXPECT_FALSE(ResourceTable::Parse(nullptr, 100).has_value());
    const Bytes image = EmbeddedImage();
    EXPECT_FALSE(ResourceTable::Parse(image.data(), 0).has_value());
    const std::optional<ResourceTable> whole = ResourceTable::Parse(image.data(), image.size());
    ASSERT_TRUE(whole.has_value());
    std::vector<bool> endsRecord(image.size() + 1, false);
    endsRecord[32] = true; // the empty leading record
    for (const ResourceEntry& e : whole->Entries()) {
        const std::size_t end = static_cast<std::size_t>(e.data.data - image.data()) + e.data.size;
        for (std::size_t p = end; p <= (end + 3) / 4 * 4 && p <= image.size(); ++p)
            endsRecord[p] = true;
    }
    for (std::size_t n = 1; n < image.size(); ++n) {
        const std::optional<ResourceTable> t = ResourceTable::Parse(image.data(), n);
        EXPECT_EQ(t.has_value(), endsRecord[n]) << "prefix of " << n << " bytes";
    }
}

TEST(MalformedResources, lying_sizes_and_unterminated_names_are_refused)
{
    const Bytes image = EmbeddedImage();
    for (std::uint32_t dataSize :
        { 0xFFFFFFF0u, 0x80000000u, static_cast<std::uint32_t>(image.size()) }) {
        Bytes b = image;
        Set32(b, 32, dataSize); // the first real record
        EXPECT_FALSE(ResourceTable::Parse(b.data(), b.size()).has_value()) << dataSize;
    }
    for (std::uint32_t headerSize : { 0u, 4u, 12u, 0xFFFFFFFFu }) {
        Bytes b = image;
        Set32(b, 36, headerSize);
        EXPECT_FALSE(ResourceTable::Parse(b.data(), b.size()).has_value()) << headerSize;
    }
    // A string type whose characters run to the end of its header with no NUL.
    Bytes b;
    Put32(b, 0), Put32(b, 24);
    for (int i = 0; i < 8; ++i)
        Put16(b, 'X');
    EXPECT_FALSE(ResourceTable::Parse(b.data(), b.size()).has_value());
}

TEST(MalformedResources, missing_ids_types_and_languages_are_not_found)
{
    EXPECT_FALSE(
        FindEmbeddedResource(IntResource(kResourceTypeMenu), IntResource(102)).has_value());
    EXPECT_FALSE(FindEmbeddedResource(IntResource(kResourceTypeBitmap), IntResource(IDR_MAIN_MENU))
                     .has_value());
    EXPECT_FALSE(FindEmbeddedResource("Y", IntResource(IDR_PIECE_MESH)).has_value());
    EXPECT_FALSE(FindEmbeddedResource("XX", IntResource(IDR_PIECE_MESH)).has_value());
    EXPECT_FALSE(FindEmbeddedResource(nullptr, IntResource(IDR_PIECE_MESH)).has_value());
    EXPECT_FALSE(FindEmbeddedResource("#", IntResource(IDR_PIECE_MESH)).has_value());
    EXPECT_TRUE(FindEmbeddedResource("x", "#117").has_value())
        << "names match as Win32 matches them";
    const ResourceBytes image = EmbeddedResourceImage();
    const std::optional<ResourceTable> t = ResourceTable::Parse(image.data, image.size);
    ASSERT_TRUE(t.has_value());
    EXPECT_FALSE(
        t->Find(IntResource(kResourceTypeMenu), IntResource(IDR_MAIN_MENU), 1033).has_value());
}

TEST(MalformedResources, menu_templates_without_terminator_or_too_deep_are_refused)
{
    const Bytes menu
        = Copy(FindEmbeddedResource(IntResource(kResourceTypeMenu), IntResource(IDR_MAIN_MENU)));
    ASSERT_TRUE(ParseMenuTemplate(menu.data(), menu.size()).has_value());
    for (std::size_t n = 0; n < menu.size(); ++n)
        EXPECT_FALSE(ParseMenuTemplate(menu.data(), n).has_value())
            << "prefix of " << n << " bytes";
    Bytes extended = menu;
    extended[0] = 1;
    EXPECT_FALSE(ParseMenuTemplate(extended.data(), extended.size()).has_value());
    // Nested pop-ups far beyond any real menu, each with an end flag.
    Bytes deep = { 0, 0, 0, 0 };
    for (int i = 0; i < 100000; ++i)
        Put16(deep, kMenuFlagPopup | kMenuFlagEnd), Put16(deep, 'a'), Put16(deep, 0);
    EXPECT_FALSE(ParseMenuTemplate(deep.data(), deep.size()).has_value());
}

TEST(MalformedResources, bad_dib_headers_are_refused_before_allocating)
{
    const Bytes row4 = { 0x10, 0, 0, 0 };
    const std::vector<std::uint32_t> pal2 = { 0x000000, 0xFFFFFF };
    EXPECT_TRUE(DecodeDib(Dib(1, 1, 4, 2, pal2, row4).data(), Dib(1, 1, 4, 2, pal2, row4).size())
                    .has_value());
    const Bytes bad[] = {
        Dib(0, 1, 4, 2, pal2, row4), // no width
        Dib(-1, 1, 4, 2, pal2, row4), // negative width
        Dib(1, 0, 4, 2, pal2, row4), // no height
        Dib(1, INT32_MIN, 4, 2, pal2, row4), // height that cannot be negated
        Dib(100000, 100000, 4, 2, pal2, row4), // 10^10 pixels
        Dib(1, 1, 3, 2, pal2, row4), // no such depth
        Dib(1, 1, 16, 0, {}, row4), // 16-bit pixels are not used here
        Dib(1, 1, 4, 2, pal2, row4, 2), // RLE4
        Dib(1, 1, 4, 17, pal2, row4), // more colours than 4 bits can index
        Dib(1, 1, 24, 0xFFFFFFFFu, {}, row4), // a palette larger than the bytes
        Dib(2, 2, 4, 2, pal2, row4), // rows missing
    };
    for (const Bytes& b : bad)
        EXPECT_FALSE(DecodeDib(b.data(), b.size()).has_value());
    Bytes smallHeader = Dib(1, 1, 4, 2, pal2, row4);
    Set32(smallHeader, 0, 12);
    EXPECT_FALSE(DecodeDib(smallHeader.data(), smallHeader.size()).has_value());
    Set32(smallHeader, 0, 1000);
    EXPECT_FALSE(DecodeDib(smallHeader.data(), smallHeader.size()).has_value());

    const Bytes sticker
        = Copy(FindEmbeddedResource(IntResource(kResourceTypeBitmap), IntResource(IDB_STICKERS)));
    for (std::size_t n :
        { std::size_t { 0 }, std::size_t { 39 }, std::size_t { 103 }, sticker.size() - 1 })
        EXPECT_FALSE(DecodeDib(sticker.data(), n).has_value()) << n;
}

TEST(MalformedResources, dib_rows_and_palettes_decode_as_stored)
{
    // 2x2 top-down 24-bit: blue, green / red, white (bytes are B, G, R; rows padded to 8).
    const Bytes rows = { 255, 0, 0, 0, 255, 0, 0, 0, 0, 0, 255, 255, 255, 255, 0, 0 };
    const Bytes b = Dib(2, -2, 24, 0, {}, rows);
    const std::optional<ArgbImage> img = DecodeDib(b.data(), b.size());
    ASSERT_TRUE(img.has_value());
    EXPECT_EQ(img->pixels,
        (std::vector<std::uint32_t> { 0xFF0000FF, 0xFF00FF00, 0xFFFF0000, 0xFFFFFFFF }));
    // 1-bit, bottom-up, index 1 beyond a one-entry palette reads as black.
    const Bytes mono = Dib(2, 2, 1, 1, { 0x123456 }, { 0x40, 0, 0, 0, 0x80, 0, 0, 0 });
    const std::optional<ArgbImage> m = DecodeDib(mono.data(), mono.size());
    ASSERT_TRUE(m.has_value());
    EXPECT_EQ(
        m->pixels, (std::vector<std::uint32_t> { 0xFF000000, 0xFF123456, 0xFF123456, 0xFF000000 }));
}

TEST(MalformedResources, broken_icons_and_groups_are_refused)
{
    const Bytes icon = Copy(FindEmbeddedResource(IntResource(kResourceTypeIcon), IntResource(1)));
    ASSERT_TRUE(DecodeIconImage(icon.data(), icon.size()).has_value());
    EXPECT_FALSE(DecodeIconImage(icon.data(), icon.size() - 1).has_value()) << "mask cut short";
    Bytes odd = icon;
    Set32(odd, 8, 63);
    EXPECT_FALSE(DecodeIconImage(odd.data(), odd.size()).has_value());
    const Bytes png = { 0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A, 0, 0, 0, 0x0D };
    EXPECT_FALSE(DecodeIconImage(png.data(), png.size()).has_value());

    const Bytes group = Copy(
        FindEmbeddedResource(IntResource(kResourceTypeIconGroup), IntResource(IDI_APP_ICON)));
    ASSERT_TRUE(ParseIconGroup(group.data(), group.size()).has_value());
    for (std::size_t n = 0; n < group.size(); ++n)
        EXPECT_FALSE(ParseIconGroup(group.data(), n).has_value()) << n;
    Bytes empty = group;
    empty[4] = 0;
    EXPECT_FALSE(ParseIconGroup(empty.data(), empty.size()).has_value());
}
