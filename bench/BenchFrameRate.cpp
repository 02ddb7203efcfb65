// Frame cost of the demo's scene (parallax-mapped model, light, overlay text) against a plain
// clear-and-swap loop in the same 1024 x 768 window, on whatever GL driver the display offers.
#include "core/CEngine.h"
#include "overlay/CFont.h"
#include "overlay/CFontManager.h"
#include "platform/CGraphicsCore.h"
#include "scene/CCamera.h"
#include "scene/CGameObject.h"
#include "scene/CGameObjectManager.h"
#include "scene/CLight.h"
#include "scene/CLightManager.h"

#include <SDL/SDL.h>
#include <GL/glew.h>
#include <benchmark/benchmark.h>
#include <cstdlib>
#include <string>
#include <unistd.h>

namespace
{
CEngine* engine = nullptr;

// The demo's working directory: links to its data in a scratch directory.
bool EnterDemoDirectory()
{
    char pattern[] = "/tmp/kyrel-bench-XXXXXX";
    const char* dir = mkdtemp(pattern);
    if (!dir)
    {
        return false;
    }
    std::string assets = KYREL_ASSETS_DIR;
    std::string base = dir;
    return symlink((assets + "/Data").c_str(), (base + "/Data").c_str()) == 0 &&
           symlink((assets + "/shaders").c_str(), (base + "/shaders").c_str()) == 0 &&
           chdir(dir) == 0;
}

// The demo's own set-up, windowed so that the benchmark runs on any display.
void SetUpDemoScene()
{
    engine = new CEngine();
    gGraphicsCore->SetDepthBits(16);
    gGraphicsCore->SetStencilBits(8);
    gGraphicsCore->SetFieldOfView(50.0);
    engine->SetVideoMode(1024, 768, 24, false, false);
    gGraphicsCore->EnableAnisotropicFiltering();
    engine->SetShowFps(true);
    CGameObject* scene = new CGameObject();
    scene->LoadXML("Data/KModel/planeParralax.xml");
    scene->SetPosition(0, 0, 0);
    gGameObjectManager->AddObject(scene);
    gLightManager->AddLight(new CLight());
    gLightManager->EnableLight(1);
    gCamera->SetPosition(20.0f, 15.0f, 10.0f);
}

// Sets the maximum anisotropy of every texture the scene loaded; the loaders use the driver's
// maximum when the application switches anisotropic filtering on, as the demo does.
void SetMaxAnisotropy(float value)
{
    for (GLuint name = 1; name < 256; ++name)
    {
        if (glIsTexture(name))
        {
            glBindTexture(GL_TEXTURE_2D, name);
            glTexParameterf(GL_TEXTURE_2D, GL_TEXTURE_MAX_ANISOTROPY_EXT, value);
        }
    }
}

void BM_ClearAndSwap(benchmark::State& state)
{
    for (auto _ : state)
    {
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        SDL_GL_SwapBuffers();
        glFinish();
    }
}
BENCHMARK(BM_ClearAndSwap)->Unit(benchmark::kMillisecond)->MinTime(2.0)->UseRealTime();

// Argument: the textures' maximum anisotropy, 0 for the loaders' own (the driver's maximum).
void BM_DemoFrame(benchmark::State& state)
{
    GLfloat driverMaximum = 1.0f;
    glGetFloatv(GL_MAX_TEXTURE_MAX_ANISOTROPY_EXT, &driverMaximum);
    SetMaxAnisotropy(state.range(0) == 0 ? driverMaximum : static_cast<float>(state.range(0)));
    CFont* font = gFontManager->GetFont(1);
    for (auto _ : state)
    {
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        glLoadIdentity();
        gCamera->Look();
        glDisable(GL_CULL_FACE);
        engine->Frame();
        font->PrintEx(250, 5, 2, 1.0f, 0.5f, 0.1f, 1.0f, 2.0f, 2.0f, "%s", "Parallax Map Demo!");
        SDL_GL_SwapBuffers();
        glFinish();
    }
}
BENCHMARK(BM_DemoFrame)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->MinTime(4.0)->UseRealTime();
}  // namespace

int main(int argc, char** argv)
{
    benchmark::Initialize(&argc, argv);
    if (!EnterDemoDirectory())
    {
        return 1;
    }
    SetUpDemoScene();
    benchmark::RunSpecifiedBenchmarks();
    delete engine;
    SDL_Quit();
    return 0;
}
