/// \file
/// A GUI window: a screen-space panel with an optional background picture, a title bar to drag it
/// by, a hint shown over the title bar, and its pictures, image buttons, toggles and static texts,
/// all placed relative to its top-left corner. The window owns every child.
#ifndef KYREL_CWINDOW_H
#define KYREL_CWINDOW_H

#include "overlay/GuiSupport.h"

#include <vector>

class CImageButton;
class CScreenImage;
class CStaticText;
class CToggleButton;

/// A GUI window in screen pixels (origin top left, y down); children are placed relative to its
/// top-left corner.
///
/// Hand it to gWindowManager, which owns it and draws it every frame while it is visible.
class CWindow
{
public:
    static const unsigned DEFAULT_TITLE_BAR_HEIGHT = 15;  ///< pixels

    /// An empty, hidden window of no size.
    CWindow() = default;
    /// The background is read from backgroundPath (none for a null path or a picture that cannot
    /// be read), fitted into the window, or stretched to it, and becomes the first picture.
    /// The edges are in screen pixels, the alpha 0..1, the title bar height in pixels from the
    /// top edge; identifier is the number GetId gives back. The window starts hidden.
    CWindow(float left, float top, float right, float bottom, const char* backgroundPath,
            bool stretch, float backgroundAlpha, unsigned titleBarHeight, int identifier,
            bool draggable);
    virtual ~CWindow();

    CWindow(const CWindow&) = delete;
    CWindow& operator=(const CWindow&) = delete;

    /// Dragging, hint, then pictures, buttons, toggles and texts; nothing while hidden.
    virtual void Draw();

    /// The window's edges in screen pixels; SetRect moves it without moving its children's
    /// relative places.
    ///@{
    void SetRect(float newLeft, float newTop, float newRight, float newBottom);
    float GetLeft() const { return left; }
    float GetTop() const { return top; }
    float GetRight() const { return right; }
    float GetBottom() const { return bottom; }
    ///@}

    /// Activating shows the window; hiding it deactivates it.
    ///@{
    void SetActive(bool on);
    void SetVisible(bool on);
    bool IsActive() const { return active; }
    bool IsVisible() const { return visible; }
    ///@}
    /// The identifier given at construction (-1 for a default-constructed window).
    int GetId() const { return identifier; }
    /// Whether the title bar drags the window.
    void SetDraggable(bool on) { draggable = on; }
    /// True between a left press on the title bar and its release.
    bool IsDragging() const { return dragging; }
    /// Title bar height in pixels; a negative height counts as 0.
    void SetTitleBarHeight(int height) { titleBarHeight = height > 0 ? height : 0; }

    /// The hint is printed at the absolute position (x, y) while the mouse is over the title bar
    /// of a draggable window. The window keeps a copy of the text.
    void SetHint(const char* text, float x, float y) { hint.Set(text, x, y); }
    /// Switches the hint on or off.
    void ShowHint(bool on) { hint.shown = on; }

    /// Children belong to the window from now on. Buttons and toggles are moved left or up, if
    /// need be, so that they do not reach past the right or bottom edge. The Create forms build
    /// the child from its pictures (x, y relative to the window, pixels) and return it, still
    /// owned by the window; a picture that cannot be read leaves that child without it.
    ///@{
    void AddImage(CScreenImage* image);
    CScreenImage* CreateImage(const char* path, float x, float y, float alpha);
    void AddButton(CImageButton* button);
    CImageButton* CreateButton(const char* baseName, unsigned frameCount, float x, float y,
                               int identifier);
    void AddToggle(CToggleButton* toggle);
    CToggleButton* CreateToggle(const char* offBaseName, unsigned offFrameCount,
                                const char* onBaseName, unsigned onFrameCount, float x, float y,
                                int identifier);
    void AddStaticText(CStaticText* text);
    ///@}
    /// The background, when it could be read, is picture 0.
    const std::vector<CScreenImage*>& GetPictures() const { return pictures; }

    /// Edges included. For a draggable window it also switches the software cursor between its
    /// pressed image (over the title bar) and its normal one.
    bool IsMouseOverTitleBar();
    /// Prints the hint if it is switched on; Draw calls it while the mouse is over the title bar.
    void DrawHint() const { hint.Draw(); }
    /// Moves all four edges by the mouse delta of this frame's poll, held back where the move
    /// would push the title bar off the screen.
    void MoveByMouse();

private:
    void FitBackground(CScreenImage* background, bool stretch) const;
    /// The relative position (x, y) moved so that a control of that size stays inside.
    void KeepInside(float& x, float& y, float controlWidth, float controlHeight) const;
    /// The delta cut down so that the title bar stays on the screen.
    void ClampMove(float& dx, float& dy) const;
    /// Starts dragging on a left press on the title bar, ends it on a left release there.
    void FollowDragButton(bool overTitleBar);

    float top = 0.0f;
    float right = 0.0f;
    float bottom = 0.0f;
    float left = 0.0f;
    bool active = false;
    bool visible = false;
    bool draggable = false;
    std::vector<CImageButton*> buttons;
    std::vector<CScreenImage*> pictures;
    std::vector<CToggleButton*> toggles;
    std::vector<CStaticText*> staticTexts;
    int identifier = -1;
    unsigned titleBarHeight = DEFAULT_TITLE_BAR_HEIGHT;
    bool dragging = false;
    GuiHint hint;
};

#endif
