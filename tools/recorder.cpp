#include "tools/recorder.h"

#include <cstdlib>

#include "app/window_proc.h"
#include "cube/cubie.h"
#include "cube/layer_turn.h"
#include "geometry/camera.h"
#include "geometry/cursor.h"
#include "render/overlay.h"
#include "render/view_flags.h"
#include "resources/resource_ids.h"

namespace {

// Where the script has put the mouse; the viewer's code reads it through ReadCursor.
CursorPos scriptCursor = { 0, 0 };

CursorPos ReadScriptCursor()
{
    return scriptCursor;
}

class Player {
public:
    Player(HWND window, const TickDrawer& drawTick)
        : window_(window)
        , drawTick_(drawTick)
    {
    }

    bool Play(const ScriptStep& step)
    {
        switch (step.kind) {
        case StepKind::Wait: return Ticks(step.a);
        case StepKind::Move: return Travel(step.a, step.b, 0);
        case StepKind::Drag:
            Travel(step.a, step.b, 0, false);
            Send(WM_LBUTTONDOWN, MK_LBUTTON);
            if (!Travel(step.c, step.d, MK_LBUTTON)) {
                return false;
            }
            Send(WM_LBUTTONUP, 0);
            return true;
        case StepKind::Orbit:
            Send(WM_RBUTTONDOWN, MK_RBUTTON);
            if (!Travel(scriptCursor.x + step.a, scriptCursor.y + step.b, MK_RBUTTON)) {
                return false;
            }
            Send(WM_RBUTTONUP, 0);
            return true;
        case StepKind::Wheel: return Wheel(step.a);
        case StepKind::Turn: StartTurnAsADragWould(step.a, step.b); return true;
        case StepKind::Shuffle: Send(WM_COMMAND, MAKEWPARAM(IDM_SHUFFLE, 0)); return true;
        case StepKind::Clear: Send(WM_COMMAND, MAKEWPARAM(IDM_CLEAR, 0)); return true;
        }
        return true;
    }

    void PressKey(WPARAM virtualKey) { Send(WM_KEYDOWN, virtualKey); }

private:
    HWND window_;
    const TickDrawer& drawTick_;
    std::int64_t tick_ = 0;

    void Send(UINT message, WPARAM wParam)
    {
        WindowProc(window_, message, wParam, MAKELPARAM(scriptCursor.x, scriptCursor.y));
    }

    bool Ticks(std::int64_t count)
    {
        for (std::int64_t i = 0; i < count; ++i) {
            if (!drawTick_(++tick_)) {
                return false;
            }
        }
        return true;
    }

    // Carries the mouse to x, y in moves of at most mousePixelsPerFrame pixels, one message
    // each, followed by one frame each when drawn; else in one move that takes no time.
    bool Travel(std::int32_t x, std::int32_t y, WPARAM buttons, bool drawn = true)
    {
        const CursorPos from = scriptCursor;
        const std::int32_t moves = drawn ? MouseMoves(x - from.x, y - from.y) : 1;
        for (std::int32_t move = 1; move <= moves; ++move) {
            scriptCursor = { TravelCoordinate(from.x, x - from.x, move, moves),
                TravelCoordinate(from.y, y - from.y, move, moves) };
            Send(WM_MOUSEMOVE, buttons);
            if (drawn && !Ticks(1)) {
                return false;
            }
        }
        return true;
    }

    bool Wheel(std::int32_t notches)
    {
        const std::int16_t delta = notches < 0 ? -WHEEL_DELTA : WHEEL_DELTA;
        for (std::int32_t i = 0; i < std::abs(notches); ++i) {
            Send(WM_MOUSEWHEEL, MAKEWPARAM(0, static_cast<WORD>(delta)));
            if (!Ticks(1)) {
                return false;
            }
        }
        return true;
    }

    // What a drag that picks the layer ends in: the press switches shuffling off, and while a
    // turn still runs the gesture is refused.
    static void StartTurnAsADragWould(std::int32_t axisCode, std::int32_t cell)
    {
        shuffling = 0;
        if (turnState.remainingFrames == 0) {
            StartUserTurn(axisCode, cell);
        }
    }
};

} // namespace

bool PlayScript(HWND window, const RecordScript& script, bool overlay, const TickDrawer& drawTick)
{
    scriptCursor = { 0, 0 };
    mousePos = scriptCursor;
    SetCursorReader(ReadScriptCursor);
    ResetCamera();
    ResetCube();
    overlayVisible = 0;
    bannerTick = 0;
    Player player(window, drawTick);
    if (overlay) {
        player.PressKey(VK_F2);
    }
    for (const ScriptStep& step : script.steps) {
        if (!player.Play(step)) {
            return false;
        }
    }
    return true;
}
