/// \file
/// What the GUI window and its controls share: the inclusive mouse-over test, the left click of
/// this frame tested where it happened, and a hint text that the widget keeps its own copy of.
#ifndef KYREL_GUISUPPORT_H
#define KYREL_GUISUPPORT_H

#include <string>

class CAnimatedImage;

/// Whether the mouse position of the last poll lies in the rectangle, edges included.
bool IsMouseInside(float left, float top, float width, float height);
/// Whether this frame's poll took a left-button press, or release, that happened inside the
/// rectangle, edges included. The place is the one the button event carries: a click queued behind
/// mouse motion is read after the pointer has moved on, and must still hit what was under it.
///@{
bool IsLeftPressInside(float left, float top, float width, float height);
bool IsLeftReleaseInside(float left, float top, float width, float height);
///@}
/// Whether this frame's poll took a left-button release, wherever it happened.
bool IsLeftReleaseThisFrame();

/// A hint text printed at an absolute screen position while its widget is hovered. The text is
/// copied, so a caller's temporary string cannot leave the widget pointing at freed memory.
struct GuiHint
{
    /// A null text clears the hint text; the hint is switched on either way.
    void Set(const char* newText, float newX, float newY);
    /// Prints with font number 1, character set 0, when shown and holding a text.
    void Draw() const;

    std::string text;                  ///< the widget's own copy
    bool shown = false;                ///< printed only while true
    float position[2] = {0.0f, 0.0f};  ///< screen pixels, origin top left
};

/// The size a control takes from its animation: that of the first frame, 0 x 0 when the frame is
/// missing. hasPicture tells whether that frame has a texture, i.e. whether the control can be
/// seen and so be under the mouse.
struct ControlFrameSize
{
    float width = 0.0f;       ///< pixels
    float height = 0.0f;      ///< pixels
    bool hasPicture = false;  ///< the first frame has a texture
};
/// The size of the animation's first frame; all zero for a null animation or one without frames.
ControlFrameSize FirstFrameSize(const CAnimatedImage* animation);
/// A control of that size with its top left corner at (left, top): whether the mouse is over it,
/// and whether this frame's left press clicked it (only a clickable control with a picture is).
struct ControlHit
{
    bool over = false;     ///< the mouse is over the control, edges included
    bool clicked = false;  ///< this frame's left press hit it
};
/// Tests a control of that size at (left, top) against the mouse and this frame's left press.
ControlHit HitTestControl(const ControlFrameSize& size, float left, float top, bool clickable);
/// A button's picture at (x, y): while hovered the animation plays once through and the hint is
/// printed; otherwise the animation is rewound and shows its first frame.
void DrawControlAnimation(CAnimatedImage* animation, float x, float y, bool hovered,
                          const GuiHint& hint);
/// Every frame of the animation stretched to w x h.
void SetFrameSizes(CAnimatedImage* animation, float w, float h);

#endif
