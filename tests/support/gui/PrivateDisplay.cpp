#include "support/gui/PrivateDisplay.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <string>

PrivateDisplay::PrivateDisplay()
{
    int ready[2];
    if (pipe2(ready, O_CLOEXEC) != 0) return;
    const pid_t parent = getpid();
    const pid_t pid = fork();
    if (pid < 0) {
        close(ready[0]);
        close(ready[1]);
        return;
    }
    if (pid == 0) {
        // The server goes when the test program has gone, however that ends.
        prctl(PR_SET_PDEATHSIG, SIGTERM);
        if (getppid() != parent) _exit(1);
        const int quiet = open("/dev/null", O_RDWR);
        if (quiet >= 0) {
            dup2(quiet, STDIN_FILENO);
            dup2(quiet, STDOUT_FILENO);
            dup2(quiet, STDERR_FILENO);
        }
        // -displayfd: Xvfb takes the first free display and writes its number once it accepts
        // connections.
        const int fd = dup(ready[1]);  // without close-on-exec
        const std::string fdText = std::to_string(fd);
        execlp("Xvfb", "Xvfb", "-displayfd", fdText.c_str(), "-screen", "0", "1280x1024x24", "-nolisten", "tcp",
               "-noreset", static_cast<char*>(nullptr));
        _exit(127);
    }
    close(ready[1]);
    std::string number;
    char c;
    for (;;) {
        const ssize_t n = read(ready[0], &c, 1);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0 || c == '\n') break;
        number += c;
    }
    close(ready[0]);
    if (number.empty()) {  // no Xvfb, or it failed before it was ready
        waitpid(pid, nullptr, 0);
        return;
    }
    pid_ = pid;
    name_ = ":" + number;
    setenv("DISPLAY", name_.c_str(), 1);
}
