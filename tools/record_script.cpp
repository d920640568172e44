#include "tools/record_script.h"

#include <algorithm>
#include <cstdlib>
#include <sstream>

namespace {

constexpr std::int32_t maxWaitFrames = 10000;
constexpr std::int32_t maxOrbitPixels = 3200;
constexpr std::int32_t maxWheelNotches = 30;

// A whole number, optionally signed, with nothing around it. Numbers too long for any range a
// step accepts come back as a value outside every range.
bool ParseNumber(const std::string& text, std::int64_t& value)
{
    std::size_t i = (!text.empty() && (text[0] == '-' || text[0] == '+')) ? 1 : 0;
    if (i == text.size()) {
        return false;
    }
    std::int64_t magnitude = 0;
    for (; i < text.size(); ++i) {
        if (text[i] < '0' || text[i] > '9') {
            return false;
        }
        magnitude = magnitude < 1000000000 ? magnitude * 10 + (text[i] - '0') : magnitude;
    }
    value = text[0] == '-' ? -magnitude : magnitude;
    return true;
}

// "A,B" as two whole numbers.
bool ParsePair(const std::string& text, std::int64_t& first, std::int64_t& second)
{
    const std::size_t comma = text.find(',');
    return comma != std::string::npos && ParseNumber(text.substr(0, comma), first)
        && ParseNumber(text.substr(comma + 1), second);
}

bool InView(std::int64_t x, std::int64_t y)
{
    return x >= 0 && x < viewWidth && y >= 0 && y < viewHeight;
}

// One step's words (name first) into step; false with the reason in error.
bool ParseStep(const std::vector<std::string>& words, ScriptStep& step, std::string& error)
{
    const std::string& name = words[0];
    const std::size_t args = words.size() - 1;
    std::int64_t a = 0, b = 0, c = 0, d = 0;
    if (name == "wait") {
        step.kind = StepKind::Wait;
        if (args != 1 || !ParseNumber(words[1], a)) {
            error = "wait takes a number of frames, as in \"wait 30\"";
        } else if (a < 1 || a > maxWaitFrames) {
            error = "a wait lasts 1..10000 frames, not " + words[1];
        }
    } else if (name == "move") {
        step.kind = StepKind::Move;
        if (args != 1 || !ParsePair(words[1], a, b)) {
            error = "move takes X,Y, as in \"move 320,240\"";
        } else if (!InView(a, b)) {
            error = words[1] + " lies outside the 640x480 view (x 0..639, y 0..479)";
        }
    } else if (name == "drag") {
        step.kind = StepKind::Drag;
        if (args != 2 || !ParsePair(words[1], a, b) || !ParsePair(words[2], c, d)) {
            error = "drag takes X1,Y1 X2,Y2, as in \"drag 320,280 380,300\"";
        } else if (!InView(a, b) || !InView(c, d)) {
            error = (InView(a, b) ? words[2] : words[1])
                + " lies outside the 640x480 view (x 0..639, y 0..479)";
        }
    } else if (name == "orbit") {
        step.kind = StepKind::Orbit;
        if (args != 1 || !ParsePair(words[1], a, b)) {
            error = "orbit takes DX,DY, as in \"orbit 40,0\"";
        } else if (std::llabs(a) > maxOrbitPixels || std::llabs(b) > maxOrbitPixels) {
            error = "an orbit moves -3200..3200 pixels each way, not " + words[1];
        }
    } else if (name == "wheel") {
        step.kind = StepKind::Wheel;
        if (args != 1 || !ParseNumber(words[1], a)) {
            error = "wheel takes a number of notches, as in \"wheel -3\"";
        } else if (a == 0 || std::llabs(a) > maxWheelNotches) {
            error = "the wheel turns -30..-1 or 1..30 notches, not " + words[1];
        }
    } else if (name == "turn") {
        step.kind = StepKind::Turn;
        if (args != 1 || !ParsePair(words[1], a, b)) {
            error = "turn takes CODE,CELL, as in \"turn 3,0\"";
        } else if (a == 0 || std::llabs(a) > 3) {
            error = "axis code " + words[1].substr(0, words[1].find(','))
                + " names no axis (+-1 X, +-2 Y, +-3 Z)";
        } else if (b < 0 || b > 26) {
            error = "cell " + words[1].substr(words[1].find(',') + 1)
                + " lies outside the cube (0..26)";
        }
    } else if (name == "shuffle" || name == "clear") {
        step.kind = name == "shuffle" ? StepKind::Shuffle : StepKind::Clear;
        if (args != 0) {
            error = name + " takes nothing";
        }
    } else {
        error = "unknown step \"" + name
            + "\" (steps: wait, move, drag, orbit, wheel, turn, shuffle, clear)";
    }
    step.a = static_cast<std::int32_t>(a);
    step.b = static_cast<std::int32_t>(b);
    step.c = static_cast<std::int32_t>(c);
    step.d = static_cast<std::int32_t>(d);
    return error.empty();
}

// The frames a step draws, given where the mouse is; moves the mouse as the step will.
std::int64_t FramesOf(const ScriptStep& step, std::int32_t& mouseX, std::int32_t& mouseY)
{
    std::int64_t frames = 0;
    switch (step.kind) {
    case StepKind::Wait: frames = step.a; break;
    case StepKind::Move:
        frames = MouseMoves(step.a - mouseX, step.b - mouseY);
        mouseX = step.a, mouseY = step.b;
        break;
    case StepKind::Drag:
        frames = MouseMoves(step.c - step.a, step.d - step.b);
        mouseX = step.c, mouseY = step.d;
        break;
    case StepKind::Orbit:
        frames = MouseMoves(step.a, step.b);
        mouseX += step.a, mouseY += step.b;
        break;
    case StepKind::Wheel: frames = std::llabs(step.a); break;
    default: break;
    }
    return frames;
}

std::string Trimmed(const std::string& text)
{
    const std::size_t first = text.find_first_not_of(" \t\r");
    if (first == std::string::npos) {
        return {};
    }
    return text.substr(first, text.find_last_not_of(" \t\r") - first + 1);
}

std::vector<std::string> Words(const std::string& text)
{
    std::istringstream stream(text);
    std::vector<std::string> words;
    for (std::string word; stream >> word;) {
        words.push_back(word);
    }
    return words;
}

} // namespace

