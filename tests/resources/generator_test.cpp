// The committed data files are the source of truth for the build; they must be exactly
// what the generator writes, so that a change to either shows up here.
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "resources/generator/app_icon.h"
#include "resources/generator/piece_mesh.h"
#include "resources/generator/sticker_bitmap.h"

namespace {

std::string ReadCommitted(const std::string& name)
{
    std::ifstream in(std::string(TESSARINE_RESOURCES_DIR) + "/" + name, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::string AsString(const std::vector<std::uint8_t>& bytes)
{
    return std::string(bytes.begin(), bytes.end());
}

constexpr const char* kHowToFix = "; regenerate with: tess_resource_generator resources/";

} // namespace

TEST(CommittedResources, match_what_the_generator_writes)
{
    EXPECT_TRUE(ReadCommitted("sticker.bmp") == AsString(resgen::MakeStickerBitmap()))
        << "sticker.bmp" << kHowToFix;
    EXPECT_TRUE(ReadCommitted("piece.x") == resgen::MakePieceMesh()) << "piece.x" << kHowToFix;
    EXPECT_TRUE(ReadCommitted("tessarine.ico") == AsString(resgen::MakeAppIcon()))
        << "tessarine.ico" << kHowToFix;
}
