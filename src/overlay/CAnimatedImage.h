/// \file
/// A sequence of screen images read from numbered files (base name, 1, 2, ... and ".png") and
/// played at a fixed frame rate, once through or in a loop.
#ifndef KYREL_CANIMATEDIMAGE_H
#define KYREL_CANIMATEDIMAGE_H

#include <vector>

class CScreenImage;

/// An animation of screen images, drawn in 2D mode at a position in screen pixels.
class CAnimatedImage
{
public:
    static const unsigned DEFAULT_FRAMES_PER_SECOND = 20;  ///< playing speed until changed

    /// No frames, at (0, 0).
    CAnimatedImage();
    /// Loads count frames from baseName (see LoadFrames) and places the animation at (x, y).
    CAnimatedImage(const char* baseName, unsigned count, float x, float y);
    /// Deletes the frames it created; their textures stay with the GL context.
    ~CAnimatedImage();

    CAnimatedImage(const CAnimatedImage&) = delete;
    CAnimatedImage& operator=(const CAnimatedImage&) = delete;

    /// Appends count frames read from base name + number + ".png"; a file that cannot be read
    /// still gives a frame, one that draws nothing.
    void LoadFrames(const char* baseName, unsigned count);

    /// Draw the current frame, then advance at most one frame: once through (stopping on the
    /// last frame) or looped (back to the first after the last).
    /// The At forms draw at (x, y) instead of the stored position.
    ///@{
    void Draw();
    void DrawAt(float x, float y);
    void DrawLooped();
    void DrawLoopedAt(float x, float y);
    ///@}
    /// Draw one frame, counted from 0, without advancing; an index past the end draws nothing.
    ///@{
    void DrawFrame(unsigned index);
    void DrawFrameAt(unsigned index, float x, float y);
    ///@}
    /// Goes back to the first frame.
    void Restart() { currentFrame = 1; }

    /// The frame with that index counted from 0; null past the end.
    CScreenImage* GetFrame(unsigned index) const;
    /// Number of frames loaded.
    unsigned GetFrameCount() const { return frameCount; }
    /// The frame Draw shows next, counted from 1; 0 while no frame is loaded.
    unsigned GetCurrentFrame() const { return currentFrame; }
    /// Playing speed; 0 stops the animation on its current frame.
    ///@{
    unsigned GetFramesPerSecond() const { return framesPerSecond; }
    void SetFramesPerSecond(unsigned rate) { framesPerSecond = rate; }
    ///@}
    /// Top-left corner in screen pixels, used by Draw and DrawLooped.
    ///@{
    float GetX() const { return position[0]; }
    float GetY() const { return position[1]; }
    void SetX(float x) { position[0] = x; }
    void SetY(float y) { position[1] = y; }
    void SetPosition(float x, float y)
    {
        position[0] = x;
        position[1] = y;
    }
    ///@}

private:
    void DrawCurrent(float x, float y);
    /// Whether more than one frame interval has passed since the last change; restarts the
    /// interval when it has.
    bool FrameDue();

    std::vector<CScreenImage*> frames;
    unsigned frameCount = 0;
    unsigned currentFrame = 0;
    float position[2] = {0.0f, 0.0f};
    unsigned lastTick = 0;
    unsigned framesPerSecond = DEFAULT_FRAMES_PER_SECOND;
};

#endif
