// Mouse tests against the event manager's state of this frame, and hint printing through the
// engine's font.
#include "overlay/GuiSupport.h"

#include "overlay/CAnimatedImage.h"
#include "overlay/CFont.h"
#include "overlay/CFontManager.h"
#include "overlay/CScreenImage.h"
#include "platform/CEventManager.h"

namespace
{
const unsigned GUI_FONT = 1;
const int HINT_CHARACTER_SET = 0;
}  // namespace

namespace
{
bool IsPointInside(int x, int y, float left, float top, float width, float height)
{
    const float px = static_cast<float>(x);
    const float py = static_cast<float>(y);
    return left <= px && px <= left + width && top <= py && py <= top + height;
}

bool IsButtonEventInside(int code, float left, float top, float width, float height)
{
    return gEventManager->IsLastEvent(code) &&
           IsPointInside(gEventManager->GetButtonX(), gEventManager->GetButtonY(), left, top, width,
                         height);
}
}  // namespace

bool IsMouseInside(float left, float top, float width, float height)
{
    return IsPointInside(gEventManager->GetMouseX(), gEventManager->GetMouseY(), left, top, width,
                         height);
}

bool IsLeftPressInside(float left, float top, float width, float height)
{
    return IsButtonEventInside(CEventManager::EVENT_LEFT_PRESSED, left, top, width, height);
}

bool IsLeftReleaseInside(float left, float top, float width, float height)
{
    return IsButtonEventInside(CEventManager::EVENT_LEFT_RELEASED, left, top, width, height);
}

bool IsLeftReleaseThisFrame()
{
    return gEventManager->IsLastEvent(CEventManager::EVENT_LEFT_RELEASED);
}

void GuiHint::Set(const char* newText, float newX, float newY)
{
    text = newText ? newText : "";
    position[0] = newX;
    position[1] = newY;
    shown = true;
}

void GuiHint::Draw() const
{
    if (!shown || text.empty())
    {
        return;
    }
    if (CFont* font = gFontManager->GetFont(GUI_FONT))
    {
        // Through "%s": a hint holding a percent sign is shown as written.
        font->PrintAt(position[0], position[1], HINT_CHARACTER_SET, "%s", text.c_str());
    }
}

ControlFrameSize FirstFrameSize(const CAnimatedImage* animation)
{
    ControlFrameSize size;
    if (const CScreenImage* first = animation ? animation->GetFrame(0) : nullptr)
    {
        size.width = first->GetWidth();
        size.height = first->GetHeight();
        size.hasPicture = first->GetTextureName() != 0;
    }
    return size;
}

ControlHit HitTestControl(const ControlFrameSize& size, float left, float top, bool clickable)
{
    ControlHit hit;
    if (size.hasPicture)
    {
        hit.over = IsMouseInside(left, top, size.width, size.height);
        hit.clicked = clickable && IsLeftPressInside(left, top, size.width, size.height);
    }
    return hit;
}

void SetFrameSizes(CAnimatedImage* animation, float w, float h)
{
    if (!animation)
    {
        return;
    }
    for (unsigned index = 0; index < animation->GetFrameCount(); ++index)
    {
        if (CScreenImage* frame = animation->GetFrame(index))
        {
            frame->SetWidth(w);
            frame->SetHeight(h);
        }
    }
}

void DrawControlAnimation(CAnimatedImage* animation, float x, float y, bool hovered,
                          const GuiHint& hint)
{
    if (hovered)
    {
        animation->DrawAt(x, y);
        hint.Draw();
    }
    else
    {
        animation->Restart();
        animation->DrawFrameAt(0, x, y);
    }
}
