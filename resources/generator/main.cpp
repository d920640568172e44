// Writes the sticker bitmap, the piece mesh and the icon into a folder (normally resources/).
// The committed files are the ones the build embeds; run this by hand after changing a
// generator, and the resources test keeps the two in step.
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "resources/generator/app_icon.h"
#include "resources/generator/piece_mesh.h"
#include "resources/generator/sticker_bitmap.h"

namespace {

bool WriteFile(const std::string& path, const void* data, std::size_t size)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(static_cast<const char*>(data), static_cast<std::streamsize>(size));
    out.close();
    if (!out) {
        std::fprintf(stderr, "cannot write %s\n", path.c_str());
        return false;
    }
    std::printf("wrote %s (%zu bytes)\n", path.c_str(), size);
    return true;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s OUTPUT_FOLDER\n", argv[0]);
        return 2;
    }
    const std::string dir = argv[1];
    const std::vector<std::uint8_t> bitmap = resgen::MakeStickerBitmap();
    const std::string mesh = resgen::MakePieceMesh();
    const std::vector<std::uint8_t> icon = resgen::MakeAppIcon();
    const bool ok = WriteFile(dir + "/sticker.bmp", bitmap.data(), bitmap.size())
        && WriteFile(dir + "/piece.x", mesh.data(), mesh.size())
        && WriteFile(dir + "/tessarine.ico", icon.data(), icon.size());
    return ok ? 0 : 1;
}
