// Animated images: numbered frame files, and the frame advance by SDL's millisecond clock.
#include "overlay/CAnimatedImage.h"

#include "overlay/CScreenImage.h"

#include <SDL/SDL.h>
#include <string>

namespace
{
const char* const FRAME_EXTENSION = ".png";
const float MILLISECONDS_PER_SECOND = 1000.0f;
}  // namespace

CAnimatedImage::CAnimatedImage() : lastTick(SDL_GetTicks()) {}

CAnimatedImage::CAnimatedImage(const char* baseName, unsigned count, float x, float y)
    : frameCount(count), currentFrame(1), lastTick(SDL_GetTicks())
{
    LoadFrames(baseName, count);
    SetPosition(x, y);
}

CAnimatedImage::~CAnimatedImage()
{
    for (CScreenImage* frame : frames)
    {
        delete frame;
    }
}

void CAnimatedImage::LoadFrames(const char* baseName, unsigned count)
{
    const std::string base = baseName ? baseName : "";
    for (unsigned number = 1; number <= count; ++number)
    {
        const std::string path = base + std::to_string(number) + FRAME_EXTENSION;
        frames.push_back(new CScreenImage(path.c_str(), 1.0f));
    }
}

void CAnimatedImage::Draw()
{
    DrawAt(position[0], position[1]);
}

void CAnimatedImage::DrawAt(float x, float y)
{
    DrawCurrent(x, y);
    if (FrameDue() && currentFrame < frameCount)
    {
        ++currentFrame;
    }
}

void CAnimatedImage::DrawLooped()
{
    DrawLoopedAt(position[0], position[1]);
}

void CAnimatedImage::DrawLoopedAt(float x, float y)
{
    DrawCurrent(x, y);
    if (FrameDue())
    {
        ++currentFrame;
        if (currentFrame > frameCount)
        {
            currentFrame = 1;
        }
    }
}

void CAnimatedImage::DrawFrame(unsigned index)
{
    DrawFrameAt(index, position[0], position[1]);
}

void CAnimatedImage::DrawFrameAt(unsigned index, float x, float y)
{
    if (CScreenImage* frame = GetFrame(index))
    {
        frame->DrawAt(x, y, 1.0f, 0.0f, 1.0f, 1.0f, 1.0f, 1.0f);
    }
}

CScreenImage* CAnimatedImage::GetFrame(unsigned index) const
{
    return index < frames.size() ? frames[index] : nullptr;
}

// Frame numbers count from 1; frame 0 (nothing loaded yet) has nothing to draw.
void CAnimatedImage::DrawCurrent(float x, float y)
{
    if (currentFrame >= 1)
    {
        DrawFrameAt(currentFrame - 1, x, y);
    }
}

bool CAnimatedImage::FrameDue()
{
    if (framesPerSecond == 0)
    {
        return false;
    }
    const unsigned now = SDL_GetTicks();
    const float interval = MILLISECONDS_PER_SECOND / static_cast<float>(framesPerSecond);
    if (static_cast<float>(now - lastTick) > interval)
    {
        lastTick = now;
        return true;
    }
    return false;
}
