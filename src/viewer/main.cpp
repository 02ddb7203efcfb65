// Entry of kyrel-view: reads the command line, refuses a file it cannot show before any window
// opens, finds a display (its own virtual one for a screenshot run without one) and runs the viewer
// from the folder that holds its Data/ and shaders/. SIGTERM and SIGINT end it as Escape does.
#include "platform/CEventManager.h"
#include "platform/QuitSignals.h"
#include "viewer/HeadlessDisplay.h"
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
            // A closed window or a quit signal ends the frames before the picture is taken.
            bool quit = gEventManager->IsLastEvent(CEventManager::EVENT_QUIT);
            return Fail((quit ? "quit before writing " : "cannot write ") + options.screenshotPath);
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
    // First of all: a signal during the model check, long for a big file, ends the viewer too.
    QuitSignals::Install();
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
    // Declared before the engine's run so that it outlives the window drawn on it.
    HeadlessDisplay headless;
    const char* display = getenv("DISPLAY");
    if (!display || !*display)
    {
        if (options.screenshotPath.empty())
        {
            return Fail("no display; --screenshot OUT.png draws without one");
        }
        if (!headless.Start(reason))
        {
            return Fail(reason);
        }
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
    // Ended by a signal: the run stopped short, whatever it had done by then.
    if (QuitSignals::ReceivedSignal() != 0)
    {
        return QuitSignals::ExitStatus(QuitSignals::ReceivedSignal());
    }
    return status;
}
