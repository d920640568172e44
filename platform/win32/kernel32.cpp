// kernel32: the last-error code, named mutexes as a per-login guard, Sleep and lstrlenA.
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <deque>
#include <string>

#include <fcntl.h>
#include <sched.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/win32/last_error.h"
#include "platform/win32/windows.h"

namespace {

thread_local DWORD lastError = ERROR_SUCCESS;

constexpr DWORD kErrorAccessDenied = 5;

// A named mutex lives as long as any process holds a handle to it. Each holder keeps a shared
// flock() on a file named after the mutex, so the kernel drops it with the holder's last open
// file, whatever ends the process. Whether anyone holds it is learnt by trying for an exclusive
// lock; the gate file serialises creators so that no one sees the moment in which the first
// holder turns its exclusive lock into a shared one.
struct NamedMutex {
    int fd = -1;
};

// Handles stay valid for the rest of the process, as the program never closes its guard.
HANDLE NewMutexHandle(int fd)
{
    static std::deque<NamedMutex> handles;
    handles.push_back(NamedMutex { fd });
    return &handles.back();
}

std::string GuardDirectory()
{
    if (const char* runtime = std::getenv("XDG_RUNTIME_DIR"); runtime != nullptr && *runtime != 0) {
        struct stat info { };
        if (stat(runtime, &info) == 0 && S_ISDIR(info.st_mode) && access(runtime, W_OK) == 0) {
            return runtime;
        }
    }
    std::string dir = "/tmp/tessarine-" + std::to_string(getuid());
    if (mkdir(dir.c_str(), 0700) != 0 && errno != EEXIST)
        return {};
    struct stat info { };
    // Only a private folder of our own will do: another user could otherwise hold our guard.
    if (lstat(dir.c_str(), &info) != 0 || !S_ISDIR(info.st_mode) || info.st_uid != getuid()) {
        return {};
    }
    return dir;
}

// FNV-1a over the name's code page 932 bytes: the file name stays ASCII whatever the name holds.
std::uint64_t HashName(const char* name)
{
    std::uint64_t hash = 1469598103934665603ull;
    for (const unsigned char* p = reinterpret_cast<const unsigned char*>(name); *p != 0; ++p) {
        hash = (hash ^ *p) * 1099511628211ull;
    }
    return hash;
}

int OpenLockFile(const std::string& path)
{
    return open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
}

int FlockRetrying(int fd, int operation)
{
    int result;
    do {
        result = flock(fd, operation);
    } while (result != 0 && errno == EINTR);
    return result;
}

} // namespace

namespace platform {

void SetLastErrorCode(DWORD code)
{
    lastError = code;
}

} // namespace platform

DWORD GetLastError()
{
    return lastError;
}

HANDLE CreateMutexA(LPSECURITY_ATTRIBUTES, BOOL, LPCSTR name)
{
    if (name == nullptr || *name == 0) {
        platform::SetLastErrorCode(ERROR_SUCCESS);
        return NewMutexHandle(-1);
    }
    const std::string dir = GuardDirectory();
    if (dir.empty()) {
        platform::SetLastErrorCode(kErrorAccessDenied);
        return nullptr;
    }
    char stem[64];
    std::snprintf(stem, sizeof stem, "/tessarine-mutex-%016llx",
        static_cast<unsigned long long>(HashName(name)));
    const int gate = OpenLockFile(dir + stem + ".gate");
    const int fd = OpenLockFile(dir + stem + ".lock");
    if (gate < 0 || fd < 0 || FlockRetrying(gate, LOCK_EX) != 0) {
        if (gate >= 0)
            close(gate);
        if (fd >= 0)
            close(fd);
        platform::SetLastErrorCode(kErrorAccessDenied);
        return nullptr;
    }
    const bool existed = FlockRetrying(fd, LOCK_EX | LOCK_NB) != 0;
    const bool holding = FlockRetrying(fd, LOCK_SH | LOCK_NB) == 0;
    close(gate); // releases the gate
    if (!holding) {
        close(fd);
        platform::SetLastErrorCode(kErrorAccessDenied);
        return nullptr;
    }
    platform::SetLastErrorCode(existed ? ERROR_ALREADY_EXISTS : ERROR_SUCCESS);
    return NewMutexHandle(fd);
}

// Like Windows at a 1 ms timer period, a wait ends on a tick of the millisecond clock that
// timeGetTime reads: the first tick more than `milliseconds` after the call, so Sleep(1) waits
// 1 to 2 ms. A loop that sleeps until a deadline thus wakes once per two ticks rather than once
// per 1.1 ms, and its last wait ends on the tick that reaches the deadline.
void Sleep(DWORD milliseconds)
{
    if (milliseconds == 0) {
        sched_yield();
        return;
    }
    timespec now {};
    clock_gettime(CLOCK_MONOTONIC, &now);
    const std::uint64_t tick = static_cast<std::uint64_t>(now.tv_sec) * 1000u
        + static_cast<std::uint64_t>(now.tv_nsec) / 1000000u + milliseconds + 1u;
    const timespec wake { static_cast<time_t>(tick / 1000u),
        static_cast<long>(tick % 1000u) * 1000000L };
    while (clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &wake, nullptr) == EINTR) { }
}

int lstrlenA(LPCSTR text)
{
    return text == nullptr ? 0 : static_cast<int>(std::strlen(text));
}
