/// \file
/// A two-state GUI button with one animated image per state: a left click reports the toggle's
/// identifier and flips the state, which shows from the next frame on.
#ifndef KYREL_CTOGGLEBUTTON_H
#define KYREL_CTOGGLEBUTTON_H

#include "overlay/GuiSupport.h"

class CAnimatedImage;

/// An on/off button of a CWindow (which owns it), in screen pixels relative to the window.
class CToggleButton
{
public:
    /// A toggle without pictures, off, identifier -1.
    CToggleButton() = default;
    /// Both animations sit at (x, y); the toggle starts off.
    CToggleButton(const char* offBaseName, unsigned offFrameCount, const char* onBaseName,
                  unsigned onFrameCount, float x, float y, int identifier);
    ~CToggleButton();

    CToggleButton(const CToggleButton&) = delete;
    CToggleButton& operator=(const CToggleButton&) = delete;

    /// Hover and click test, then the drawing, offset by (ox, oy). A hidden toggle neither draws
    /// nor reacts.
    void DrawAt(float ox, float oy);
    /// Whether the mouse is over the off picture (edges included); on a click of this frame that
    /// happened over it, a clickable toggle reports its identifier and flips.
    bool IsMouseOver(float ox, float oy);

    /// Position and size are the off animation's (the size of its first frame).
    ///@{
    float GetX() const;
    float GetY() const;
    float GetWidth() const;
    float GetHeight() const;
    ///@}
    /// Moves both animations; whole pixels: the value is truncated.
    ///@{
    void SetX(float x);
    void SetY(float y);
    void SetPosition(float x, float y);
    ///@}
    /// Stretches every frame of both states to w x h.
    void SetSize(float w, float h);

    /// The state: off at construction, flipped by each click.
    bool IsOn() const { return on; }
    /// Sets the state without reporting a click.
    void SetOn(bool state) { on = state; }
    /// A hint printed at the absolute position (x, y) while hovered and shown; the text is copied.
    ///@{
    void SetHint(const char* text, float x, float y) { hint.Set(text, x, y); }
    void ShowHint(bool shown) { hint.shown = shown; }
    ///@}
    /// A toggle that is not clickable neither flips nor reports (clickable by default).
    void SetClickable(bool clickableNow) { clickable = clickableNow; }
    /// Visible by default.
    void SetVisible(bool shown) { visible = shown; }
    /// Whether the mouse was over the toggle at its last draw.
    bool IsHovered() const { return hovered; }
    /// The identifier a click reports (see CEventManager::GetClickedControl).
    int GetId() const { return identifier; }

private:
    bool clickable = true;
    bool hovered = false;
    bool visible = true;
    CAnimatedImage* offAnimation = nullptr;
    CAnimatedImage* onAnimation = nullptr;
    bool on = false;
    GuiHint hint;
    int identifier = -1;
};

#endif
