// Starts and stops the viewer's own Xvfb.
#include "viewer/HeadlessDisplay.h"

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <poll.h>
#include <string>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

namespace
{
const char* const SCREEN = "1024x768x24";
// A loaded machine may take a while to start a server; one that says nothing by then never will.
const int ANNOUNCE_MILLISECONDS = 30000;

// In the child, between fork and exec: only async-signal-safe calls.
[[noreturn]] void RunServer(pid_t viewer, const char* announcements)
{
    // Its own process group keeps a terminal's Ctrl-C away from the server: the viewer gets it
    // and stops the server itself once its window is gone.
    setpgid(0, 0);
    // Ends with the viewer whichever way the viewer ends.
    prctl(PR_SET_PDEATHSIG, SIGTERM);
    if (getppid() != viewer)
    {
        _exit(1);
    }
    int quiet = open("/dev/null", O_RDWR);
    dup2(quiet, STDIN_FILENO);
    dup2(quiet, STDOUT_FILENO);
    dup2(quiet, STDERR_FILENO);
    execlp("Xvfb", "Xvfb", "-displayfd", announcements, "-screen", "0", SCREEN, "-nolisten", "tcp",
           "-noreset", static_cast<char*>(nullptr));
    _exit(127);
}
}  // namespace

HeadlessDisplay::~HeadlessDisplay()
{
    Stop();
}

bool HeadlessDisplay::Start(std::string& reason)
{
    int fds[2];
    if (pipe(fds) != 0)
    {
        reason = "no display, and no pipe to start Xvfb";
        return false;
    }
    const pid_t viewer = getpid();
    const std::string announcements = std::to_string(fds[1]);
    serverPid = fork();
    if (serverPid == 0)
    {
        close(fds[0]);
        RunServer(viewer, announcements.c_str());
    }
    close(fds[1]);
    std::string number = serverPid > 0 ? ReadDisplayNumber(fds[0]) : std::string();
    close(fds[0]);
    if (number.empty())
    {
        Stop();
        reason = "no display, and Xvfb could not be started";
        return false;
    }
    setenv("DISPLAY", (":" + number).c_str(), 1);
    setenv("SDL_AUDIODRIVER", "dummy", 0);
    return true;
}

std::string HeadlessDisplay::ReadDisplayNumber(int announcements)
{
    using Clock = std::chrono::steady_clock;
    const Clock::time_point deadline =
        Clock::now() + std::chrono::milliseconds(ANNOUNCE_MILLISECONDS);
    std::string number;
    // The server writes its number and a line end once it accepts clients.
    while (Clock::now() < deadline)
    {
        pollfd ready = {announcements, POLLIN, 0};
        auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
        int polled = poll(&ready, 1, static_cast<int>(left.count()) + 1);
        if (polled < 0 && errno == EINTR)
        {
            continue;
        }
        char digit = 0;
        if (polled <= 0 || read(announcements, &digit, 1) != 1)
        {
            return std::string();
        }
        if (digit == '\n')
        {
            return number;
        }
        if (digit < '0' || digit > '9')
        {
            return std::string();
        }
        number += digit;
    }
    return std::string();
}

void HeadlessDisplay::Stop()
{
    if (serverPid <= 0)
    {
        return;
    }
    kill(serverPid, SIGTERM);
    while (waitpid(serverPid, nullptr, 0) < 0 && errno == EINTR)
    {
    }
    serverPid = -1;
}
