// The engine's bitmap fonts, numbered from 1 in order of addition.
#ifndef KYREL_CFONTMANAGER_H
#define KYREL_CFONTMANAGER_H

#include <vector>

class CFont;

class CFontManager
{
public:
    CFontManager() = default;
    ~CFontManager() = default;

    void LoadFont(const char* path);
    // The font with that number, or the last one; null when there is none.
    CFont* GetFont(unsigned number) const;

private:
    std::vector<CFont*> fonts;
};

extern CFontManager* gFontManager;

#endif
