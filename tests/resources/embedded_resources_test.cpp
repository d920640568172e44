// The menu, sticker bitmap and icon as the program finds them in its own embedded image.
#include <gtest/gtest.h>

#include <set>
#include <utility>

#include "platform/resource/resource.h"
#include "resources/resource_ids.h"

using namespace platform;

namespace {

ResourceBytes Embedded(std::uint16_t type, std::uint16_t id)
{
    const std::optional<ResourceBytes> r = FindEmbeddedResource(IntResource(type), IntResource(id));
    EXPECT_TRUE(r.has_value()) << "type " << type << " id " << id;
    return r.value_or(ResourceBytes { nullptr, 0 });
}

std::uint32_t Rgb(int r, int g, int b)
{
    return 0xFF000000u | r << 16 | g << 8 | b;
}

} // namespace

TEST(EmbeddedResources, hold_exactly_the_five_japanese_resources_by_their_ids)
{
    const ResourceBytes image = EmbeddedResourceImage();
    const std::optional<ResourceTable> table = ResourceTable::Parse(image.data, image.size);
    ASSERT_TRUE(table.has_value());
    std::set<std::pair<std::string, int>> found;
    for (const ResourceEntry& e : table->Entries()) {
        EXPECT_EQ(e.language, 1041);
        ASSERT_TRUE(e.name.isId);
        found.insert({ e.type.isId ? std::to_string(e.type.id)
                                   : std::string(e.type.text.begin(), e.type.text.end()),
            e.name.id });
    }
    const std::set<std::pair<std::string, int>> expected = { { "4", IDR_MAIN_MENU },
        { "2", IDB_STICKERS }, { "X", IDR_PIECE_MESH }, { "3", 1 }, { "14", IDI_APP_ICON } };
    EXPECT_EQ(found, expected);
    EXPECT_TRUE(FindEmbeddedResource(RT_PIECE_MESH_TYPE, IntResource(IDR_PIECE_MESH)).has_value());
}

TEST(EmbeddedResources, menu_bar_has_the_three_popups_with_their_commands)
{
    const ResourceBytes menu = Embedded(kResourceTypeMenu, IDR_MAIN_MENU);
    const std::optional<std::vector<MenuItem>> bar = ParseMenuTemplate(menu.data, menu.size);
    ASSERT_TRUE(bar.has_value());
    struct Expected {
        const char* text;
        int id;
        bool separator;
    };
    const std::vector<std::pair<const char*, std::vector<Expected>>> expected = {
        { "File", { { "Exit", 40001, false } } },
        { "Edit",
            { { "Shuffle", 40002, false }, { "Clear", 40003, false }, { "", 0, true },
                { "Full Screen(F1)", 40004, false } } },
        { "Help", { { "About", 40005, false } } },
    };
    ASSERT_EQ(bar->size(), expected.size());
    for (std::size_t p = 0; p < expected.size(); ++p) {
        const MenuItem& popup = (*bar)[p];
        EXPECT_TRUE(popup.popup);
        EXPECT_EQ(popup.text, expected[p].first);
        EXPECT_EQ(popup.flags, kMenuFlagPopup) << "nothing greyed, checked or broken";
        ASSERT_EQ(popup.children.size(), expected[p].second.size()) << popup.text;
        for (std::size_t i = 0; i < popup.children.size(); ++i) {
            const MenuItem& item = popup.children[i];
            EXPECT_EQ(item.text, expected[p].second[i].text);
            EXPECT_EQ(item.id, expected[p].second[i].id);
            EXPECT_EQ(item.separator, expected[p].second[i].separator);
            EXPECT_FALSE(item.popup);
            EXPECT_EQ(item.flags & (kMenuFlagGrayed | kMenuFlagDisabled | kMenuFlagChecked), 0)
                << item.text;
            EXPECT_EQ(item.text.find('&'), std::string::npos) << "no mnemonics";
        }
    }
}

TEST(EmbeddedResources, sticker_bitmap_is_a_4_bit_dib_with_the_sticker_palette)
{
    const ResourceBytes dib = Embedded(kResourceTypeBitmap, IDB_STICKERS);
    ASSERT_EQ(dib.size, 40u + 16 * 4 + 4560) << "no file header, 30 rows of 152 bytes";
    const std::optional<DibHeader> h = ReadDibHeader(dib.data, dib.size);
    ASSERT_TRUE(h.has_value());
    EXPECT_EQ(h->headerSize, 40u);
    EXPECT_EQ(h->width, 300);
    EXPECT_EQ(h->height, 30) << "positive: rows bottom-up";
    EXPECT_EQ(h->planes, 1);
    EXPECT_EQ(h->bitCount, 4);
    EXPECT_EQ(h->compression, 0u);
    EXPECT_EQ(h->colorsUsed, 0u);
    const int palette[16][3] = { { 0, 0, 0 }, { 23, 23, 23 }, { 96, 48, 0 }, { 51, 77, 221 },
        { 0, 128, 128 }, { 159, 88, 62 }, { 249, 45, 28 }, { 218, 97, 112 }, { 255, 107, 36 },
        { 77, 217, 23 }, { 242, 146, 0 }, { 255, 191, 21 }, { 248, 198, 143 }, { 255, 255, 9 },
        { 255, 255, 255 }, { 255, 255, 255 } };
    for (int i = 0; i < 16; ++i) {
        const std::uint8_t* q = dib.data + 40 + 4 * i;
        EXPECT_EQ((std::vector<int> { q[2], q[1], q[0] }),
            (std::vector<int> { palette[i][0], palette[i][1], palette[i][2] }))
            << "palette entry " << i;
    }
}

