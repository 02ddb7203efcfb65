// One engine and one window per test process; each test is its own process under CTest.
#include "gl/GLTestEnvironment.h"

#include "core/CEngine.h"
#include "platform/CGraphicsCore.h"

#include <SDL/SDL.h>
#include <gtest/gtest.h>
#include <X11/Xlib.h>
#include <climits>
#include <cstdlib>
#include <stdexcept>
#include <unistd.h>

namespace kyrel_test
{
namespace
{
CEngine* engine = nullptr;
std::string workingDirectory;

std::string MakeScratchDirectory()
{
    char pattern[] = "/tmp/kyrel-gl-XXXXXX";
    const char* made = mkdtemp(pattern);
    if (!made)
    {
        throw std::runtime_error("cannot create a scratch directory");
    }
    std::string dir = made;
    std::string assets = KYREL_ASSETS_DIR;
    if (symlink((assets + "/Data").c_str(), (dir + "/Data").c_str()) != 0 ||
        symlink((assets + "/shaders").c_str(), (dir + "/shaders").c_str()) != 0 ||
        chdir(dir.c_str()) != 0)
    {
        throw std::runtime_error("cannot prepare " + dir);
    }
    return dir;
}

// A busy virtual display may turn clients away for a moment; the engine gets one try.
void WaitForDisplay()
{
    for (int attempt = 0; attempt < 100; ++attempt)
    {
        if (Display* display = XOpenDisplay(nullptr))
        {
            XCloseDisplay(display);
            return;
        }
        SDL_Delay(100);
    }
}

class GLEnvironment : public ::testing::Environment
{
public:
    void SetUp() override
    {
        WaitForDisplay();
        workingDirectory = MakeScratchDirectory();
        engine = new CEngine();
        gGraphicsCore->SetDepthBits(16);
        gGraphicsCore->SetStencilBits(8);
        engine->SetVideoMode(WINDOW_WIDTH, WINDOW_HEIGHT, 24, false, false);
    }

    void TearDown() override
    {
        delete engine;
        engine = nullptr;
        SDL_Quit();
        std::string cleanup = "rm -rf '" + workingDirectory + "'";
        if (system(cleanup.c_str()) != 0)
        {
            fprintf(stderr, "could not remove %s\n", workingDirectory.c_str());
        }
    }
};
}  // namespace

CEngine* Engine()
{
    return engine;
}

const std::string& WorkingDirectory()
{
    return workingDirectory;
}

std::vector<unsigned char> ReadPixels(int x, int y, int width, int height)
{
    std::vector<unsigned char> pixels(static_cast<size_t>(width) * height * 4);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadBuffer(GL_BACK);
    glReadPixels(x, y, width, height, GL_RGBA, GL_UNSIGNED_BYTE, pixels.data());
    return pixels;
}

std::vector<unsigned char> ReadPixel(int x, int y)
{
    return ReadPixels(x, y, 1, 1);
}

void SettleInput()
{
    SDL_Event event;
    for (int round = 0; round < 5; ++round)
    {
        SDL_Delay(10);
        SDL_PumpEvents();
        while (SDL_PollEvent(&event))
        {
        }
    }
}

void ResetFrame()
{
    glClearColor(0, 0, 0, 0);
    glClearStencil(0);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT | GL_STENCIL_BUFFER_BIT);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
}
}  // namespace kyrel_test

int main(int argc, char** argv)
{
    ::testing::InitGoogleTest(&argc, argv);
    ::testing::AddGlobalTestEnvironment(new kyrel_test::GLEnvironment());
    return RUN_ALL_TESTS();
}
