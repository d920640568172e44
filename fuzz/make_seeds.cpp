// Writes the seed corpora of the fuzz targets into <folder>/<target>/: the program's real
// resources (the compiled .res image, the records inside it, the piece mesh and the sticker
// bitmap's DIB) and a few message sequences a user could produce.
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "fuzz/fuzz_input.h"
#include "platform/resource/resource_table.h"
#include "platform/win32/windows.h"
#include "resources/resource_ids.h"

namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<std::uint8_t>;

Bytes ReadFile(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return Bytes { std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>() };
}

bool WriteSeed(const fs::path& folder, const std::string& target, const std::string& name,
    const std::uint8_t* data, std::size_t size)
{
    fs::create_directories(folder / target);
    std::ofstream out(folder / target / name, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
    return static_cast<bool>(out);
}

bool WriteSeed(
    const fs::path& folder, const std::string& target, const std::string& name, const Bytes& bytes)
{
    return WriteSeed(folder, target, name, bytes.data(), bytes.size());
}

bool WriteResource(const fs::path& folder, const std::string& target, const std::string& name,
    const char* type, std::uint16_t id)
{
    const auto found = platform::FindEmbeddedResource(type, platform::IntResource(id));
    if (!found) {
        std::fprintf(stderr, "resource %u is not embedded\n", id);
        return false;
    }
    return WriteSeed(folder, target, name, found->data, found->size);
}

// Op codes as window_proc_fuzzer.cpp reads them.
enum Op : std::uint8_t {
    Move = 0,
    RightMove = 1,
    LeftDown = 2,
    LeftUp = 3,
    RightDown = 4,
    RightUp = 5,
    Wheel = 6,
    Key = 7,
    Command = 8,
    Other = 9,
    Steps = 12,
    Render = 14,
    Fault = 15,
};

struct Sequence {
    Bytes bytes;
    Sequence& Add(Op op, int x = 0, int y = 0, int param = 0, int extra = 0)
    {
        fuzz::AppendMessageRecord(bytes,
            fuzz::MessageRecord { op, static_cast<std::int16_t>(x), static_cast<std::int16_t>(y),
                static_cast<std::uint16_t>(param), static_cast<std::uint8_t>(extra) });
        return *this;
    }
};

bool WriteSequences(const fs::path& folder)
{
    const std::string t = "window_proc";
    Sequence drag; // across the top face, then the turn's frames
    drag.Add(Move, 300, 140)
        .Add(LeftDown, 300, 140)
        .Add(Move, 330, 150, MK_LBUTTON)
        .Add(Move, 380, 170, MK_LBUTTON)
        .Add(LeftUp, 380, 170)
        .Add(Steps, 0, 0, 0, 17);
    Sequence orbit; // a right drag right, then down, then out of the window and back
    orbit.Add(RightDown, 320, 240)
        .Add(RightMove, 340, 242, MK_RBUTTON)
        .Add(RightMove, 341, 300, MK_RBUTTON)
        .Add(RightMove, 900, -40, MK_RBUTTON)
        .Add(RightUp, 900, -40)
        .Add(Move, 100, 100)
        .Add(Render);
    Sequence zoom;
    for (int i = 0; i < 30; ++i) {
        zoom.Add(Wheel, 0, 0, i < 25 ? 0xFF88 : 120); // -120 per notch, then back
    }
    Sequence shuffle; // Shuffle, frames with the overlay, Clear
    shuffle.Add(Command, 0, 0, 0, 1)
        .Add(Steps, 0, 0, 0, 23)
        .Add(Key, 0, 0, 0, 2)
        .Add(Render)
        .Add(Steps, 0, 0, 0, 9)
        .Add(Command, 0, 0, 0, 2)
        .Add(Steps);
    Sequence modes; // F1 there and back, with frames in full screen, then About
    modes.Add(Key, 0, 0, 0, 1)
        .Add(Render)
        .Add(Move, 10, 470)
        .Add(Key, 0, 0, 0, 1)
        .Add(Render)
        .Add(Command, 0, 0, 0, 4);
    Sequence failures; // a failed switch ends the program; then a loss before re-creation
    failures.Add(Fault, 0, 0, 0, 5).Add(Key, 0, 0, 0, 1).Add(Render);
    Sequence loss;
    loss.Add(Fault, 0, 0, 0, 6).Add(Render).Add(Render).Add(Render).Add(Steps, 0, 0, 0, 3);
    Sequence other;
    other.Add(Other, 5, 5, 0, 0)
        .Add(Other, 0, 0, 0, 6)
        .Add(Key, 0, 0, 0x25, 3)
        .Add(Command, 0, 0, 40099, 6)
        .Add(Key, 0, 0, 0, 0);
    bool ok = true;
    ok = WriteSeed(folder, t, "left_drag", drag.bytes) && ok;
    ok = WriteSeed(folder, t, "right_drag", orbit.bytes) && ok;
    ok = WriteSeed(folder, t, "wheel", zoom.bytes) && ok;
    ok = WriteSeed(folder, t, "shuffle_overlay_clear", shuffle.bytes) && ok;
    ok = WriteSeed(folder, t, "full_screen_and_back", modes.bytes) && ok;
    ok = WriteSeed(folder, t, "failed_switch", failures.bytes) && ok;
    ok = WriteSeed(folder, t, "device_loss", loss.bytes) && ok;
    ok = WriteSeed(folder, t, "ignored_input_then_escape", other.bytes) && ok;
    return ok;
}

// The smallest mesh the reader accepts, so that mutations start from something cheap too.
constexpr char kTriangle[] = "xof 0303txt 0032\n"
                             "Mesh { 3; 0.0;0.0;0.0;, 1.0;0.0;0.0;, 0.0;1.0;0.0;; 1; 3;0,2,1;; }\n";

} // namespace

