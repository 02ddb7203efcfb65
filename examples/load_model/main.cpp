// Loads any model the engine reads (OBJ, MD2, 3DS or the engine's XML format) and shows it lit,
// through the free camera: the mouse turns it, W, A, S and D move it.
//   load_model [--screenshot FILE.bmp] [MODEL [TEXTURE]]
// Without a model it shows the animated figure installed with the engine. Escape quits.
#include "core/CEngine.h"
#include "game/CGameObject.h"
#include "game/CGameObjectManager.h"
#include "platform/CEventManager.h"
#include "platform/CGraphicsCore.h"
#include "scene/CCamera.h"
#include "scene/CLight.h"
#include "scene/CLightManager.h"

#include <GL/glew.h>
#include <algorithm>
#include <SDL/SDL.h>
#include <iostream>
#include <string>

namespace
{
const float MODEL_SIZE = 20.0f;  // every model is scaled to this height or width
// A light with w = 0 is a direction (here: from above, right and in front), not a point.
const float LIGHT_DIRECTION[4] = {0.4f, 1.0f, 0.6f, 0.0f};
const float LIGHT_DIFFUSE[4] = {0.9f, 0.85f, 0.8f, 1.0f};
const float LIGHT_AMBIENT[4] = {0.25f, 0.25f, 0.3f, 1.0f};
const float LIGHT_SPECULAR[4] = {0.2f, 0.2f, 0.2f, 1.0f};

// Scales the model to MODEL_SIZE and stands it on the origin, whatever units its file used.
void FitModel(CGameObject& model)
{
    model.SetPosition(0.0f, 0.0f, 0.0f);
    const CVector3 low = *model.GetBoundsMin();
    const CVector3 size = *model.GetBoundsMax() - low;
    float largest = std::max(size.x, std::max(size.y, size.z));
    float scale = largest > 0.0f ? MODEL_SIZE / largest : 1.0f;
    model.SetScale(scale, scale, scale);
    model.SetPosition(-(low.x + 0.5f * size.x) * scale, -low.y * scale,
                      -(low.z + 0.5f * size.z) * scale);
}

int Run(const std::string& modelPath, const std::string& texturePath, const char* screenshot)
{
    CEngine engine;
    gGraphicsCore->SetDepthBits(24);
    engine.SetVideoMode(800, 600, 24, false, false);
    gGraphicsCore->SetCaption("Kyrel Engine - " + modelPath);
    engine.SetShowFps(true);

    // A game object holds one model; LoadFile picks the reader by the file's extension. 3DS
    // files are usually Z-up, hence the last argument.
    CGameObject* model = new CGameObject();
    model->LoadFile(modelPath, texturePath,
                    modelPath.size() > 4 && modelPath.substr(modelPath.size() - 4) == ".3ds");
    if (!model->IsLoaded())
    {
        std::cerr << "load_model: cannot show " << modelPath << std::endl;
        delete model;
        return 1;
    }
    FitModel(*model);
    // From here on the manager owns the object and draws it in every engine.Frame().
    gGameObjectManager->AddObject(model);
    // The light manager owns its lights too; light numbers start at 1.
    gLightManager->AddLight(
        new CLight(LIGHT_DIRECTION, LIGHT_DIFFUSE, LIGHT_AMBIENT, LIGHT_SPECULAR));
    gLightManager->EnableLight(1);
    // Eye, the point looked at, and which way is up.
    gCamera->PositionCamera(20.0f, 16.0f, 26.0f, 0.0f, 8.0f, 0.0f, 0.0f, 1.0f, 0.0f);
    gCamera->SetSpeed(15.0f);
    gGraphicsCore->ShowCursor(false);  // the free camera holds the pointer at the centre

    for (int frame = 0;; ++frame)
    {
        // The free camera follows the mouse, which it keeps at the window's centre; it stays
        // put for a screenshot, so that the picture is the same on every run.
        if (!screenshot)
        {
            gCamera->Update();
        }
        glClearColor(0.15f, 0.17f, 0.22f, 1.0f);
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        glLoadIdentity();
        gCamera->Look();  // the view matrix, and the frustum that culls what is out of sight
        engine.Frame();
        if (screenshot && frame == 5)
        {
            return gGraphicsCore->SaveScreenshot(screenshot) ? 0 : 1;
        }
        gGraphicsCore->SwapBuffers();
        if (gEventManager->HasEvent() && (gEventManager->IsKeyDown(SDLK_ESCAPE) ||
                                          gEventManager->IsLastEvent(CEventManager::EVENT_QUIT)))
        {
            return 0;
        }
    }
}
}  // namespace

int main(int argc, char** argv)
{
    CEngine::AddDataFolder(KYREL_DATA_DIR);
    const char* screenshot = nullptr;
    int first = 1;  // the first file name's argument
    if (argc > 2 && std::string(argv[1]) == "--screenshot")
    {
        screenshot = argv[2];
        first = 3;
    }
    // Without a model, the sample installed in the engine's data folder, and its skin; a model
    // named without a texture uses its own materials.
    const std::string samples = std::string(KYREL_DATA_DIR) + "/Data/Samples/";
    std::string model = samples + "figure.md2";
    std::string texture = samples + "figure.png";
    if (argc > first)
    {
        model = argv[first];
        texture = argc > first + 1 ? argv[first + 1] : "";
    }
    int status = 1;
    try
    {
        status = Run(model, texture, screenshot);
    }
    catch (const std::string& message)
    {
        std::cerr << message << std::endl;
    }
    SDL_Quit();
    return status;
}
