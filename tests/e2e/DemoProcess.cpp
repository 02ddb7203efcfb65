// Process, display and input plumbing for the end-to-end tests.
#include "e2e/DemoProcess.h"

#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <X11/Xatom.h>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace kyrel_e2e
{
namespace
{
using Clock = std::chrono::steady_clock;

double SecondsSince(Clock::time_point start)
{
    return std::chrono::duration<double>(Clock::now() - start).count();
}

void Sleep(double seconds)
{
    std::this_thread::sleep_for(std::chrono::duration<double>(seconds));
}

// Runs a program with arguments on the given display and waits for it; its exit status.
int RunOnDisplay(const std::string& displayName, const std::vector<std::string>& argv)
{
    pid_t child = fork();
    if (child == 0)
    {
        setenv("DISPLAY", displayName.c_str(), 1);
        std::vector<char*> args;
        for (const std::string& a : argv)
        {
            args.push_back(const_cast<char*>(a.c_str()));
        }
        args.push_back(nullptr);
        int devnull = open("/dev/null", O_WRONLY);
        dup2(devnull, STDOUT_FILENO);
        execvp(args[0], args.data());
        _exit(127);
    }
    int status = 0;
    waitpid(child, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// A client's windows come and go while the tests look at them (SDL replaces its window as the
// video mode is set): a request about a window that is gone fails quietly instead of ending the
// test process, as Xlib's default handler would.
int IgnoreXError(Display*, XErrorEvent*)
{
    return 0;
}

// The caption-carrying top-level window of a client; SDL also makes an unnamed child window.
Window FindNamedWindow(Display* display, Window parent)
{
    Window root, parentOut, *children = nullptr;
    unsigned count = 0;
    if (!XQueryTree(display, parent, &root, &parentOut, &children, &count))
    {
        return 0;
    }
    Window found = 0;
    for (unsigned i = 0; i < count && !found; ++i)
    {
        char* name = nullptr;
        if (XFetchName(display, children[i], &name) && name)
        {
            found = children[i];
            XFree(name);
        }
    }
    if (children)
    {
        XFree(children);
    }
    return found;
}
}  // namespace

VirtualDisplay::VirtualDisplay(int width, int height)
{
    int fds[2];
    if (pipe(fds) != 0)
    {
        return;
    }
    std::string screen = std::to_string(width) + "x" + std::to_string(height) + "x24";
    serverPid = fork();
    if (serverPid == 0)
    {
        close(fds[0]);
        int devnull = open("/dev/null", O_WRONLY);
        dup2(devnull, STDERR_FILENO);
        std::string fd = std::to_string(fds[1]);
        execlp("Xvfb", "Xvfb", "-displayfd", fd.c_str(), "-screen", "0", screen.c_str(),
               "-nolisten", "tcp", "-noreset", static_cast<char*>(nullptr));
        _exit(127);
    }
    close(fds[1]);
    char number[32] = {0};
    ssize_t got = 0;
    size_t used = 0;
    while (used + 1 < sizeof number && (got = read(fds[0], number + used, 1)) == 1 &&
           number[used] != '\n')
    {
        ++used;
    }
    close(fds[0]);
    number[used] = '\0';
    if (used == 0)
    {
        return;
    }
    name = std::string(":") + number;
    XSetErrorHandler(IgnoreXError);
    // The server announces its number before it always accepts clients; retry for a while.
    for (int attempt = 0; attempt < 100 && !display; ++attempt)
    {
        display = XOpenDisplay(name.c_str());
        if (!display)
        {
            Sleep(0.1);
        }
    }
}

VirtualDisplay::~VirtualDisplay()
{
    if (display)
    {
        XCloseDisplay(display);
    }
    if (serverPid > 0)
    {
        kill(serverPid, SIGTERM);
        waitpid(serverPid, nullptr, 0);
    }
}

bool VirtualDisplay::Screenshot(const std::string& pngPath) const
{
    std::string command =
        "DISPLAY=" + name + " xwd -root -silent | convert xwd:- '" + pngPath + "'";
    return system(command.c_str()) == 0;
}

VirtualDisplay::Image VirtualDisplay::Capture() const
{
    Image image;
    Window root = DefaultRootWindow(display);
    XWindowAttributes attributes;
    if (!XGetWindowAttributes(display, root, &attributes))
    {
        return image;
    }
    XImage* shot = XGetImage(display, root, 0, 0, static_cast<unsigned>(attributes.width),
                             static_cast<unsigned>(attributes.height), AllPlanes, ZPixmap);
    if (!shot)
    {
        return image;
    }
    image.width = attributes.width;
    image.height = attributes.height;
    image.rgb.resize(static_cast<size_t>(image.width) * image.height * 3);
    for (int y = 0; y < image.height; ++y)
    {
        for (int x = 0; x < image.width; ++x)
        {
            unsigned long pixel = XGetPixel(shot, x, y);
            unsigned char* out = &image.rgb[(static_cast<size_t>(y) * image.width + x) * 3];
            out[0] = static_cast<unsigned char>((pixel & shot->red_mask) >> 16);
            out[1] = static_cast<unsigned char>((pixel & shot->green_mask) >> 8);
            out[2] = static_cast<unsigned char>(pixel & shot->blue_mask);
        }
    }
    XDestroyImage(shot);
    return image;
}

DemoProcess::DemoProcess(const VirtualDisplay& virtualDisplay, const std::string& workingDirectory,
                         const std::vector<std::string>& extraEnvironment,
                         const std::string& binary, const std::vector<std::string>& arguments)
    : display(virtualDisplay)
{
    outputPath = kyrel_test::WriteFile(streams.File("out"), "");
    errorPath = kyrel_test::WriteFile(streams.File("err"), "");
    pid = fork();
    if (pid == 0)
    {
        if (chdir(workingDirectory.c_str()) != 0)
        {
            _exit(126);
        }
        setenv("DISPLAY", display.Name().c_str(), 1);
        setenv("SDL_AUDIODRIVER", "dummy", 1);
        setenv("SDL_VIDEODRIVER", "x11", 1);
        for (const std::string& assignment : extraEnvironment)
        {
            putenv(const_cast<char*>(assignment.c_str()));
        }
        int out = open(outputPath.c_str(), O_WRONLY | O_TRUNC);
        int err = open(errorPath.c_str(), O_WRONLY | O_TRUNC);
        dup2(out, STDOUT_FILENO);
        dup2(err, STDERR_FILENO);
        std::vector<char*> argv = {const_cast<char*>(binary.c_str())};
        for (const std::string& argument : arguments)
        {
            argv.push_back(const_cast<char*>(argument.c_str()));
        }
        argv.push_back(nullptr);
        execv(argv[0], argv.data());
        _exit(127);
    }
}

DemoProcess::~DemoProcess()
{
    if (IsRunning())
    {
        kill(pid, SIGKILL);
        waitpid(pid, nullptr, 0);
    }
}

bool DemoProcess::IsRunning()
{
    if (pid <= 0 || exitStatus >= 0)
    {
        return false;
    }
    int status = 0;
    pid_t done = waitpid(pid, &status, WNOHANG);
    if (done == pid)
    {
        exitStatus = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
        terminatingSignal = WIFSIGNALED(status) ? WTERMSIG(status) : 0;
        return false;
    }
    return true;
}

Window DemoProcess::WaitForWindow(double seconds)
{
    Clock::time_point start = Clock::now();
    while (SecondsSince(start) < seconds && IsRunning())
    {
        Window window =
            FindNamedWindow(display.Connection(), DefaultRootWindow(display.Connection()));
        if (window)
        {
            return window;
        }
        Sleep(0.1);
    }
    return 0;
}

int DemoProcess::WaitForExit(double seconds)
{
    Clock::time_point start = Clock::now();
    while (SecondsSince(start) < seconds)
    {
        if (!IsRunning())
        {
            return exitStatus;
        }
        Sleep(0.05);
    }
    kill(pid, SIGKILL);
    waitpid(pid, nullptr, 0);
    exitStatus = 137;
    return -1;
}

bool DemoProcess::WaitForCaption(Window window, const std::string& text, double seconds)
{
    Clock::time_point start = Clock::now();
    while (SecondsSince(start) < seconds && IsRunning())
    {
        if (WindowCaption(window).find(text) != std::string::npos)
        {
            return true;
        }
        Sleep(0.1);
    }
    return false;
}

std::string DemoProcess::Output()
{
    return ReadFile(outputPath);
}
std::string DemoProcess::Errors()
{
    return ReadFile(errorPath);
}

std::string DemoProcess::WindowCaption(Window window) const
{
    char* name = nullptr;
    std::string caption;
    if (XFetchName(display.Connection(), window, &name) && name)
    {
        caption = name;
        XFree(name);
    }
    return caption;
}

bool DemoProcess::WindowSize(Window window, int& width, int& height) const
{
    XWindowAttributes attributes;
    if (!XGetWindowAttributes(display.Connection(), window, &attributes))
    {
        return false;
    }
    width = attributes.width;
    height = attributes.height;
    return true;
}

void DemoProcess::Xdotool(const std::vector<std::string>& arguments) const
{
    std::vector<std::string> argv = {"xdotool"};
    argv.insert(argv.end(), arguments.begin(), arguments.end());
    RunOnDisplay(display.Name(), argv);
}

void DemoProcess::PressKey(const std::string& key) const
{
    Xdotool({"key", key});
}

void DemoProcess::HoldKey(const std::string& key, double seconds) const
{
    Xdotool({"keydown", key});
    Sleep(seconds);
    Xdotool({"keyup", key});
}

void DemoProcess::KeyDown(const std::string& key) const
{
    Xdotool({"keydown", key});
}

void DemoProcess::KeyUp(const std::string& key) const
{
    Xdotool({"keyup", key});
}

void DemoProcess::MoveMouseBy(int dx, int dy) const
{
    Xdotool({"mousemove_relative", "--", std::to_string(dx), std::to_string(dy)});
}

void DemoProcess::MoveMouseTo(int x, int y) const
{
    Xdotool({"mousemove", std::to_string(x), std::to_string(y)});
}

void DemoProcess::MouseDown(int button) const
{
    Xdotool({"mousedown", std::to_string(button)});
}

void DemoProcess::MouseUp(int button) const
{
    Xdotool({"mouseup", std::to_string(button)});
}

void DemoProcess::CloseWindow(Window window) const
{
    Display* connection = display.Connection();
    XEvent event;
    memset(&event, 0, sizeof event);
    event.xclient.type = ClientMessage;
    event.xclient.window = window;
    event.xclient.message_type = XInternAtom(connection, "WM_PROTOCOLS", False);
    event.xclient.format = 32;
    event.xclient.data.l[0] = static_cast<long>(XInternAtom(connection, "WM_DELETE_WINDOW", False));
    event.xclient.data.l[1] = CurrentTime;
    XSendEvent(connection, window, False, NoEventMask, &event);
    XFlush(connection);
}

void DemoProcess::Signal(int number) const
{
    kill(pid, number);
}

bool DemoProcess::CatchesSignal(int number) const
{
    // "SigCgt:" in the process status: a hexadecimal mask, bit n - 1 for signal n.
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    std::string line;
    while (std::getline(status, line))
    {
        if (line.rfind("SigCgt:", 0) == 0)
        {
            unsigned long long caught = std::stoull(line.substr(7), nullptr, 16);
            return (caught >> (number - 1)) & 1u;
        }
    }
    return false;
}

int ProcessesWithEnvironment(const std::string& assignment)
{
    // Entries are separated by NULs; a zombie's environment reads empty.
    const std::string separator(1, '\0');
    const std::string wanted = separator + assignment + separator;
    int found = 0;
    DIR* processes = opendir("/proc");
    while (dirent* entry = processes ? readdir(processes) : nullptr)
    {
        const int process = atoi(entry->d_name);
        if (process > 0 && process != static_cast<int>(getpid()))
        {
            const std::string environment =
                separator + ReadFile(std::string("/proc/") + entry->d_name + "/environ");
            found += environment.find(wanted) != std::string::npos ? 1 : 0;
        }
    }
    if (processes)
    {
        closedir(processes);
    }
    return found;
}

std::vector<std::string> SplitLines(const std::string& text)
{
    std::vector<std::string> lines;
    std::istringstream stream(text);
    std::string line;
    while (std::getline(stream, line))
    {
        lines.push_back(line);
    }
    return lines;
}
}  // namespace kyrel_e2e
