// Image buttons: hover animation, click reporting through the event manager, hint.
#include "overlay/CImageButton.h"

#include "overlay/CAnimatedImage.h"
#include "platform/CEventManager.h"

CImageButton::CImageButton(const char* baseName, unsigned frameCount, float x, float y,
                           int identifier)
    : position{x, y}, animation(new CAnimatedImage(baseName, frameCount, x, y)),
      identifier(identifier)
{
    TakeFirstFrameSize();
}

CImageButton::~CImageButton()
{
    delete animation;
}

void CImageButton::SetAnimation(const char* baseName, unsigned frameCount)
{
    delete animation;
    animation = new CAnimatedImage(baseName, frameCount, 0.0f, 0.0f);
    TakeFirstFrameSize();
}

void CImageButton::TakeFirstFrameSize()
{
    const ControlFrameSize size = FirstFrameSize(animation);
    width = size.width;
    height = size.height;
}

void CImageButton::SetSize(float w, float h)
{
    width = w;
    height = h;
    SetFrameSizes(animation, w, h);
}

void CImageButton::SetFramesPerSecond(unsigned rate)
{
    if (animation)
    {
        animation->SetFramesPerSecond(rate);
    }
}

CScreenImage* CImageButton::GetFrame(unsigned index) const
{
    return animation ? animation->GetFrame(index) : nullptr;
}

bool CImageButton::IsMouseOver(float ox, float oy)
{
    const ControlHit hit =
        HitTestControl(FirstFrameSize(animation), ox + position[0], oy + position[1], clickable);
    if (hit.clicked)
    {
        gEventManager->SetClickedControl(identifier);
    }
    return hit.over;
}

void CImageButton::DrawAt(float ox, float oy)
{
    if (!visible || !animation)
    {
        return;
    }
    hovered = IsMouseOver(ox, oy);
    DrawControlAnimation(animation, ox + position[0], oy + position[1], hovered, hint);
}
