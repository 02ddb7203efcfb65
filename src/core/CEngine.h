// The engine object: starts the thirteen engine-wide managers in order, opens the video mode on
// request, runs the engine's share of each frame and shuts the managers down again.
#ifndef KYREL_CENGINE_H
#define KYREL_CENGINE_H

class CEngine
{
public:
    CEngine();
    ~CEngine();

    void Startup();
    void Shutdown();

    void SetVideoMode(int width, int height, int bitsPerPixel, bool fullscreen, bool only2D);
    void SetShowFps(bool on);
    bool IsShowingFps() const { return showFps; }

    // One frame of engine work: event poll, scene, 2D overlay, frames-per-second text.
    void Frame();

    void StartEventSubsystem();

private:
    bool showFps;
};

#endif
