// Owns the scene's lights, addressed by 1-based number; every light drives GL_LIGHT0.
#ifndef KYREL_CLIGHTMANAGER_H
#define KYREL_CLIGHTMANAGER_H

class CLightManager
{
public:
    CLightManager() = default;
    ~CLightManager() = default;
};

extern CLightManager* gLightManager;

#endif
