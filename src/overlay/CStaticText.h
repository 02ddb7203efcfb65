/// \file
/// A GUI text label printed with the engine's bitmap font, with its own colour, character set and
/// glyph scale.
#ifndef KYREL_CSTATICTEXT_H
#define KYREL_CSTATICTEXT_H

#include <string>

/// A line of text of a CWindow (which owns it), printed with font number 1 at a position in
/// pixels relative to the window.
class CStaticText
{
public:
    /// Text (copied; "Static Text" when none is given), position (0, 0 by default) and colour in
    /// SetColor's order (white by default).
    ///@{
    CStaticText() = default;
    explicit CStaticText(const char* text);
    CStaticText(const char* text, float x, float y);
    CStaticText(const char* text, float x, float y, float c1, float c2, float c3, float c4);
    ///@}

    /// The text; the label keeps its own copy, a null text empties it.
    ///@{
    std::string GetText() const { return text; }
    void SetText(const char* newText) { text = newText ? newText : ""; }
    ///@}
    /// The stored order; the text is printed with red c1, green c3, blue c2 and alpha c4.
    void SetColor(float c1, float c2, float c3, float c4);
    /// The glyph set: 0 and 1 the two sets, 2 and 3 the same in bold (see CFont::PrintColored).
    void SetCharacterSet(int set) { characterSet = set; }
    /// Glyph scale across and down (1 = the font sheet's size).
    void SetScale(float x, float y);
    /// Position in pixels, relative to the window that draws the label.
    ///@{
    float GetX() const { return position[0]; }
    float GetY() const { return position[1]; }
    ///@}

    /// At its own position, at (x, y), or at its position offset by (ox, oy) (the window's
    /// top-left corner). Coordinates are truncated to whole pixels.
    ///@{
    void Draw() const { DrawAt(position[0], position[1]); }
    void DrawAt(float x, float y) const;
    void DrawOffset(float ox, float oy) const { DrawAt(position[0] + ox, position[1] + oy); }
    ///@}

private:
    float position[2] = {0.0f, 0.0f};
    float colour[4] = {1.0f, 1.0f, 1.0f, 1.0f};
    std::string text = "Static Text";
    int characterSet = 0;
    float scale[2] = {1.0f, 1.0f};
};

#endif
