#include "fuzz/fuzz_input.h"

#include <cstdio>
#include <cstdlib>

namespace fuzz {

void InvariantBroken(const char* what)
{
    std::fprintf(stderr, "fuzz invariant broken: %s\n", what);
    std::abort();
}

MessageRecord ReadMessageRecord(const std::uint8_t* b)
{
    const auto u16 = [b](int at) { return static_cast<std::uint16_t>(b[at] | (b[at + 1] << 8)); };
    return MessageRecord { b[0], static_cast<std::int16_t>(u16(1)),
        static_cast<std::int16_t>(u16(3)), u16(5), b[7] };
}

void AppendMessageRecord(std::vector<std::uint8_t>& out, const MessageRecord& r)
{
    const auto put16 = [&out](std::uint16_t v) {
        out.push_back(static_cast<std::uint8_t>(v & 0xFF));
        out.push_back(static_cast<std::uint8_t>(v >> 8));
    };
    out.push_back(r.op);
    put16(static_cast<std::uint16_t>(r.cursorX));
    put16(static_cast<std::uint16_t>(r.cursorY));
    put16(r.param);
    out.push_back(r.extra);
}

} // namespace fuzz

// Targets that need no set-up leave this default in place; the window procedure's target
// overrides it.
extern "C" __attribute__((weak)) int LLVMFuzzerInitialize(int*, char***)
{
    return 0;
}
