#include "support/gui/ScaledRun.h"

#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <vector>

extern char** environ;

ChildRun RunAtScale(const std::string& filter, int scale)
{
    ChildRun run;
    int out[2];
    if (pipe(out) != 0) {
        run.output = "no pipe";
        return run;
    }
    // The environment as it is, with the scale set (the child starts an X server of its own
    // where Xvfb is there).
    const std::string scaleVar = "GDK_SCALE=" + std::to_string(scale);
    std::vector<std::string> env{scaleVar};
    for (char** e = environ; *e; ++e) {
        const std::string var = *e;
        if (var.rfind("GDK_SCALE=", 0) != 0 && var.rfind("GDK_DPI_SCALE=", 0) != 0) env.push_back(var);
    }
    std::vector<char*> envp;
    for (std::string& var : env) envp.push_back(var.data());
    envp.push_back(nullptr);
    std::string exe = "/proc/self/exe";
    std::string filterArg = "--gtest_filter=" + filter;
    std::string colour = "--gtest_color=no";
    char* argv[] = {exe.data(), filterArg.data(), colour.data(), nullptr};

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
    posix_spawn_file_actions_adddup2(&actions, out[1], STDERR_FILENO);
    posix_spawn_file_actions_addclose(&actions, out[0]);
    pid_t pid = -1;
    const int spawned = posix_spawn(&pid, exe.c_str(), &actions, nullptr, argv, envp.data());
    posix_spawn_file_actions_destroy(&actions);
    close(out[1]);
    if (spawned != 0) {
        close(out[0]);
        run.output = "the test program could not be started again";
        return run;
    }
    char buffer[4096];
    for (;;) {
        const ssize_t n = read(out[0], buffer, sizeof buffer);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        run.output.append(buffer, static_cast<size_t>(n));
    }
    close(out[0]);
    int status = 0;
    while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    run.passed = WIFEXITED(status) && WEXITSTATUS(status) == 0;
    return run;
}

int StartedScale()
{
    const char* text = std::getenv("GDK_SCALE");
    if (!text) return 1;
    char* end = nullptr;
    const long scale = std::strtol(text, &end, 10);
    return end != text && *end == '\0' && scale > 0 ? static_cast<int>(scale) : 1;
}
