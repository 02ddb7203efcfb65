/// \file
/// A GUI button drawn from an animated image: the first frame at rest, the animation played once
/// through while the mouse is over it, and a left click reported by the button's identifier.
#ifndef KYREL_CIMAGEBUTTON_H
#define KYREL_CIMAGEBUTTON_H

#include "overlay/GuiSupport.h"

class CAnimatedImage;
class CScreenImage;

/// An image button of a CWindow (which owns it), in screen pixels relative to the window.
class CImageButton
{
public:
    /// A button without pictures, at (0, 0), identifier -1.
    CImageButton() = default;
    /// Frames are read from baseName + 1, 2, ... + ".png"; the size is the first frame's.
    CImageButton(const char* baseName, unsigned frameCount, float x, float y, int identifier);
    ~CImageButton();

    CImageButton(const CImageButton&) = delete;
    CImageButton& operator=(const CImageButton&) = delete;

    /// Replaces the animation (the old one is deleted) and takes the size of its first frame.
    void SetAnimation(const char* baseName, unsigned frameCount);

    /// Hover and click test, then the drawing, at the position offset by (ox, oy): the window
    /// passes its top-left corner. A hidden button neither draws nor reacts.
    void DrawAt(float ox, float oy);
    /// DrawAt with no offset: the position is in screen pixels.
    void Draw() { DrawAt(0.0f, 0.0f); }
    /// Whether the mouse is over the button (edges included); on a click of this frame that
    /// happened over it, a clickable button writes its identifier into the clicked-control slot.
    /// A button without a loaded first frame is never under the mouse.
    bool IsMouseOver(float ox, float oy);

    /// Top-left corner in pixels, relative to the window that draws the button.
    ///@{
    float GetX() const { return position[0]; }
    float GetY() const { return position[1]; }
    void SetX(float x) { position[0] = x; }
    void SetY(float y) { position[1] = y; }
    ///@}
    /// Size in pixels: the first frame's, or what SetSize gave.
    ///@{
    float GetWidth() const { return width; }
    float GetHeight() const { return height; }
    ///@}
    /// Stretches every frame to w x h.
    void SetSize(float w, float h);

    /// A hint printed at the absolute position (x, y) while the mouse is over the button and the
    /// hint is shown; the button keeps a copy of the text.
    ///@{
    void SetHint(const char* text, float x, float y) { hint.Set(text, x, y); }
    void ShowHint(bool on) { hint.shown = on; }
    ///@}
    /// A button that is not clickable still animates but reports no click (clickable by default).
    void SetClickable(bool on) { clickable = on; }
    /// Visible by default.
    ///@{
    void SetVisible(bool on) { visible = on; }
    bool IsVisible() const { return visible; }
    ///@}
    /// Whether the mouse was over the button at its last draw.
    bool IsHovered() const { return hovered; }
    /// The identifier a click reports (see CEventManager::GetClickedControl).
    int GetId() const { return identifier; }

    /// Playing speed of the hover animation.
    void SetFramesPerSecond(unsigned rate);
    /// Frame index (from 0) of the animation; null past the end or without one.
    CScreenImage* GetFrame(unsigned index) const;
    /// The button's animation, owned by the button; null for a default-constructed one.
    CAnimatedImage* GetAnimation() const { return animation; }

private:
    void TakeFirstFrameSize();

    float position[2] = {0.0f, 0.0f};
    bool clickable = true;
    bool visible = true;
    bool hovered = false;
    CAnimatedImage* animation = nullptr;
    GuiHint hint;
    float width = 0.0f;
    float height = 0.0f;
    int identifier = -1;
};

#endif
