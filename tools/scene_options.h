#pragma once

#include <cstdint>
#include <string>
#include <vector>

// What tessarine-frame is asked to draw, read from its command line.

struct LayerTurn {
    std::int32_t axisCode; // +-1 X, +-2 Y, +-3 Z
    std::int32_t selectorCell; // 0..26, a cell of the layer
};

struct OrbitStep {
    std::int32_t dx, dy; // pixels of one right-button drag step
};

struct SceneOptions {
    std::string outPath;
    std::vector<LayerTurn> turns; // committed, in order, before anything is drawn
    bool midTurn = false; // draw frame midTurnFrame of a 16-frame turn
    LayerTurn midTurnLayer = { 0, 0 };
    std::int32_t midTurnFrame = 0; // 1..16
    std::vector<OrbitStep> orbits;
    std::int32_t distance = 12; // 7..30
    bool overlay = false;
    std::int32_t mouseX = 0, mouseY = 0;
    std::int32_t framesPerSecond = 0;
    bool shuffle = false;
    std::uint32_t seed = 1;
    std::int32_t bannerTick = 0;
    std::int32_t framesBefore = 0; // frames drawn (and presented) before the one written
};

// A whole number low..high with nothing around it.
bool ParseWholeNumber(const char* text, long low, long high, std::int32_t& value);
// Fills options from argv; on bad input returns false with a one-line reason in error.
bool ParseSceneOptions(int argc, char** argv, SceneOptions& options, std::string& error);
// The --help text.
const char* SceneOptionsUsage();
