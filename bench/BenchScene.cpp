// How a scene's cost grows: the game object manager's frame with stencil shadow volumes over 1, 8
// and 64 animated MD2 models, and over 1, 8 and 64 copies of the 3DS sample, in a small window so
// that the driver has few pixels to fill. The time is the main thread's CPU time per frame, which
// leaves out llvmpipe's rasterising threads; run with GALLIUM_NOOP=1 to drop the rendering itself
// as well, and split what is left between the engine and the GL library with perf (its report by
// shared object). Each run reports the triangles drawn, so per-triangle costs can be compared.
#include "core/CEngine.h"
#include "game/CGameObject.h"
#include "game/CGameObjectManager.h"
#include "models/C3DSObject.h"
#include "models/CEntity.h"
#include "models/CMD2Object.h"
#include "platform/CGraphicsCore.h"
#include "scene/CCamera.h"
#include "scene/CLight.h"
#include "scene/CLightManager.h"

#include "BenchWorkingDirectory.h"

#include <SDL/SDL.h>
#include <GL/glew.h>
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>
#include <string>
#include <unistd.h>
#include <vector>

namespace
{
const int MAX_COPIES = 64;
const int GRID = 8;  // copies stand on an 8 x 8 grid
const int WINDOW_WIDTH = 320;
const int WINDOW_HEIGHT = 240;

// The shared real MD2 model when present (679 triangles, 198 frames), else the sample figure.
const std::string SHARED_MD2 = std::string(KYREL_SHARED_TESTDATA_DIR) + "/md2/good/sydney.md2";
const std::string SHARED_SKIN = std::string(KYREL_SHARED_TESTDATA_DIR) + "/md2/good/sydney.bmp";
const std::string SAMPLE_MD2 = std::string(KYREL_ASSETS_DIR) + "/Data/Samples/figure.md2";
const std::string SAMPLE_SKIN = std::string(KYREL_ASSETS_DIR) + "/Data/Samples/figure.png";
const std::string SAMPLE_3DS = std::string(KYREL_ASSETS_DIR) + "/Data/Samples/table.3ds";
const std::string SAMPLE_FOLDER = std::string(KYREL_ASSETS_DIR) + "/Data/Samples/";

CEngine* engine = nullptr;
std::vector<CGameObject*> md2Copies;
std::vector<CGameObject*> copies3DS;

// The widest extent of an object's world box: the grid's spacing.
float Extent(const CGameObject& object)
{
    const CEntity* entity = object.GetMD2Entity();
    if (entity == nullptr)
    {
        entity = object.Get3DSEntity();
    }
    if (entity == nullptr)
    {
        return 1.0f;
    }
    const CVector3 size = *entity->GetBoundsMax() - *entity->GetBoundsMin();
    return std::max(size.x, std::max(size.y, size.z));
}

// MAX_COPIES copies on a grid in the x-z plane around the origin, shadows on, all disabled.
std::vector<CGameObject*> LoadCopies(bool md2)
{
    std::vector<CGameObject*> copies;
    const bool shared = access(SHARED_MD2.c_str(), R_OK) == 0;
    for (int i = 0; i < MAX_COPIES; ++i)
    {
        CGameObject* object = new CGameObject();
        if (md2)
        {
            object->LoadMD2((shared ? SHARED_MD2 : SAMPLE_MD2).c_str(),
                            (shared ? SHARED_SKIN : SAMPLE_SKIN).c_str());
            object->SetAnimation(1 + i % 3);
        }
        else
        {
            object->Load3DS(SAMPLE_FOLDER.c_str(), SAMPLE_3DS.c_str(), 1);
        }
        const float spacing = 1.5f * Extent(*object);
        object->SetPosition((i % GRID - GRID / 2) * spacing, 0.0f, (i / GRID - GRID / 2) * spacing);
        object->SetCastShadow(true);
        object->SetEnabled(false);
        gGameObjectManager->AddObject(object);
        copies.push_back(object);
    }
    return copies;
}

void SetUpScene()
{
    engine = new CEngine();
    gGraphicsCore->SetDepthBits(16);
    gGraphicsCore->SetStencilBits(8);
    gGraphicsCore->SetFieldOfView(50.0);
    engine->SetVideoMode(WINDOW_WIDTH, WINDOW_HEIGHT, 24, false, false);
    gGraphicsCore->SetShadows(true);
    gGraphicsCore->SetShadowMethod(SHADOW_STENCIL_VOLUMES);
    gLightManager->AddLight(new CLight());
    gLightManager->EnableLight(1);
    md2Copies = LoadCopies(true);
    copies3DS = LoadCopies(false);
}

// Frames of the first `count` copies of one kind, the camera far enough back to see the grid.
void RunFrames(benchmark::State& state, std::vector<CGameObject*>& copies)
{
    const int count = static_cast<int>(state.range(0));
    for (CGameObject* object : md2Copies)
    {
        object->SetEnabled(false);
    }
    for (CGameObject* object : copies3DS)
    {
        object->SetEnabled(false);
    }
    long triangles = 0;
    for (int i = 0; i < count; ++i)
    {
        copies[static_cast<size_t>(i)]->SetEnabled(true);
        triangles += copies[static_cast<size_t>(i)]->GetVertexCount() / 3;
    }
    const float distance = 1.5f * Extent(*copies[0]) * GRID;
    gCamera->PositionCamera(0.0f, distance, distance, 0.0f, 0.0f, 0.0f, 0.0f, 1.0f, 0.0f);
    CLight* light = gLightManager->GetLight(1);
    light->SetPosition(0.3f * distance, distance, 0.2f * distance, 1.0f);
    int visible = 0;
    for (auto _ : state)
    {
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT | GL_STENCIL_BUFFER_BIT);
        glLoadIdentity();
        gCamera->Look();
        gGameObjectManager->Draw();
        glFinish();
    }
    for (int i = 0; i < count; ++i)
    {
        visible += copies[static_cast<size_t>(i)]->IsInFrustum() ? 1 : 0;
    }
    state.counters["triangles"] = static_cast<double>(triangles);
    state.counters["visible"] = visible;
    // CPU seconds per triangle drawn (printed with an SI prefix: u = microseconds).
    state.counters["per_triangle"] =
        benchmark::Counter(static_cast<double>(state.iterations()) * static_cast<double>(triangles),
                           benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

void BM_MD2SceneFrame(benchmark::State& state)
{
    RunFrames(state, md2Copies);
}

void BM_3DSSceneFrame(benchmark::State& state)
{
    RunFrames(state, copies3DS);
}

void AsFrames(benchmark::internal::Benchmark* run)
{
    run->Arg(1)->Arg(8)->Arg(64)->Unit(benchmark::kMillisecond)->MinTime(1.0);
}

BENCHMARK(BM_MD2SceneFrame)->Apply(AsFrames);
BENCHMARK(BM_3DSSceneFrame)->Apply(AsFrames);
}  // namespace

int main(int argc, char** argv)
{
    benchmark::Initialize(&argc, argv);
    if (!EnterAssetsDirectory(KYREL_ASSETS_DIR))
    {
        return 1;
    }
    SetUpScene();
    benchmark::RunSpecifiedBenchmarks();
    delete engine;
    SDL_Quit();
    return 0;
}
