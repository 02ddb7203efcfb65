// Font list: loading by path and lookup by number.
#include "overlay/CFontManager.h"

#include "overlay/CFont.h"

#include <iostream>

namespace
{
const char* const MSG_LOADING_FONT = "Loading Font: ";
}

CFontManager::~CFontManager()
{
    for (CFont* font : fonts)
    {
        delete font;
    }
}

void CFontManager::LoadFont(const char* path)
{
    CFont* font = new CFont();
    std::cout << MSG_LOADING_FONT << (path ? path : "") << std::endl;
    font->Load(path);
    AddFont(font);
}

void CFontManager::AddFont(CFont* font)
{
    fonts.push_back(font);
    ++count;
}

CFont* CFontManager::GetFont(unsigned number) const
{
    if (count == 0)
    {
        return nullptr;
    }
    if (number == 0 || number > count)
    {
        return fonts[count - 1];
    }
    return fonts[number - 1];
}
