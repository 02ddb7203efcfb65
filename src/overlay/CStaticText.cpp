// Static texts: printed through font number 1 with the second and third colour components
// swapped on the way to the font.
#include "overlay/CStaticText.h"

#include "overlay/CFont.h"
#include "overlay/CFontManager.h"

namespace
{
const unsigned GUI_FONT = 1;
}  // namespace

CStaticText::CStaticText(const char* text) : CStaticText(text, 0.0f, 0.0f) {}

CStaticText::CStaticText(const char* text, float x, float y) : position{x, y}
{
    SetText(text);
}

CStaticText::CStaticText(const char* text, float x, float y, float c1, float c2, float c3, float c4)
    : CStaticText(text, x, y)
{
    SetColor(c1, c2, c3, c4);
}

void CStaticText::SetColor(float c1, float c2, float c3, float c4)
{
    colour[0] = c1;
    colour[1] = c2;
    colour[2] = c3;
    colour[3] = c4;
}

void CStaticText::SetScale(float x, float y)
{
    scale[0] = x;
    scale[1] = y;
}

void CStaticText::DrawAt(float x, float y) const
{
    CFont* font = gFontManager->GetFont(GUI_FONT);
    if (!font)
    {
        return;
    }
    // Through "%s": a label holding a percent sign is shown as written.
    font->PrintEx(static_cast<int>(x), static_cast<int>(y), characterSet, colour[0], colour[2],
                  colour[1], colour[3], scale[0], scale[1], "%s", text.c_str());
}
