// Stands in for the fuzzing engine where clang's libFuzzer is not used: every file named on the
// command line, or found in a directory named there, is passed once to the target. A directory
// that does not exist is skipped (a target may have no saved regressions yet).
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

#include "fuzz/fuzz_input.h"

namespace {

bool RunFile(const std::filesystem::path& path)
{
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        std::fprintf(stderr, "cannot read %s\n", path.c_str());
        return false;
    }
    const std::vector<std::uint8_t> bytes { std::istreambuf_iterator<char>(in),
        std::istreambuf_iterator<char>() };
    LLVMFuzzerTestOneInput(bytes.data(), bytes.size());
    return true;
}

} // namespace

int main(int argc, char** argv)
{
    LLVMFuzzerInitialize(&argc, &argv);
    int inputs = 0;
    bool readable = true;
    for (int i = 1; i < argc; ++i) {
        const std::filesystem::path arg = argv[i];
        if (std::filesystem::is_directory(arg)) {
            for (const auto& entry : std::filesystem::directory_iterator(arg)) {
                if (entry.is_regular_file()) {
                    readable = RunFile(entry.path()) && readable;
                    ++inputs;
                }
            }
        } else if (std::filesystem::exists(arg)) {
            readable = RunFile(arg) && readable;
            ++inputs;
        }
    }
    std::printf("%d inputs replayed\n", inputs);
    return readable && inputs > 0 ? 0 : 1;
}
