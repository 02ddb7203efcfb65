// One engine and one window per test process; each test is its own process under CTest.
#include "gl/GLTestEnvironment.h"

#include "core/CEngine.h"
#include "platform/CGraphicsCore.h"
#include "support/TempFiles.h"

#include <SDL/SDL.h>
#include <gtest/gtest.h>
// After GoogleTest: the X11 headers define None.
#include <SDL/SDL_syswm.h>
#include <X11/Xlib.h>
#include <climits>
#include <memory>
#include <cstdlib>
#include <stdexcept>
#include <unistd.h>

namespace kyrel_test
{
namespace
{
CEngine* engine = nullptr;
// The engine runs in a scratch copy of the demo's working directory, gone when the process ends.
std::unique_ptr<kyrel_test::DemoWorkingDirectory> workingDirectory;

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
    const char* name = getenv("DISPLAY");
    throw std::runtime_error(std::string("no X display accepts clients at DISPLAY=") +
                             (name ? name : "(unset)"));
}

class GLEnvironment : public ::testing::Environment
{
public:
    void SetUp() override
    {
        WaitForDisplay();
        workingDirectory.reset(new kyrel_test::DemoWorkingDirectory("kyrel-gl", KYREL_ASSETS_DIR));
        if (chdir(workingDirectory->Path().c_str()) != 0)
        {
            throw std::runtime_error("cannot enter " + workingDirectory->Path());
        }
        // The engine reports start-up failures as thrown strings, which GoogleTest would only
        // call "unknown"; they are passed on with their text.
        try
        {
            engine = new CEngine();
            gGraphicsCore->SetDepthBits(16);
            gGraphicsCore->SetStencilBits(8);
            engine->SetVideoMode(WINDOW_WIDTH, WINDOW_HEIGHT, 24, false, false);
        }
        catch (const std::string& message)
        {
            throw std::runtime_error("engine start-up: " + message);
        }
    }

    void TearDown() override
    {
        delete engine;
        engine = nullptr;
        SDL_Quit();
        workingDirectory.reset();
    }
};
}  // namespace

CEngine* Engine()
{
    return engine;
}

const std::string& WorkingDirectory()
{
    return workingDirectory->Path();
}

std::vector<unsigned char> ReadPixels(int x, int y, int width, int height)
{
    std::vector<unsigned char> pixels(static_cast<size_t>(width) * height * 4);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    // SDL's compatibility layer draws the window into a framebuffer object of its own, whose
    // colour buffer is already the read buffer; GL_BACK names no buffer there.
    GLint framebuffer = 0;
    glGetIntegerv(GL_FRAMEBUFFER_BINDING_EXT, &framebuffer);
    if (framebuffer == 0)
    {
        glReadBuffer(GL_BACK);
    }
    glReadPixels(x, y, width, height, GL_RGBA, GL_UNSIGNED_BYTE, pixels.data());
    return pixels;
}

std::vector<unsigned char> ReadPixel(int x, int y)
{
    return ReadPixels(x, y, 1, 1);
}

void SyncInput()
{
    // A round trip to the server: every request made before it (our warps, and whatever input an
    // xdotool that has exited sent) has been handled, and the events it caused sit in Xlib's queue.
    SDL_SysWMinfo info;
    SDL_VERSION(&info.version);
    if (SDL_GetWMInfo(&info) == 1)
    {
        info.info.x11.lock_func();
        XSync(info.info.x11.display, False);
        info.info.x11.unlock_func();
    }
}

void SettleInput()
{
    SyncInput();
    SDL_PumpEvents();
    SDL_Event event;
    while (SDL_PollEvent(&event))
    {
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