TEST(EmbeddedResources, sticker_tiles_show_their_colours_and_the_upright_chick)
{
    const ResourceBytes dib = Embedded(kResourceTypeBitmap, IDB_STICKERS);
    const std::optional<ArgbImage> img = DecodeDib(dib.data, dib.size);
    ASSERT_TRUE(img.has_value());
    ASSERT_EQ(img->width, 300);
    ASSERT_EQ(img->height, 30);
    auto at = [&](int x, int y) { return img->pixels[static_cast<std::size_t>(y) * 300 + x]; };
    const std::uint32_t tiles[10] = { Rgb(255, 255, 255), Rgb(255, 255, 9), Rgb(255, 107, 36),
        Rgb(77, 217, 23), Rgb(249, 45, 28), Rgb(51, 77, 221), 0, Rgb(23, 23, 23), Rgb(0, 128, 128),
        Rgb(0, 128, 128) };
    for (int t = 0; t < 10; ++t) {
        if (t == 6)
            continue;
        EXPECT_EQ(at(30 * t + 15, 15), tiles[t]) << "tile " << t;
        EXPECT_EQ(at(30 * t, 0), tiles[t]) << "tile " << t << " is solid to its corners";
        EXPECT_EQ(at(30 * t + 29, 29), tiles[t]) << "tile " << t << " is solid to its corners";
    }
    // The picture uses only the palette entries 0, 2, 5, 7, 10, 11, 12 and 14, on white.
    const std::set<std::uint32_t> allowed
        = { Rgb(0, 0, 0), Rgb(96, 48, 0), Rgb(159, 88, 62), Rgb(218, 97, 112), Rgb(242, 146, 0),
              Rgb(255, 191, 21), Rgb(248, 198, 143), Rgb(255, 255, 255) };
    const std::uint32_t orange = Rgb(242, 146, 0);
    int outline = 0, beakRight = 0, feetBelow = 0, orangeOnTop = 0;
    for (int y = 0; y < 30; ++y)
        for (int x = 0; x < 30; ++x) {
            const std::uint32_t c = at(180 + x, y);
            EXPECT_TRUE(allowed.count(c)) << "pixel " << x << "," << y;
            if (c == Rgb(0, 0, 0))
                ++outline;
            if (c != orange)
                continue;
            beakRight += y > 10 && y < 20 && x >= 22;
            feetBelow += y >= 24;
            orangeOnTop += y < 8;
        }
    EXPECT_GT(outline, 60) << "a black outline";
    EXPECT_EQ(at(180, 0), Rgb(255, 255, 255)) << "on white";
    EXPECT_EQ(at(180 + 12, 13), Rgb(255, 191, 21)) << "a yellow-orange body";
    // Image row 0 is the picture's top, so the +Y sticker shows it upright and unmirrored.
    EXPECT_GT(beakRight, 5) << "the beak points to the tile's right";
    EXPECT_GT(feetBelow, 4) << "the feet are at the bottom";
    EXPECT_EQ(orangeOnTop, 0);
}

TEST(EmbeddedResources, icon_is_one_32x32_image_16_colours_with_mask)
{
    const ResourceBytes group = Embedded(kResourceTypeIconGroup, IDI_APP_ICON);
    const std::optional<std::vector<IconGroupEntry>> entries
        = ParseIconGroup(group.data, group.size);
    ASSERT_TRUE(entries.has_value());
    ASSERT_EQ(entries->size(), 1u);
    const IconGroupEntry& e = entries->front();
    EXPECT_EQ(e.width, 32);
    EXPECT_EQ(e.height, 32);
    EXPECT_EQ(e.colorCount, 16);
    EXPECT_EQ(e.bitCount, 4);
    EXPECT_EQ(e.iconId, 1);
    const ResourceBytes image = Embedded(kResourceTypeIcon, 1);
    EXPECT_EQ(image.size, e.bytesInRes);
    const std::optional<DibHeader> h = ReadDibHeader(image.data, image.size);
    ASSERT_TRUE(h.has_value());
    EXPECT_EQ(h->height, 64) << "colour rows and mask rows";
    EXPECT_EQ(h->bitCount, 4);

    const std::optional<ArgbImage> icon = LoadEmbeddedIcon(IDI_APP_ICON);
    ASSERT_TRUE(icon.has_value());
    ASSERT_EQ(icon->width, 32);
    ASSERT_EQ(icon->height, 32);
    auto at = [&](int x, int y) { return icon->pixels[static_cast<std::size_t>(y) * 32 + x]; };
    EXPECT_EQ(at(15, 8), Rgb(255, 255, 255)) << "white top";
    EXPECT_EQ(at(7, 19), Rgb(255, 0, 0)) << "red left side";
    EXPECT_EQ(at(23, 19), Rgb(255, 255, 0)) << "yellow right side";
    EXPECT_EQ(at(0, 0), 0u) << "corners are transparent";
    EXPECT_EQ(at(31, 31), 0u) << "corners are transparent";
    EXPECT_FALSE(LoadEmbeddedIcon(107).has_value());
}
