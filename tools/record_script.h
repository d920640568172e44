#pragma once

#include <cstdint>
#include <string>
#include <vector>

// The steps of a recorded session, read from a script: what the user does with the mouse, the
// wheel and the menu, and how long the recording waits. Every step is checked before anything is
// drawn, so a bad script is refused whole. The mouse travels at most mousePixelsPerFrame pixels
// between two drawn frames, as a hand moves it; presses, releases and commands take no time.
//
//   wait N            draw N frames (1..10000), 16 ms of animation each
//   move X,Y          move the mouse, no button held, to X,Y in the 640x480 view
//   drag X1,Y1 X2,Y2  left-button drag from X1,Y1 to X2,Y2 (the gesture that turns a layer)
//   orbit DX,DY       right-button drag by DX,DY pixels (-3200..3200), from where the mouse is
//   wheel N           N wheel notches, one a frame: negative nearer, positive farther (-30..30)
//   turn CODE,CELL    the 16-frame turn a drag starts: CODE +-1 X, +-2 Y, +-3 Z, CELL 0..26
//   shuffle           the Shuffle menu command (switches shuffling on, or off again)
//   clear             the Clear menu command (solved cube, start camera)
//
// Steps are separated by ";" or line breaks; "#" starts a comment running to the end of its line.

enum class StepKind { Wait, Move, Drag, Orbit, Wheel, Turn, Shuffle, Clear };

struct ScriptStep {
    StepKind kind = StepKind::Wait;
    // wait: a frames; move: to a,b; drag: from a,b to c,d; orbit: by a,b; wheel: a notches;
    // turn: code a, cell b.
    std::int32_t a = 0, b = 0, c = 0, d = 0;
};

struct RecordScript {
    std::vector<ScriptStep> steps;
    std::int64_t frames = 0; // frames the whole script draws
};

constexpr std::int32_t viewWidth = 640;
constexpr std::int32_t viewHeight = 480;
constexpr std::int32_t mousePixelsPerFrame = 8;
constexpr std::int64_t maxScriptFrames = 100000;

// Mouse moves (one per drawn frame) that carry the mouse dx, dy pixels.
std::int32_t MouseMoves(std::int32_t dx, std::int32_t dy);
// Where move number `move` (1..moves) of such a travel leaves a mouse that started at x, y.
std::int32_t TravelCoordinate(
    std::int32_t start, std::int32_t delta, std::int32_t move, std::int32_t moves);

// Reads text into script. origin names the text in messages ("--do" or the file's path). On bad
// input returns false with one line in error naming the step, its number and, for a file, its
// line.
bool ParseRecordScript(
    const std::string& text, const std::string& origin, RecordScript& script, std::string& error);
