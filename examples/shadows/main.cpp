// The engine's two shadow techniques on a small scene: stencil shadow volumes (sharp, exact,
// built from each caster's silhouette) and shadow mapping (a depth picture taken from the
// light; soft-edged, and its cost does not grow with the caster's detail).
//   shadows [stencil|map] [SCREENSHOT.bmp]
// Space switches technique, Escape quits.
#include "core/CEngine.h"
#include "game/CGameObject.h"
#include "game/CGameObjectManager.h"
#include "overlay/CFont.h"
#include "overlay/CFontManager.h"
#include "platform/CEventManager.h"
#include "platform/CGraphicsCore.h"
#include "scene/CCamera.h"
#include "scene/CLight.h"
#include "scene/CLightManager.h"

#include <GL/glew.h>
#include <SDL/SDL.h>
#include <iostream>
#include <string>

namespace
{
// w = 1: a point light; both techniques cast from its position.
const float LIGHT_POSITION[4] = {14.0f, 14.0f, 6.0f, 1.0f};
const float LIGHT_DIFFUSE[4] = {0.9f, 0.9f, 0.85f, 1.0f};
const float LIGHT_AMBIENT[4] = {0.3f, 0.3f, 0.35f, 1.0f};
const float LIGHT_SPECULAR[4] = {0.1f, 0.1f, 0.1f, 1.0f};

// Adds an OBJ model to the scene; the game object manager owns it from then on.
CGameObject* AddModel(const std::string& file, const std::string& texture, bool castsShadow)
{
    CGameObject* object = new CGameObject();
    object->LoadOBJ(file.c_str(), texture.c_str());
    object->SetCastShadow(castsShadow);  // only casters get a volume or go into the depth map
    gGameObjectManager->AddObject(object);
    return object;
}

int Run(bool shadowMap, const char* screenshot)
{
    CEngine engine;
    // Stencil volumes count in the stencil buffer, so ask for one before the window opens.
    gGraphicsCore->SetDepthBits(24);
    gGraphicsCore->SetStencilBits(8);
    engine.SetVideoMode(800, 600, 24, false, false);
    gGraphicsCore->SetCaption("Kyrel Engine - shadows");

    const std::string samples = std::string(KYREL_DATA_DIR) + "/Data/Samples/";
    // The floor receives shadows but casts none; the pedestal (two stacked boxes) casts.
    AddModel(samples + "floor.obj", samples + "floor.png", false)->SetScale(20.0f, 1.0f, 20.0f);
    CGameObject* pedestal = AddModel(samples + "pedestal.obj", samples + "pedestal.png", true);
    pedestal->SetScale(2.0f, 2.0f, 2.0f);
    pedestal->SetPosition(0.0f, 0.05f, 0.0f);  // just above the floor: no fight for depth

    CLight* light = new CLight(LIGHT_POSITION, LIGHT_DIFFUSE, LIGHT_AMBIENT, LIGHT_SPECULAR);
    // The shadow map is rendered through the light's own camera: its near and far planes
    // should hold the scene tightly, for depth precision.
    light->SetNear(5.0f);
    light->SetFar(80.0f);
    light->SetPosition(LIGHT_POSITION[0], LIGHT_POSITION[1], LIGHT_POSITION[2], 1.0f);
    gLightManager->AddLight(light);
    gLightManager->EnableLight(1);
    gCamera->PositionCamera(-6.0f, 11.0f, 16.0f, -3.0f, 1.0f, -2.0f, 0.0f, 1.0f, 0.0f);

    // Shadows are one switch on the graphics core, and the technique another.
    gGraphicsCore->SetShadows(true);
    CFont* font = gFontManager->GetFont(1);
    for (int frame = 0;; ++frame)
    {
        gGraphicsCore->SetShadowMethod(shadowMap ? SHADOW_MAPPING : SHADOW_STENCIL_VOLUMES);
        glClearColor(0.15f, 0.17f, 0.22f, 1.0f);
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT | GL_STENCIL_BUFFER_BIT);
        glLoadIdentity();
        gCamera->Look();
        engine.Frame();
        font->Print(10, 10, 0, shadowMap ? "Shadow mapping" : "Stencil shadow volumes");
        font->Print(10, 30, 0, "Space: the other technique");

        if (screenshot && frame == 5)
        {
            return gGraphicsCore->SaveScreenshot(screenshot) ? 0 : 1;
        }
        gGraphicsCore->SwapBuffers();
        if (!gEventManager->HasEvent())
        {
            continue;
        }
        const SDL_Event event = gEventManager->GetEvent();  // the one event this frame took
        if (event.type == SDL_KEYDOWN && event.key.keysym.sym == SDLK_SPACE)
        {
            shadowMap = !shadowMap;
        }
        if (gEventManager->IsKeyDown(SDLK_ESCAPE) ||
            gEventManager->IsLastEvent(CEventManager::EVENT_QUIT))
        {
            return 0;
        }
    }
}
}  // namespace

int main(int argc, char** argv)
{
    CEngine::AddDataFolder(KYREL_DATA_DIR);
    const std::string technique = argc > 1 ? argv[1] : "stencil";
    int status = 1;
    try
    {
        status = Run(technique == "map", argc > 2 ? argv[2] : nullptr);
    }
    catch (const std::string& message)
    {
        std::cerr << message << std::endl;
    }
    SDL_Quit();
    return status;
}
