// Frame cost of the demo's scene (parallax-mapped model, light, overlay text) against the same
// scene drawn with a plain one-texture fragment program and against a bare clear-and-swap loop, in
// the same 1024 x 768 window, on whatever GL driver the display offers. The run ends with the
// ratio of the demo's frame rate to the plain program's, from the medians of both. Fragment
// program files named on the command line (with their vertex programs, when beside them) are
// timed on the model too, in the same run, each reported with its own ratio to the plain program.
#include "core/CEngine.h"
#include "overlay/CFont.h"
#include "overlay/CFontManager.h"
#include "platform/CGraphicsCore.h"
#include "scene/CCamera.h"
#include "game/CGameObject.h"
#include "game/CGameObjectManager.h"
#include "scene/CLight.h"
#include "scene/CLightManager.h"
#include "shaders/CShader.h"
#include "shaders/CShaderManager.h"

#include "BenchWorkingDirectory.h"

#include <SDL/SDL.h>
#include <GL/glew.h>
#include <benchmark/benchmark.h>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <string>
#include <unistd.h>
#include <vector>

namespace
{
CEngine* engine = nullptr;

const int PARALLAX_SHADER = 13;
const char* const PARALLAX_VERTEX = "shaders/parallax3.vert";
const char* const PARALLAX_FRAGMENT = "shaders/parallax3.frag";
// Written into the scratch working directory: what the model would cost with nothing but its
// colour map, read once per pixel under the vertex colour, through the same vertex program.
const char* const PLAIN_FRAGMENT = "plainTexture.frag";
const char* const PLAIN_FRAGMENT_SOURCE = "#version 110\n"
                                          "uniform sampler2D testTexture;\n"
                                          "void main()\n"
                                          "{\n"
                                          "    gl_FragColor = texture2D(testTexture, "
                                          "gl_TexCoord[0].st) * gl_Color;\n"
                                          "}\n";
// The frame-rate pair whose ratio the run ends with: the demo as it runs, and the plain program.
const char* const DEMO_RUN = "BM_DemoFrame/0";
const char* const PLAIN_RUN = "BM_PlainTextureFrame/0";
const char* const FILE_RUN_PREFIX = "BM_FragmentFile/";

bool WritePlainFragment()
{
    FILE* file = std::fopen(PLAIN_FRAGMENT, "w");
    if (!file)
    {
        return false;
    }
    bool written = std::fputs(PLAIN_FRAGMENT_SOURCE, file) >= 0;
    return std::fclose(file) == 0 && written;
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

// Sets the maximum anisotropy of every texture the scene loaded with anisotropic filtering; the
// loaders use the driver's maximum when the application switches it on, as the demo does.
// Textures made without it (the relief the model packs from its height map) keep their own.
void SetMaxAnisotropy(float value)
{
    static std::vector<GLuint> anisotropic;
    static bool listed = false;
    for (GLuint name = 1; !listed && name < 256; ++name)
    {
        GLfloat own = 1.0f;
        if (glIsTexture(name))
        {
            glBindTexture(GL_TEXTURE_2D, name);
            glGetTexParameterfv(GL_TEXTURE_2D, GL_TEXTURE_MAX_ANISOTROPY_EXT, &own);
        }
        if (own > 1.0f)
        {
            anisotropic.push_back(name);
        }
    }
    listed = true;
    for (GLuint name : anisotropic)
    {
        glBindTexture(GL_TEXTURE_2D, name);
        glTexParameterf(GL_TEXTURE_2D, GL_TEXTURE_MAX_ANISOTROPY_EXT, value);
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

// The model's entity draws with whatever program sits at its built-in index, so each variant
// rebuilds that program from its own files before it is timed.
void UseModelProgram(benchmark::State& state, const char* fragmentPath,
                     const char* vertexPath = PARALLAX_VERTEX)
{
    if (!gShaderManager->GetShader(PARALLAX_SHADER)->Load(fragmentPath, vertexPath))
    {
        state.SkipWithError("the model's program did not build");
    }
}

// Argument: the textures' maximum anisotropy, 0 for the loaders' own (the driver's maximum).
void RunSceneFrames(benchmark::State& state)
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

// Every program on the model is timed alike: five repetitions of at least two seconds each.
void TimedAsFrames(benchmark::internal::Benchmark* run)
{
    run->Unit(benchmark::kMillisecond)
        ->MinTime(2.0)
        ->Repetitions(5)
        ->DisplayAggregatesOnly(true)
        ->UseRealTime();
}

void BM_DemoFrame(benchmark::State& state)
{
    UseModelProgram(state, PARALLAX_FRAGMENT);
    RunSceneFrames(state);
}
BENCHMARK(BM_DemoFrame)->Arg(0)->Arg(1)->Apply(TimedAsFrames);

void BM_PlainTextureFrame(benchmark::State& state)
{
    UseModelProgram(state, PLAIN_FRAGMENT);
    RunSceneFrames(state);
}
BENCHMARK(BM_PlainTextureFrame)->Arg(0)->Apply(TimedAsFrames);

// A candidate fragment program for the model, timed like the demo's own; a vertex program of the
// same name ending in ".vert" beside it goes with it, the demo's own otherwise.
void RegisterFragmentFile(const std::string& path)
{
    std::string vertexPath = path.substr(0, path.rfind('.')) + ".vert";
    if (access(vertexPath.c_str(), R_OK) != 0)
    {
        vertexPath = std::string(KYREL_ASSETS_DIR) + "/" + PARALLAX_VERTEX;
    }
    benchmark::RegisterBenchmark(("BM_FragmentFile/" + path).c_str(),
                                 [path, vertexPath](benchmark::State& state)
                                 {
                                     UseModelProgram(state, path.c_str(), vertexPath.c_str());
                                     RunSceneFrames(state);
                                 })
        ->Arg(0)
        ->Apply(TimedAsFrames);
}

// The console table as usual, keeping the median frame time of every benchmark for the ratio.
class MedianReporter : public benchmark::ConsoleReporter
{
public:
    // Colours only on a terminal, as the library's own console table does.
    MedianReporter() : ConsoleReporter(isatty(STDOUT_FILENO) ? OO_ColorTabular : OO_Tabular) {}

    void ReportRuns(const std::vector<Run>& runs) override
    {
        for (const Run& run : runs)
        {
            if (run.run_type == Run::RT_Aggregate && run.aggregate_name == "median")
            {
                medians[run.run_name.function_name + "/" + run.run_name.args] =
                    run.GetAdjustedRealTime();
            }
        }
        ConsoleReporter::ReportRuns(runs);
    }

    // Frame rates are inverse frame times: demo fps / plain fps = plain time / demo time.
    void PrintFrameRateRatios() const
    {
        auto plain = medians.find(PLAIN_RUN);
        if (plain == medians.end())
        {
            return;
        }
        for (const auto& entry : medians)
        {
            const bool demo = entry.first == DEMO_RUN;
            if ((demo || entry.first.rfind(FILE_RUN_PREFIX, 0) == 0) && entry.second > 0.0)
            {
                std::printf("Frame rate, %s / plain texture (medians): %.3f\n",
                            demo ? "demo" : entry.first.c_str(), plain->second / entry.second);
            }
        }
    }

private:
    std::map<std::string, double> medians;
};
}  // namespace

int main(int argc, char** argv)
{
    // The repetitions of the variants take turns, so a busy spell on a shared machine slows both
    // rather than one; a flag on the command line still overrides it.
    std::vector<char*> arguments(argv, argv + argc);
    char interleave[] = "--benchmark_enable_random_interleaving=true";
    arguments.insert(arguments.begin() + 1, interleave);
    int argumentCount = static_cast<int>(arguments.size());
    arguments.push_back(nullptr);
    benchmark::Initialize(&argumentCount, arguments.data());
    // What the library left are the fragment files; named from here, before the run moves away.
    char* here = getcwd(nullptr, 0);
    for (int i = 1; i < argumentCount; ++i)
    {
        std::string path = arguments[i];
        RegisterFragmentFile(path[0] == '/' || !here ? path : std::string(here) + "/" + path);
    }
    std::free(here);
    if (!EnterAssetsDirectory(KYREL_ASSETS_DIR) || !WritePlainFragment())
    {
        return 1;
    }
    SetUpDemoScene();
    MedianReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    reporter.PrintFrameRateRatios();
    delete engine;
    SDL_Quit();
    return 0;
}
