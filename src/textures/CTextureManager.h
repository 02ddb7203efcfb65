// Registry of the screen images whose textures were loaded through SDL_image.
#ifndef KYREL_CTEXTUREMANAGER_H
#define KYREL_CTEXTUREMANAGER_H

#include <vector>

class CScreenImage;

class CTextureManager
{
public:
    CTextureManager() = default;
    ~CTextureManager() = default;

private:
    std::vector<CScreenImage*> images;
};

extern CTextureManager* gTextureManager;

#endif
