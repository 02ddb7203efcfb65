// Scene set-up, main loop and frame drawing of the Parallax Map Demo.
#include "app/ParallaxMapDemo.h"

#include "core/CEngine.h"
#include "overlay/CFont.h"
#include "overlay/CFontManager.h"
#include "overlay/CScreenImage.h"
#include "platform/CEventManager.h"
#include "platform/CGraphicsCore.h"
#include "scene/CCamera.h"
#include "game/CGameObject.h"
#include "game/CGameObjectManager.h"
#include "scene/CLight.h"
#include "scene/CLightManager.h"

#include <SDL/SDL.h>
#include <GL/glew.h>

namespace
{
const int SCREEN_WIDTH = 1024;
const int SCREEN_HEIGHT = 768;
const int SCREEN_BITS = 24;
const int DEPTH_BITS = 16;
const int STENCIL_BITS = 8;
const double FIELD_OF_VIEW = 50.0;
const char* const CAPTION = "Kyrel Engine - Parallax Map Demo";
const char* const LOGO_PATH = "Data/Logo/k3dlogo.png";
const char* const MODEL_PATH = "Data/KModel/planeParralax.xml";
// The logo's lower right corner sits two pixels in from the screen's.
const float LOGO_RIGHT = 1022.0f;
const float LOGO_BOTTOM = 766.0f;
const int HELP_SET = 2;

struct HelpLine
{
    const char* text;
    int x, y;
    float red, green, blue, alpha;
    float scaleX, scaleY;
};

const HelpLine HELP_LINES[] = {
    {"Parallax Map Demo!", 250, 5, 1.0f, 0.5f, 0.1f, 1.0f, 2.0f, 2.0f},
    {"Camera:", 5, 30, 0.7f, 0.5f, 0.3f, 1.0f, 1.0f, 1.0f},
    {"W - move forward", 5, 45, 0.7f, 0.5f, 0.3f, 1.0f, 1.0f, 1.0f},
    {"A - strafe left", 5, 57, 0.7f, 0.5f, 0.3f, 1.0f, 1.0f, 1.0f},
    {"D - strafe right", 5, 69, 0.7f, 0.5f, 0.3f, 1.0f, 1.0f, 1.0f},
    {"S - move back", 5, 81, 0.7f, 0.5f, 0.3f, 1.0f, 1.0f, 1.0f},
    {"Use mouse to rotate view", 5, 98, 0.7f, 0.5f, 0.6f, 1.0f, 1.0f, 1.0f},
};
}  // namespace

ParallaxMapDemo::ParallaxMapDemo() : logo(nullptr), light(nullptr), sceneObject(nullptr) {}

ParallaxMapDemo::~ParallaxMapDemo()
{
    delete logo;
    logo = nullptr;
}

void ParallaxMapDemo::Init()
{
    gGraphicsCore->SetDepthBits(DEPTH_BITS);
    gGraphicsCore->SetStencilBits(STENCIL_BITS);
    gGraphicsCore->SetFieldOfView(FIELD_OF_VIEW);
    engine->SetVideoMode(SCREEN_WIDTH, SCREEN_HEIGHT, SCREEN_BITS, true, false);
    gGraphicsCore->EnableAnisotropicFiltering();
    gGraphicsCore->ShowCursor(false);
    engine->SetShowFps(true);
    gGraphicsCore->SetCaption(CAPTION);

    logo = new CScreenImage(LOGO_PATH);
    logo->position[0] = LOGO_RIGHT - static_cast<float>(logo->GetWidth());
    logo->position[1] = LOGO_BOTTOM - static_cast<float>(logo->GetHeight());

    sceneObject = new CGameObject();
    sceneObject->LoadXML(MODEL_PATH);
    sceneObject->SetCastShadow(false);
    sceneObject->SetPosition(0.0f, 0.0f, 0.0f);
    gGameObjectManager->AddObject(sceneObject);

    gGraphicsCore->SetShadows(false);
    gGraphicsCore->SetShadowMethod(SHADOW_MAPPING);
    gGameObjectManager->SetDrawShadowVolumes(false);
    gGameObjectManager->SetDrawBoundingBoxes(false);

    light = new CLight();
    gLightManager->AddLight(light);
    gLightManager->EnableLight(1);

    gCamera->SetPosition(20.0f, 15.0f, 10.0f);
}

void ParallaxMapDemo::Run()
{
    for (;;)
    {
        gCamera->Update();
        RenderFrame();
        // The exit tests run only on frames whose poll took an event; Escape is tested first.
        if (!gEventManager->HasEvent())
        {
            continue;
        }
        if (gEventManager->IsKeyDown(SDLK_ESCAPE))
        {
            return;
        }
        if (gEventManager->IsLastEvent(CEventManager::EVENT_QUIT))
        {
            return;
        }
    }
}

void ParallaxMapDemo::RenderFrame()
{
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glLoadIdentity();
    gCamera->Look();
    glDisable(GL_CULL_FACE);

    engine->Frame();

    PrintHelp();

    gGraphicsCore->Begin2D();
    if (logo)
    {
        logo->Draw(1.0f, 0.0f, 1.0f, 1.0f, 1.0f, 1.0f);
    }
    gGraphicsCore->End2D();

    gGraphicsCore->SwapBuffers();
}

void ParallaxMapDemo::PrintHelp()
{
    CFont* font = gFontManager->GetFont(1);
    if (!font)
    {
        return;
    }
    for (const HelpLine& line : HELP_LINES)
    {
        font->PrintEx(line.x, line.y, HELP_SET, line.red, line.green, line.blue, line.alpha,
                      line.scaleX, line.scaleY, "%s", line.text);
    }
}
