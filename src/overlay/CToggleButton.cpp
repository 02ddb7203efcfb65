// Toggle buttons: the state's animation picked before the click test, hover, hint.
#include "overlay/CToggleButton.h"

#include "overlay/CAnimatedImage.h"
#include "platform/CEventManager.h"

CToggleButton::CToggleButton(const char* offBaseName, unsigned offFrameCount,
                             const char* onBaseName, unsigned onFrameCount, float x, float y,
                             int identifier)
    : offAnimation(new CAnimatedImage(offBaseName, offFrameCount, x, y)),
      onAnimation(new CAnimatedImage(onBaseName, onFrameCount, x, y)), identifier(identifier)
{
}

CToggleButton::~CToggleButton()
{
    delete offAnimation;
    delete onAnimation;
}

float CToggleButton::GetX() const
{
    return offAnimation ? offAnimation->GetX() : 0.0f;
}

float CToggleButton::GetY() const
{
    return offAnimation ? offAnimation->GetY() : 0.0f;
}

float CToggleButton::GetWidth() const
{
    return FirstFrameSize(offAnimation).width;
}

float CToggleButton::GetHeight() const
{
    return FirstFrameSize(offAnimation).height;
}

void CToggleButton::SetX(float x)
{
    const float whole = static_cast<float>(static_cast<int>(x));
    for (CAnimatedImage* animation : {offAnimation, onAnimation})
    {
        if (animation)
        {
            animation->SetX(whole);
        }
    }
}

void CToggleButton::SetY(float y)
{
    const float whole = static_cast<float>(static_cast<int>(y));
    for (CAnimatedImage* animation : {offAnimation, onAnimation})
    {
        if (animation)
        {
            animation->SetY(whole);
        }
    }
}

void CToggleButton::SetPosition(float x, float y)
{
    for (CAnimatedImage* animation : {offAnimation, onAnimation})
    {
        if (animation)
        {
            animation->SetPosition(x, y);
        }
    }
}

void CToggleButton::SetSize(float w, float h)
{
    SetFrameSizes(offAnimation, w, h);
    SetFrameSizes(onAnimation, w, h);
}

bool CToggleButton::IsMouseOver(float ox, float oy)
{
    const ControlHit hit =
        HitTestControl(FirstFrameSize(offAnimation), ox + GetX(), oy + GetY(), clickable);
    if (hit.clicked)
    {
        gEventManager->SetClickedControl(identifier);
        on = !on;
    }
    return hit.over;
}

void CToggleButton::DrawAt(float ox, float oy)
{
    if (!visible || !offAnimation || !onAnimation)
    {
        return;
    }
    // Picked before the click test: a flip caused by this frame's click shows from the next one.
    CAnimatedImage* picked = on ? onAnimation : offAnimation;
    hovered = IsMouseOver(ox, oy);
    DrawControlAnimation(picked, ox + picked->GetX(), oy + picked->GetY(), hovered, hint);
}
