#include "tests/soak/soak_counts.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <string>

std::int64_t SoakCount(std::int64_t suite, std::int64_t full)
{
    const char* mode = std::getenv("TESSARINE_SOAK");
    return mode != nullptr && std::strcmp(mode, "long") == 0 ? full : suite;
}

void ReportFigure(const char* name, double value)
{
    std::printf("[ figure   ] %s = %.6g\n", name, value);
    ::testing::Test::RecordProperty(name, std::to_string(value));
}
