// The Parallax Map Demo: one parallax-mapped model under one light, a free-fly camera, help
// text and a logo, until Escape is held or the window is closed.
#ifndef KYREL_PARALLAXMAPDEMO_H
#define KYREL_PARALLAXMAPDEMO_H

#include "core/CApp.h"

class CScreenImage;
class CLight;
class CGameObject;

class ParallaxMapDemo : public CApp
{
public:
    ParallaxMapDemo();
    ~ParallaxMapDemo() override;

    void Init() override;
    void Run() override;
    void OnExit() override {}
    void UserHook1() override {}
    void UserHook2() override {}

private:
    void RenderFrame();
    void PrintHelp();

    CScreenImage* logo;
    CLight* light;             // owned by the light manager once added
    CGameObject* sceneObject;  // owned by the game object manager once added
};

#endif
