// Entry of kyrel-view: reads the command line, refuses a file it cannot show before any window
// opens, finds a display (its own virtual one for a screenshot run without one) and runs the viewer
// from the folder that holds its Data/ and shaders/.
#include "viewer/ModelCheck.h"
#include "viewer/ModelViewer.h"
#include "viewer/ViewerOptions.h"

#include <SDL/SDL.h>
#include <climits>
#include <cstdlib>
#include <iostream>
#include <string>
#include <unistd.h>
#include <vector>

namespace
{
const char* const PROGRAM = "kyrel-view";
const char* const VIRTUAL_SCREEN = "-screen 0 1024x768x24 -nolisten tcp -noreset";

int Fail(const std::string& message)
{
    std::cerr << PROGRAM << ": " << message << std::endl;
    return 1;
}

std::string CurrentDirectory()
{
    char buffer[PATH_MAX];
    return getcwd(buffer, sizeof buffer) ? std::string(buffer) : std::string(".");
}

// The working directory is about to change: every path the user gave becomes absolute first.
std::string Absolute(const std::string& path, const std::string& base)
{
    if (path.empty() || path[0] == '/')
    {
        return path;
    }
    return base + "/" + path;
}

std::string ProgramFolder()
{
    char buffer[PATH_MAX];
    ssize_t length = readlink("/proc/self/exe", buffer, sizeof buffer - 1);
    if (length <= 0)
    {
        return std::string();
    }
    std::string path(buffer, static_cast<size_t>(length));
    return path.substr(0, path.find_last_of('/'));
}

// Runs this program again, unchanged, on a virtual display of its own; returns only on failure.
int RerunOnVirtualDisplay(int argc, char** argv)
{
    std::string self = ProgramFolder() + "/" + PROGRAM;
    std::vector<char*> arguments = {const_cast<char*>("xvfb-run"), const_cast<char*>("-a"),
                                    const_cast<char*>("-s"), const_cast<char*>(VIRTUAL_SCREEN),
                                    &self[0]};
    for (int i = 1; i < argc; ++i)
    {
        arguments.push_back(argv[i]);
    }
    arguments.push_back(nullptr);
    setenv("SDL_AUDIODRIVER", "dummy", 0);
    execvp(arguments[0], arguments.data());
    return Fail("no display, and xvfb-run could not be started");
}

int RunViewer(const ViewerOptions& options, const ModelKind& kind, const ModelStats& stats)
{
    ModelViewer viewer(options, kind, stats);
    viewer.Init();
    if (!viewer.IsModelLoaded())
    {
        return Fail(options.modelPath + ": not a readable " + kind.name + " model");
    }
    if (!options.screenshotPath.empty())
    {
        if (!viewer.SaveScreenshot())
        {
            return Fail("cannot write " + options.screenshotPath);
        }
        return 0;
    }
    viewer.Run();
    viewer.OnExit();
    return 0;
}
}  // namespace

int main(int argc, char** argv)
{
    ViewerOptions options;
    std::string reason;
    if (!ParseViewerOptions(argc, argv, options, reason))
    {
        std::cerr << PROGRAM << ": " << reason << "\n" << VIEWER_USAGE << std::endl;
        return 1;
    }
    const ModelKind* kind = ModelKindFromPath(options.modelPath);
    ModelStats stats;
    if (!CheckModel(kind, options.modelPath, options.swapAxes, stats, reason))
    {
        return Fail(options.modelPath + ": " + reason);
    }
    const char* display = getenv("DISPLAY");
    if (!display || !*display)
    {
        if (options.screenshotPath.empty())
        {
            return Fail("no display; --screenshot OUT.png draws without one");
        }
        return RerunOnVirtualDisplay(argc, argv);
    }

    std::string base = CurrentDirectory();
    options.modelPath = Absolute(options.modelPath, base);
    options.texturePath = Absolute(options.texturePath, base);
    options.screenshotPath = Absolute(options.screenshotPath, base);
    options.frameLogPath = Absolute(options.frameLogPath, base);
    std::string runFolder = ProgramFolder();
    if (runFolder.empty() || chdir(runFolder.c_str()) != 0)
    {
        return Fail("cannot enter the program's folder " + runFolder);
    }

    int status = 1;
    try
    {
        status = RunViewer(options, *kind, stats);
    }
    catch (const std::string& message)
    {
        status = Fail(message);
    }
    catch (const std::exception& error)
    {
        status = Fail(error.what());
    }
    SDL_Quit();
    return status;
}
