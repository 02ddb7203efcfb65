// Entry of kyrel-view: reads the command line, refuses a file it cannot show before any window
// opens, finds a display (its own virtual one for a screenshot run without one) and runs the viewer
// in the user's working directory, with its data found beside the program or in the installed
// share/kyrel folder. SIGTERM and SIGINT end it as Escape does.
#include "core/CEngine.h"
#include "io/Version.h"
#include "platform/CEventManager.h"
#include "platform/QuitSignals.h"
#include "viewer/HeadlessDisplay.h"
#include "viewer/ModelCheck.h"
#include "viewer/ModelViewer.h"
#include "viewer/ViewerOptions.h"

#include <SDL/SDL.h>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <memory>
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

// The build tree keeps Data/ and shaders/ beside the binary; an installed viewer finds them in
// <prefix>/share/kyrel beside <prefix>/bin. Both come after the working directory.
void NameDataFolders()
{
    std::string programFolder = ProgramFolder();
    if (programFolder.empty())
    {
        return;
    }
    CEngine::AddDataFolder(programFolder);
    CEngine::AddDataFolder(programFolder + "/../share/kyrel");
}

// Everything the command line names is checked before a window opens; false after the one line.
bool CheckFiles(const ViewerOptions& options, const ModelKind*& kind, ModelStats& stats,
                std::FILE*& frameLog, int& status)
{
    std::string reason;
    kind = ModelKindFromPath(options.modelPath);
    if (!CheckModel(kind, options.modelPath, options.swapAxes, stats, reason))
    {
        status = Fail(options.modelPath + ": " + reason);
        return false;
    }
    if (!options.texturePath.empty() && !CheckTexture(options.texturePath, reason))
    {
        status = Fail(options.texturePath + ": " + reason);
        return false;
    }
    if (!options.frameLogPath.empty())
    {
        frameLog = std::fopen(options.frameLogPath.c_str(), "w");
        if (!frameLog)
        {
            status = Fail(options.frameLogPath + ": cannot write the frame log");
            return false;
        }
    }
    return true;
}

int RunViewer(const ViewerOptions& options, const ModelKind& kind, const ModelStats& stats,
              std::FILE* frameLog)
{
    ModelViewer viewer(options, kind, stats, frameLog);
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
    if (options.help)
    {
        std::cout << VIEWER_USAGE << std::endl;
        return 0;
    }
    if (options.version)
    {
        std::cout << PROGRAM << " " << KyrelVersion() << std::endl;
        return 0;
    }
    const ModelKind* kind = nullptr;
    ModelStats stats;
    std::FILE* openedLog = nullptr;
    int status = 1;
    if (!CheckFiles(options, kind, stats, openedLog, status))
    {
        return status;
    }
    // Until the viewer takes it over.
    std::unique_ptr<std::FILE, int (*)(std::FILE*)> frameLog(openedLog, std::fclose);
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
    NameDataFolders();

    try
    {
        status = RunViewer(options, *kind, stats, frameLog.release());
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
