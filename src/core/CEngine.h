/// \file
/// The engine object: starts the thirteen engine-wide managers in order, opens the video mode on
/// request, runs the engine's share of each frame and shuts the managers down again.
#ifndef KYREL_CENGINE_H
#define KYREL_CENGINE_H

#include <string>

class CEngine
{
public:
    CEngine();
    ~CEngine();

    /// Names one more folder to look in for the built-in shaders, font sheet and GUI art after the
    /// working directory; call it before Startup. An installed engine's own folder is KYREL_DATA_DIR,
    /// which its CMake package and pkg-config file define for the programs built on it.
    static void AddDataFolder(const std::string& folder);

    void Startup();
    void Shutdown();

    void SetVideoMode(int width, int height, int bitsPerPixel, bool fullscreen, bool only2D);
    void SetShowFps(bool on);
    bool IsShowingFps() const { return showFps; }

    /// One frame of engine work: event poll, scene, 2D overlay, frames-per-second text.
    void Frame();

    void StartEventSubsystem();

private:
    bool showFps;
};

#endif