int main(int argc, char** argv)
{
    if (argc != 4) {
        std::fprintf(stderr, "usage: fuzz_seeds <folder> <piece.x> <sticker.bmp>\n");
        return 2;
    }
    const fs::path folder = argv[1];
    bool ok = true;

    const Bytes mesh = ReadFile(argv[2]);
    ok = !mesh.empty() && WriteSeed(folder, "x_mesh", "piece.x", mesh) && ok;
    ok = WriteSeed(folder, "x_mesh", "triangle.x", reinterpret_cast<const std::uint8_t*>(kTriangle),
             sizeof kTriangle - 1)
        && ok;

    const Bytes bitmapFile = ReadFile(argv[3]);
    constexpr std::size_t kFileHeaderSize = 14; // BITMAPFILEHEADER
    ok = bitmapFile.size() > kFileHeaderSize && ok;
    if (bitmapFile.size() > kFileHeaderSize) {
        ok = WriteSeed(folder, "dib", "sticker.dib", bitmapFile.data() + kFileHeaderSize,
                 bitmapFile.size() - kFileHeaderSize)
            && ok;
    }
    ok = WriteResource(folder, "dib", "bitmap_103",
             platform::IntResource(platform::kResourceTypeBitmap), IDB_STICKERS)
        && ok;

    ok = WriteResource(folder, "icon", "group_106",
             platform::IntResource(platform::kResourceTypeIconGroup), IDI_APP_ICON)
        && ok;
    ok = WriteResource(
             folder, "icon", "image_1", platform::IntResource(platform::kResourceTypeIcon), 1)
        && ok;
    ok = WriteResource(folder, "menu_template", "menu_101",
             platform::IntResource(platform::kResourceTypeMenu), IDR_MAIN_MENU)
        && ok;

    const platform::ResourceBytes image = platform::EmbeddedResourceImage();
    ok = WriteSeed(folder, "resource_table", "tessarine.res", image.data, image.size) && ok;

    ok = WriteSequences(folder) && ok;
    if (!ok) {
        std::fprintf(stderr, "fuzz_seeds: some seeds could not be written\n");
        return 1;
    }
    return 0;
}
