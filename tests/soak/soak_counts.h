#pragma once
// How long a soak runs: the bounded count of the test suite, or with TESSARINE_SOAK=long in the
// environment the full count.
#include <cstdint>
#include <cstdio>

std::int64_t SoakCount(std::int64_t suite, std::int64_t full);

// A figure worth keeping from the run: printed, and recorded in the test's XML output.
void ReportFigure(const char* name, double value);
