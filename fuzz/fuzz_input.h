#pragma once
// What every fuzz target shares: the libFuzzer entry points, a failed-invariant report that stops
// the run like a crash, and the record layout of the message sequences fed to the window procedure.
#include <cstddef>
#include <cstdint>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);
extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv);

namespace fuzz {

// Prints what broke and aborts, so the fuzzer keeps the input as a crash.
[[noreturn]] void InvariantBroken(const char* what);

inline void Require(bool holds, const char* what)
{
    if (!holds) {
        InvariantBroken(what);
    }
}

// One step of a message sequence: 8 bytes, all fields little-endian.
struct MessageRecord {
    std::uint8_t op; // selects a message or a frame step (window_proc_fuzzer.cpp)
    std::int16_t cursorX; // where the cursor reader says the cursor is
    std::int16_t cursorY;
    std::uint16_t param; // the message's 16-bit parameter (buttons, wheel delta, key, command)
    std::uint8_t extra; // picks among fixed choices (which key, how many frames, which fault)
};
inline constexpr std::size_t kMessageRecordSize = 8;

MessageRecord ReadMessageRecord(const std::uint8_t* bytes);
void AppendMessageRecord(std::vector<std::uint8_t>& out, const MessageRecord& record);

} // namespace fuzz
