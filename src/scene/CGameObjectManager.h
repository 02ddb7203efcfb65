// Owns the 3D game objects and draws them each frame with the current shadow technique.
#ifndef KYREL_CGAMEOBJECTMANAGER_H
#define KYREL_CGAMEOBJECTMANAGER_H

class CGameObjectManager
{
public:
    CGameObjectManager() = default;
    ~CGameObjectManager() = default;

    // The frame's 3D scene, under the modelview matrix the caller set up.
    void Draw();
};

extern CGameObjectManager* gGameObjectManager;

#endif