std::int32_t MouseMoves(std::int32_t dx, std::int32_t dy)
{
    const std::int32_t longest = std::max(std::abs(dx), std::abs(dy));
    return (longest + mousePixelsPerFrame - 1) / mousePixelsPerFrame;
}

std::int32_t TravelCoordinate(
    std::int32_t start, std::int32_t delta, std::int32_t move, std::int32_t moves)
{
    return start + static_cast<std::int32_t>(std::int64_t { delta } * move / moves);
}

bool ParseRecordScript(
    const std::string& text, const std::string& origin, RecordScript& script, std::string& error)
{
    script = RecordScript {};
    std::int32_t mouseX = 0, mouseY = 0;
    int line = 1;
    std::size_t start = 0;
    while (start <= text.size()) {
        std::size_t end = text.find_first_of(";\n#", start);
        end = end == std::string::npos ? text.size() : end;
        const std::string stepText = Trimmed(text.substr(start, end - start));
        if (!stepText.empty()) {
            ScriptStep step;
            std::string reason;
            const bool good = ParseStep(Words(stepText), step, reason);
            if (good) {
                script.frames += FramesOf(step, mouseX, mouseY);
                script.steps.push_back(step);
            }
            if (good && script.frames > maxScriptFrames) {
                reason = "the script draws more than 100000 frames by here";
            }
            if (!reason.empty()) {
                const std::string where = origin == "--do" ? "" : ":" + std::to_string(line);
                const std::size_t number = script.steps.size() + (good ? 0 : 1);
                error = origin + where + ": step " + std::to_string(number) + " \"" + stepText
                    + "\": " + reason;
                return false;
            }
        }
        if (end < text.size() && text[end] == '#') {
            end = text.find('\n', end);
            end = end == std::string::npos ? text.size() : end;
        }
        line += end < text.size() && text[end] == '\n' ? 1 : 0;
        start = end + 1;
    }
    if (script.frames == 0) {
        error = origin + ": the script draws no frame (add a \"wait N\")";
        return false;
    }
    return true;
}
