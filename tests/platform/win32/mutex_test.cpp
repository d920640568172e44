// The single-instance guard: a named mutex seen across processes, gone when its holder dies.
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <string>

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include "platform/win32/windows.h"

extern char** environ;

namespace {

std::string UniqueName(const char* what)
{
    // Code page 932 bytes, as the program's own name is.
    return std::string("tess-test-\x93\xf1\x8f\x64-") + what + "-" + std::to_string(getpid());
}

pid_t Spawn(const char* mode, const std::string& name, int* stdoutFd)
{
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    int pipeFds[2] = { -1, -1 };
    if (stdoutFd != nullptr) {
        if (pipe(pipeFds) != 0)
            return -1;
        posix_spawn_file_actions_adddup2(&actions, pipeFds[1], STDOUT_FILENO);
        posix_spawn_file_actions_addclose(&actions, pipeFds[0]);
    }
    char* args[] = { const_cast<char*>(TESS_MUTEX_PROBE), const_cast<char*>(mode),
        const_cast<char*>(name.c_str()), nullptr };
    pid_t pid = -1;
    if (posix_spawn(&pid, TESS_MUTEX_PROBE, &actions, nullptr, args, environ) != 0)
        pid = -1;
    posix_spawn_file_actions_destroy(&actions);
    if (stdoutFd != nullptr) {
        close(pipeFds[1]);
        *stdoutFd = pipeFds[0];
    }
    return pid;
}

int ProbeExitCode(const std::string& name)
{
    const pid_t pid = Spawn("probe", name, nullptr);
    if (pid < 0)
        return -1;
    int status = 0;
    waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// Starts a holder and waits until it has created the mutex; returns what it reported.
pid_t StartHolder(const std::string& name, unsigned* reportedError)
{
    int fd = -1;
    const pid_t pid = Spawn("hold", name, &fd);
    if (pid < 0)
        return -1;
    char line[32] = {};
    std::size_t used = 0;
    while (used + 1 < sizeof line) {
        const ssize_t got = read(fd, line + used, 1);
        if (got <= 0 || line[used] == '\n')
            break;
        ++used;
    }
    close(fd);
    *reportedError = static_cast<unsigned>(std::strtoul(line, nullptr, 10));
    return pid;
}

void Kill(pid_t pid)
{
    kill(pid, SIGKILL);
    int status = 0;
    waitpid(pid, &status, 0);
}

TEST(SingleInstanceGuard, second_process_sees_the_first_and_not_after_it_was_killed)
{
    const std::string name = UniqueName("kill");
    unsigned holderError = 999;
    const pid_t holder = StartHolder(name, &holderError);
    ASSERT_GT(holder, 0);
    EXPECT_EQ(holderError, ERROR_SUCCESS);

    EXPECT_EQ(ProbeExitCode(name), 1) << "a second copy must learn that the first runs";
    EXPECT_EQ(ProbeExitCode(name), 1) << "a copy that came and went leaves the first's guard";

    Kill(holder);
    EXPECT_EQ(ProbeExitCode(name), 0) << "the guard dies with its holder, even by SIGKILL";
}

TEST(SingleInstanceGuard, exists_while_any_holder_lives)
{
    // As with a Windows mutex, it exists as long as any process keeps a handle to it.
    const std::string name = UniqueName("two");
    unsigned firstError = 999;
    unsigned secondError = 999;
    const pid_t first = StartHolder(name, &firstError);
    const pid_t second = StartHolder(name, &secondError);
    ASSERT_GT(first, 0);
    ASSERT_GT(second, 0);
    EXPECT_EQ(firstError, ERROR_SUCCESS);
    EXPECT_EQ(secondError, ERROR_ALREADY_EXISTS);
    Kill(first);
    EXPECT_EQ(ProbeExitCode(name), 1);
    Kill(second);
    EXPECT_EQ(ProbeExitCode(name), 0);
}

TEST(SingleInstanceGuard, same_process_and_other_names)
{
    const std::string name = UniqueName("self");
    EXPECT_NE(CreateMutexA(nullptr, FALSE, name.c_str()), nullptr);
    EXPECT_EQ(GetLastError(), ERROR_SUCCESS);
    EXPECT_NE(CreateMutexA(nullptr, FALSE, name.c_str()), nullptr);
    EXPECT_EQ(GetLastError(), ERROR_ALREADY_EXISTS);
    EXPECT_EQ(ProbeExitCode(name), 1);

    EXPECT_EQ(ProbeExitCode(UniqueName("other")), 0) << "a different name is a different guard";
    EXPECT_NE(CreateMutexA(nullptr, FALSE, nullptr), nullptr);
    EXPECT_EQ(GetLastError(), ERROR_SUCCESS) << "unnamed mutexes never exist already";
}

} // namespace
