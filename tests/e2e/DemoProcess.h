// Runs the demo binary as a user would: on its own Xvfb display, from a working directory that
// holds Data/ and shaders/, with its console output captured. Drives it with xdotool and Xlib.
#ifndef KYREL_DEMOPROCESS_H
#define KYREL_DEMOPROCESS_H

#include "support/TempFiles.h"

#include <string>
#include <sys/types.h>
#include <vector>

struct _XDisplay;

namespace kyrel_e2e
{
// X11 types without Xlib's macros, which clash with the test framework's names.
using Window = unsigned long;
using Display = _XDisplay;

// A virtual X display for one test.
class VirtualDisplay
{
public:
    VirtualDisplay(int width = 1024, int height = 768);
    ~VirtualDisplay();
    VirtualDisplay(const VirtualDisplay&) = delete;
    VirtualDisplay& operator=(const VirtualDisplay&) = delete;

    bool IsRunning() const { return display != nullptr; }
    const std::string& Name() const { return name; }
    Display* Connection() const { return display; }
    // Saves the whole screen as a PNG; false when it could not.
    bool Screenshot(const std::string& pngPath) const;
    // The whole screen, R, G, B per pixel, top row first; empty when it could not be read.
    struct Image
    {
        int width = 0;
        int height = 0;
        std::vector<unsigned char> rgb;
        const unsigned char* At(int x, int y) const { return &rgb[(size_t(y) * width + x) * 3]; }
    };
    Image Capture() const;

private:
    pid_t serverPid = -1;
    std::string name;
    Display* display = nullptr;
};

// A scratch working directory with links to the demo's data.
class WorkingDirectory : public kyrel_test::DemoWorkingDirectory
{
public:
    WorkingDirectory() : DemoWorkingDirectory("kyrel-e2e", KYREL_ASSETS_DIR) {}
};

class DemoProcess
{
public:
    // Runs the demo, or another program on the engine (binary) with its arguments.
    DemoProcess(const VirtualDisplay& display, const std::string& workingDirectory,
                const std::vector<std::string>& extraEnvironment = {},
                const std::string& binary = KYREL_DEMO_BINARY,
                const std::vector<std::string>& arguments = {});
    ~DemoProcess();
    DemoProcess(const DemoProcess&) = delete;
    DemoProcess& operator=(const DemoProcess&) = delete;

    // Waits for the demo's top-level window (mapped, with a caption); 0 on time-out.
    Window WaitForWindow(double seconds);
    // Waits for the process to end; its exit status, or -1 on time-out (the process is killed).
    int WaitForExit(double seconds);
    bool IsRunning();
    // The signal that ended the process, 0 when it exited (or still runs).
    int TerminatingSignal() const { return terminatingSignal; }

    // Waits until the window's caption holds text; false on time-out or when the process ended.
    bool WaitForCaption(Window window, const std::string& text, double seconds);

    // Everything printed so far on standard output / standard error.
    std::string Output();
    std::string Errors();
    std::string WindowCaption(Window window) const;
    // Size of a window; false when it cannot be read.
    bool WindowSize(Window window, int& width, int& height) const;

    void PressKey(const std::string& key) const;
    void HoldKey(const std::string& key, double seconds) const;
    void KeyDown(const std::string& key) const;
    void KeyUp(const std::string& key) const;
    void MoveMouseBy(int dx, int dy) const;
    void MoveMouseTo(int x, int y) const;
    void MouseDown(int button) const;
    void MouseUp(int button) const;
    // Sends the window manager's close request (WM_DELETE_WINDOW).
    void CloseWindow(Window window) const;
    // Sends a signal to the process (not to anything it started).
    void Signal(int number) const;
    // Whether the process catches the signal with a handler of its own (so it does not die of it).
    bool CatchesSignal(int number) const;

private:
    void Xdotool(const std::vector<std::string>& arguments) const;

    const VirtualDisplay& display;
    pid_t pid = -1;
    int exitStatus = -1;
    int terminatingSignal = 0;
    // Holds the demo's standard output and error.
    kyrel_test::TempDir streams{"kyrel-e2e-streams"};
    std::string outputPath;
    std::string errorPath;
};

std::vector<std::string> SplitLines(const std::string& text);
// Live processes whose environment holds the assignment (NAME=value): a run's descendants, given
// one of their own, found even after their parent is gone.
int ProcessesWithEnvironment(const std::string& assignment);
using kyrel_test::ReadFile;
}  // namespace kyrel_e2e

#endif
