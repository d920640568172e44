#include "tools/scene_options.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>

bool ParseWholeNumber(const char* text, long low, long high, std::int32_t& value)
{
    if (text == nullptr || *text == '\0') {
        return false;
    }
    errno = 0;
    char* end = nullptr;
    const long parsed = std::strtol(text, &end, 10);
    if (errno != 0 || *end != '\0' || parsed < low || parsed > high) {
        return false;
    }
    value = static_cast<std::int32_t>(parsed);
    return true;
}

namespace {

// "a,b" or "a,b,c": splits on commas into exactly count integers within their ranges.
bool ParseList(const char* text, int count, const long (*ranges)[2], std::int32_t* values)
{
    std::string rest = text;
    for (int i = 0; i < count; ++i) {
        const std::size_t comma = rest.find(',');
        const bool lastField = i == count - 1;
        if (lastField != (comma == std::string::npos)) {
            return false;
        }
        const std::string field = lastField ? rest : rest.substr(0, comma);
        if (!ParseWholeNumber(field.c_str(), ranges[i][0], ranges[i][1], values[i])) {
            return false;
        }
        if (!lastField) {
            rest = rest.substr(comma + 1);
        }
    }
    return true;
}

bool ValidAxisCode(std::int32_t code)
{
    return code != 0 && code >= -3 && code <= 3;
}

} // namespace

const char* SceneOptionsUsage()
{
    return "usage: tessarine-frame --out FILE.png [options]\n"
           "Draws one 640x480 frame with the viewer's own rendering and writes it as PNG.\n"
           "Without options: the solved cube at the start camera.\n"
           "  --turn CODE,CELL        commit a layer turn first (repeatable, applied in order);\n"
           "                          CODE +-1 X, +-2 Y, +-3 Z (positive turns by -90 degrees),\n"
           "                          CELL 0..26 names the layer\n"
           "  --mid-turn CODE,CELL,P  show drawn frame P (1..16) of a 16-frame user turn\n"
           "  --orbit DX,DY           one right-drag step of DX, DY pixels (repeatable)\n"
           "  --zoom D                camera distance 7..30 (start 12)\n"
           "  --overlay X,Y           show the F2 overlay with the mouse at X, Y\n"
           "  --fps N                 the frame rate the overlay shows (default 0)\n"
           "  --shuffle               shuffling on: banner and random 7-frame turns\n"
           "  --seed S                seed of the shuffle generator (default 1)\n"
           "  --banner-tick N         banner frames counted before this one (default 0)\n"
           "  --frames N              draw N frames before the one written (default 0)\n"
           "\n"
           "usage: tessarine-frame --record FILE.webp (--script FILE | --do STEPS) [options]\n"
           "Plays the steps on the viewer's own code and records every drawn frame (16 ms each)\n"
           "as a lossless animated WebP. Steps, separated by ';' or lines ('#' comments):\n"
           "  wait N            draw N frames (1..10000)\n"
           "  move X,Y          move the mouse to X,Y of the 640x480 view\n"
           "  drag X1,Y1 X2,Y2  left-button drag (turns the layer under X1,Y1)\n"
           "  orbit DX,DY       right-button drag by DX,DY pixels (-3200..3200)\n"
           "  wheel N           N wheel notches, negative nearer (-30..30)\n"
           "  turn CODE,CELL    the turn a drag starts on that layer (codes and cells as --turn)\n"
           "  shuffle, clear    the menu commands\n"
           "The mouse travels 8 pixels a frame; a wheel notch takes a frame.\n"
           "  --every N               keep every Nth frame, shown 16*N ms (default 1)\n"
           "  --overlay               the F2 overlay, with the mouse where the steps put it\n"
           "  --fps N                 the frame rate the overlay shows (default 62)\n"
           "  --seed S                seed of the shuffle generator (default 1)\n";
}

bool ParseSceneOptions(int argc, char** argv, SceneOptions& options, std::string& error)
{
    static const long turnRanges[2][2] = { { -3, 3 }, { 0, 26 } };
    static const long midTurnRanges[3][2] = { { -3, 3 }, { 0, 26 }, { 1, 16 } };
    static const long pixelRanges[2][2] = { { -100000, 100000 }, { -100000, 100000 } };
    for (int i = 1; i < argc; ++i) {
        const std::string option = argv[i];
        if (option == "--shuffle") {
            options.shuffle = true;
            continue;
        }
        if (i + 1 >= argc) {
            error = option + " needs a value (see --help)";
            return false;
        }
        const char* value = argv[++i];
        bool good = true;
        if (option == "--out") {
            options.outPath = value;
            good = !options.outPath.empty();
        } else if (option == "--turn") {
            std::int32_t fields[2];
            good = ParseList(value, 2, turnRanges, fields) && ValidAxisCode(fields[0]);
            if (good) {
                options.turns.push_back({ fields[0], fields[1] });
            }
        } else if (option == "--mid-turn") {
            std::int32_t fields[3];
            good = ParseList(value, 3, midTurnRanges, fields) && ValidAxisCode(fields[0]);
            if (good) {
                options.midTurn = true;
                options.midTurnLayer = { fields[0], fields[1] };
                options.midTurnFrame = fields[2];
            }
        } else if (option == "--orbit") {
            std::int32_t fields[2];
            good = ParseList(value, 2, pixelRanges, fields);
            if (good) {
                options.orbits.push_back({ fields[0], fields[1] });
            }
        } else if (option == "--zoom") {
            good = ParseWholeNumber(value, 7, 30, options.distance);
        } else if (option == "--overlay") {
            std::int32_t fields[2];
            good = ParseList(value, 2, pixelRanges, fields);
            if (good) {
                options.overlay = true;
                options.mouseX = fields[0];
                options.mouseY = fields[1];
            }
        } else if (option == "--fps") {
            good = ParseWholeNumber(value, 0, 1000000, options.framesPerSecond);
        } else if (option == "--seed") {
            std::int32_t seed = 0;
            good = ParseWholeNumber(value, 0, 2147483647, seed);
            options.seed = static_cast<std::uint32_t>(seed);
        } else if (option == "--banner-tick") {
            good = ParseWholeNumber(value, 0, 2147483647, options.bannerTick);
        } else if (option == "--frames") {
            good = ParseWholeNumber(value, 0, 100000, options.framesBefore);
        } else {
            error = "unknown option " + option + " (see --help)";
            return false;
        }
        if (!good) {
            error = "bad value for " + option + ": \"" + value + "\" (see --help)";
            return false;
        }
    }
    if (options.outPath.empty()) {
        error = "--out FILE.png is required (see --help)";
        return false;
    }
    return true;
}
