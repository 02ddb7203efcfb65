// Font list.
#include "overlay/CFontManager.h"

void CFontManager::LoadFont(const char*) {}

CFont* CFontManager::GetFont(unsigned number) const
{
    if (fonts.empty())
    {
        return nullptr;
    }
    if (number >= 1 && number <= fonts.size())
    {
        return fonts[number - 1];
    }
    return fonts.back();
}
