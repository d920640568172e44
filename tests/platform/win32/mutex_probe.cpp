// A second process for the single-instance guard tests.
//   win32_mutex_probe probe NAME  exits 0 when it created NAME first, 1 when it already existed
//   win32_mutex_probe hold NAME   creates NAME, prints its GetLastError value and waits to be
//   killed
#include <cstdio>
#include <cstring>

#include <unistd.h>

#include "platform/win32/windows.h"

int main(int argc, char** argv)
{
    if (argc != 3)
        return 2;
    CreateMutexA(nullptr, FALSE, argv[2]);
    const DWORD error = GetLastError();
    if (std::strcmp(argv[1], "probe") == 0) {
        return error == ERROR_SUCCESS ? 0 : error == ERROR_ALREADY_EXISTS ? 1 : 2;
    }
    std::printf("%u\n", static_cast<unsigned>(error));
    std::fflush(stdout);
    for (;;)
        pause();
}
