#include <array>
#include <utility>

#include "platform/d3d9/platform_switches.h"

namespace softd3d::faults {

namespace {

struct PlannedFailure {
    int skip = 0;
    int times = 0; // < 0: until cleared
};

constexpr std::size_t kCallCount = static_cast<std::size_t>(Call::LoadMesh) + 1;

struct Switches {
    std::array<PlannedFailure, kCallCount> failures {};
    bool lossArmed = false;
    std::vector<HRESULT> lossScript;
    D3DFORMAT displayFormat = D3DFMT_X8R8G8B8;
};

Switches& State()
{
    static Switches switches;
    return switches;
}

} // namespace

void FailCall(Call call, int times, int skip)
{
    State().failures[static_cast<std::size_t>(call)] = { skip < 0 ? 0 : skip, times };
}

bool ShouldFail(Call call)
{
    std::size_t index = static_cast<std::size_t>(call);
    if (index >= kCallCount)
        return false;
    PlannedFailure& plan = State().failures[index];
    if (plan.times == 0)
        return false;
    if (plan.skip > 0) {
        --plan.skip;
        return false;
    }
    if (plan.times > 0)
        --plan.times;
    return true;
}

void ScriptDeviceLoss(std::vector<HRESULT> cooperativeLevels)
{
    State().lossArmed = true;
    State().lossScript = std::move(cooperativeLevels);
}

void SetDisplayFormat(D3DFORMAT format)
{
    State().displayFormat = format;
}

void ClearAll()
{
    State() = Switches {};
}

bool TakeDeviceLoss(std::vector<HRESULT>& script)
{
    Switches& state = State();
    if (!state.lossArmed)
        return false;
    state.lossArmed = false;
    script = std::move(state.lossScript);
    state.lossScript.clear();
    return true;
}

D3DFORMAT DisplayFormat()
{
    return State().displayFormat;
}

} // namespace softd3d::faults
