/// \file
/// The engine object: starts the thirteen engine-wide managers in order, opens the video mode on
/// request, runs the engine's share of each frame and shuts the managers down again.
#ifndef KYREL_CENGINE_H
#define KYREL_CENGINE_H

#include <memory>
#include <string>

class CStartupReport;

/// Where the start-up report goes: the managers' progress lines, the driver's and the extension
/// checks' lines, the shaders and the font loaded, and whatever the application loads before its
/// first frame. Messages on standard error stay there whatever is chosen; a start-up that ends the
/// process shows the report on the console in any case.
enum class StartupReport
{
    Console,        ///< standard output, as programs on the engine have always had it
    Log,            ///< the log file alone, for programs whose console belongs to their own output
    ConsoleAndLog,  ///< both
};

/// The composition root: creating it creates every manager (the engine-wide pointers gGraphicsCore,
/// gTextureManager, ... gGameObjectManager), printing a progress line for each; destroying it
/// deletes them. Create one per program, usually through CApp.
class CEngine
{
public:
    /// Calls Startup, its report going where report says. An SDL subsystem that cannot start throws
    /// a std::string with the reason.
    explicit CEngine(StartupReport report = StartupReport::Console);
    /// Calls Shutdown.
    ~CEngine();

    /// Names one more folder to look in for the built-in shaders, font sheet and GUI art after the
    /// working directory; call it before Startup. An installed engine's own folder is KYREL_DATA_DIR,
    /// which its CMake package and pkg-config file define for the programs built on it.
    static void AddDataFolder(const std::string& folder);

    /// Creates the managers in their fixed order; no window exists yet.
    void Startup();
    /// Deletes the managers (the graphics core first) and resets their pointers to null.
    void Shutdown();

    /// Opens the window and GL context (see CGraphicsCore::SetVideoMode), prints the renderer's
    /// vendor, name and version, builds the built-in shaders and loads font number 1. Textures,
    /// models and lights can be created from then on.
    void SetVideoMode(int width, int height, int bitsPerPixel, bool fullscreen, bool only2D);
    /// Whether Frame prints the frames-per-second text (off by default).
    ///@{
    void SetShowFps(bool on);
    bool IsShowingFps() const { return showFps; }
    ///@}

    /// One frame of engine work: event poll, scene, 2D overlay, frames-per-second text.
    void Frame();

    /// Starts SDL's event-thread subsystem; throws a std::string with SDL's error on failure.
    /// Startup calls it.
    void StartEventSubsystem();

private:
    bool showFps;
    // Stands in for standard output from construction to the first frame; null for the console.
    std::unique_ptr<CStartupReport> startupReport;
};

#endif
