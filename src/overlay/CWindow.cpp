// GUI windows: background fitting, children kept inside, title-bar dragging kept on screen, and
// the per-frame drawing of the window and its children.
#include "overlay/CWindow.h"

#include "overlay/CImageButton.h"
#include "overlay/CScreenImage.h"
#include "overlay/CStaticText.h"
#include "overlay/CToggleButton.h"
#include "platform/CEventManager.h"
#include "platform/CGraphicsCore.h"

#include <algorithm>

CWindow::CWindow(float left, float top, float right, float bottom, const char* backgroundPath,
                 bool stretch, float backgroundAlpha, unsigned titleBarHeight, int identifier,
                 bool draggable)
    : top(top), right(right), bottom(bottom), left(left), draggable(draggable),
      identifier(identifier), titleBarHeight(titleBarHeight)
{
    if (!backgroundPath)
    {
        return;
    }
    CScreenImage* background = new CScreenImage(backgroundPath, backgroundAlpha);
    if (background->GetTextureName() == 0)
    {
        // The load has said why; the window goes on without a background.
        delete background;
        return;
    }
    FitBackground(background, stretch);
    pictures.push_back(background);
}

CWindow::~CWindow()
{
    for (CImageButton* button : buttons)
    {
        delete button;
    }
    for (CScreenImage* picture : pictures)
    {
        delete picture;
    }
    for (CToggleButton* toggle : toggles)
    {
        delete toggle;
    }
    for (CStaticText* text : staticTexts)
    {
        delete text;
    }
}

void CWindow::FitBackground(CScreenImage* background, bool stretch) const
{
    const float w = right - left;
    const float h = bottom - top;
    if (stretch || background->GetWidth() > w)
    {
        background->SetWidth(w);
    }
    if (stretch || background->GetHeight() > h)
    {
        background->SetHeight(h);
    }
}

void CWindow::SetRect(float newLeft, float newTop, float newRight, float newBottom)
{
    left = newLeft;
    top = newTop;
    right = newRight;
    bottom = newBottom;
}

void CWindow::SetActive(bool on)
{
    active = on;
    if (on)
    {
        visible = true;
    }
}

void CWindow::SetVisible(bool on)
{
    visible = on;
    if (!on)
    {
        active = false;
    }
}

void CWindow::AddImage(CScreenImage* image)
{
    if (image)
    {
        pictures.push_back(image);
    }
}

CScreenImage* CWindow::CreateImage(const char* path, float x, float y, float alpha)
{
    CScreenImage* image = new CScreenImage(path);
    image->position[0] = x;
    image->position[1] = y;
    image->SetAlpha(alpha);
    pictures.push_back(image);
    return image;
}

void CWindow::KeepInside(float& x, float& y, float controlWidth, float controlHeight) const
{
    const float w = right - left;
    const float h = bottom - top;
    if (x + controlWidth > w)
    {
        x = w - controlWidth;
    }
    if (y + controlHeight > h)
    {
        y = h - controlHeight;
    }
}

void CWindow::AddButton(CImageButton* button)
{
    if (!button)
    {
        return;
    }
    float x = button->GetX();
    float y = button->GetY();
    KeepInside(x, y, button->GetWidth(), button->GetHeight());
    button->SetX(x);
    button->SetY(y);
    buttons.push_back(button);
}

CImageButton* CWindow::CreateButton(const char* baseName, unsigned frameCount, float x, float y,
                                    int identifier)
{
    CImageButton* button = new CImageButton(baseName, frameCount, x, y, identifier);
    AddButton(button);
    return button;
}

void CWindow::AddToggle(CToggleButton* toggle)
{
    if (!toggle)
    {
        return;
    }
    float x = toggle->GetX();
    float y = toggle->GetY();
    KeepInside(x, y, toggle->GetWidth(), toggle->GetHeight());
    toggle->SetPosition(x, y);
    toggles.push_back(toggle);
}

CToggleButton* CWindow::CreateToggle(const char* offBaseName, unsigned offFrameCount,
                                     const char* onBaseName, unsigned onFrameCount, float x,
                                     float y, int identifier)
{
    CToggleButton* toggle =
        new CToggleButton(offBaseName, offFrameCount, onBaseName, onFrameCount, x, y, identifier);
    AddToggle(toggle);
    return toggle;
}

void CWindow::AddStaticText(CStaticText* text)
{
    if (text)
    {
        staticTexts.push_back(text);
    }
}

bool CWindow::IsMouseOverTitleBar()
{
    const bool over = IsMouseInside(left, top, right - left, static_cast<float>(titleBarHeight));
    if (draggable)
    {
        gGraphicsCore->SetCursorPressed(over);
    }
    return over;
}

void CWindow::ClampMove(float& dx, float& dy) const
{
    const float screenWidth = static_cast<float>(gGraphicsCore->GetWidth());
    const float screenHeight = static_cast<float>(gGraphicsCore->GetHeight());
    if (screenWidth <= 0.0f || screenHeight <= 0.0f)
    {
        return;  // no video mode yet: no screen to keep the window on
    }
    // The whole title bar stays on the screen; a window wider than the screen may only slide
    // between its two edges.
    const float width = right - left;
    const float lowestLeft = std::min(0.0f, screenWidth - width);
    const float highestLeft = std::max(0.0f, screenWidth - width);
    const float highestTop = std::max(0.0f, screenHeight - static_cast<float>(titleBarHeight));
    dx = std::min(std::max(left + dx, lowestLeft), highestLeft) - left;
    dy = std::min(std::max(top + dy, 0.0f), highestTop) - top;
}

void CWindow::MoveByMouse()
{
    float dx = static_cast<float>(gEventManager->GetMouseDeltaX());
    float dy = static_cast<float>(gEventManager->GetMouseDeltaY());
    ClampMove(dx, dy);
    left += dx;
    right += dx;
    top += dy;
    bottom += dy;
}

void CWindow::FollowDragButton(bool overTitleBar)
{
    const float width = right - left;
    const float barHeight = static_cast<float>(titleBarHeight);
    if (IsLeftPressInside(left, top, width, barHeight))
    {
        dragging = true;
    }
    // The window follows the pointer, which may have gone on past the place where the button
    // came up by the time the release is read: a release there, or with the pointer on the title
    // bar now, ends the drag.
    else if (IsLeftReleaseInside(left, top, width, barHeight) ||
             (overTitleBar && IsLeftReleaseThisFrame()))
    {
        dragging = false;
    }
}

void CWindow::Draw()
{
    if (!visible)
    {
        return;
    }
    if (draggable)
    {
        const bool overTitleBar = IsMouseOverTitleBar();
        FollowDragButton(overTitleBar);
        if (overTitleBar)
        {
            DrawHint();
        }
        if (dragging)
        {
            MoveByMouse();
        }
    }
    for (CScreenImage* picture : pictures)
    {
        picture->DrawAtOwnAlpha(left + picture->position[0], top + picture->position[1], 1.0f, 0.0f,
                                1.0f, 1.0f, 1.0f);
    }
    for (CImageButton* button : buttons)
    {
        button->DrawAt(left, top);
    }
    for (CToggleButton* toggle : toggles)
    {
        toggle->DrawAt(left, top);
    }
    for (CStaticText* text : staticTexts)
    {
        text->DrawOffset(left, top);
    }
}
