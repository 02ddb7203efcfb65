// A small program on the installed engine: a spinning OBJ cube under one light with a line of
// text, drawn for a few frames; the last frame is saved as a binary PPM.
//   kyrel_consumer OUT.ppm MODEL.obj    (run where Data/ and shaders/ are)
#include "core/CEngine.h"
#include "overlay/CFont.h"
#include "overlay/CFontManager.h"
#include "platform/CGraphicsCore.h"
#include "scene/CCamera.h"
#include "game/CGameObject.h"
#include "game/CGameObjectManager.h"
#include "scene/CLight.h"
#include "scene/CLightManager.h"

#include <SDL/SDL.h>
#include <GL/glew.h>

#include <cstdio>
#include <iostream>
#include <string>
#include <vector>

namespace
{
const int WIDTH = 640;
const int HEIGHT = 480;
const int FRAMES = 10;
const float DEGREES_PER_FRAME = 9.0f;
const float LIGHT_DIRECTION[4] = {0.5f, 1.0f, 0.3f, 0.0f};  // w = 0: a direction, not a point
const float LIGHT_DIFFUSE[4] = {0.75f, 0.7f, 0.6f, 1.0f};
const float LIGHT_AMBIENT[4] = {0.15f, 0.15f, 0.2f, 1.0f};
const float LIGHT_SPECULAR[4] = {0.0f, 0.0f, 0.0f, 1.0f};

bool SavePpm(const char* path)
{
    std::vector<unsigned char> pixels(static_cast<size_t>(WIDTH) * HEIGHT * 3);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadBuffer(GL_BACK);
    glReadPixels(0, 0, WIDTH, HEIGHT, GL_RGB, GL_UNSIGNED_BYTE, pixels.data());
    FILE* file = std::fopen(path, "wb");
    if (!file)
    {
        return false;
    }
    std::fprintf(file, "P6\n%d %d\n255\n", WIDTH, HEIGHT);
    // GL rows run bottom-up, PPM rows top-down.
    for (int row = HEIGHT - 1; row >= 0; --row)
    {
        std::fwrite(&pixels[static_cast<size_t>(row) * WIDTH * 3], 1, WIDTH * 3, file);
    }
    return std::fclose(file) == 0;
}

int Run(const char* screenshot, const char* model)
{
    CEngine engine;
    gGraphicsCore->SetDepthBits(16);
    gGraphicsCore->SetStencilBits(8);
    engine.SetVideoMode(WIDTH, HEIGHT, 24, false, false);
    gGraphicsCore->SetShadows(false);

    CGameObject* cube = new CGameObject();
    cube->LoadOBJ(model, nullptr);
    if (!cube->IsLoaded())
    {
        std::cerr << "cannot load " << model << std::endl;
        delete cube;
        return 1;
    }
    cube->SetPosition(0, 0, 0);
    gGameObjectManager->AddObject(cube);
    // A directional light from above, right and front: the three faces in view get three shades.
    gLightManager->AddLight(
        new CLight(LIGHT_DIRECTION, LIGHT_DIFFUSE, LIGHT_AMBIENT, LIGHT_SPECULAR));
    gLightManager->EnableLight(1);
    gCamera->PositionCamera(3, 3, 5, 0, 0, 0, 0, 1, 0);

    CFont* font = gFontManager->GetFont(1);
    for (int frame = 0; frame < FRAMES; ++frame)
    {
        cube->SetAngle(DEGREES_PER_FRAME * static_cast<float>(frame));
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        glLoadIdentity();
        gCamera->Look();
        engine.Frame();
        if (font)
        {
            font->PrintEx(20, 20, 2, 1.0f, 0.8f, 0.2f, 1.0f, 2.0f, 2.0f, "Kyrel consumer %d",
                          frame);
        }
        if (frame == FRAMES - 1 && !SavePpm(screenshot))
        {
            std::cerr << "cannot write " << screenshot << std::endl;
            return 1;
        }
        SDL_GL_SwapBuffers();
    }
    return 0;
}
}  // namespace

int main(int argc, char** argv)
{
    if (argc != 3)
    {
        std::cerr << "usage: kyrel_consumer OUT.ppm MODEL.obj" << std::endl;
        return 1;
    }
    int status = 1;
    try
    {
        status = Run(argv[1], argv[2]);
    }
    catch (const std::string& message)
    {
        std::cerr << message << std::endl;
    }
    SDL_Quit();
    return status;
}
