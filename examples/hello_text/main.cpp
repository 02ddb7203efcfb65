// The smallest program on the Kyrel Engine: a window, the frame rate and a few lines of text in
// the engine's bitmap font.
//   hello_text [SCREENSHOT.bmp]
// Escape or closing the window quits. Given a file name, it draws a few frames, saves the last
// one there and exits: that is how the build checks that the example still works.
#include "core/CEngine.h"
#include "io/Version.h"
#include "overlay/CFont.h"
#include "overlay/CFontManager.h"
#include "platform/CEventManager.h"
#include "platform/CGraphicsCore.h"

#include <GL/glew.h>
#include <SDL/SDL.h>
#include <iostream>
#include <string>

namespace
{
const int WIDTH = 640;
const int HEIGHT = 480;
const int SCREENSHOT_FRAME = 5;

// The engine takes at most one event per frame, so the quit test looks only at frames that
// took one: Escape held, or the window's close button.
bool QuitRequested()
{
    return gEventManager->HasEvent() && (gEventManager->IsKeyDown(SDLK_ESCAPE) ||
                                         gEventManager->IsLastEvent(CEventManager::EVENT_QUIT));
}

int Run(const char* screenshot)
{
    // Creating the engine starts its managers (graphics, textures, fonts, sound, ...). Each one
    // is reached through a global pointer such as gGraphicsCore; there is no window yet.
    CEngine engine;
    // Opening the window also builds the built-in shaders and loads font number 1. The last
    // argument asks for a 2D-only set-up: this program draws no 3D scene.
    engine.SetVideoMode(WIDTH, HEIGHT, 24, false, true);
    gGraphicsCore->SetCaption("Kyrel Engine - hello text");
    engine.SetShowFps(true);  // the engine prints "Current FPS" in the top left corner

    CFont* font = gFontManager->GetFont(1);
    for (int frame = 0;; ++frame)
    {
        glClearColor(0.08f, 0.1f, 0.18f, 1.0f);
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        glLoadIdentity();
        // The engine's share of a frame: one event, the 3D scene (empty here), GUI windows and
        // the frame rate. Your own 2D drawing comes after it, so that it lands on top.
        engine.Frame();

        // Text positions are pixels from the top left corner. The sheet holds two character
        // sets; set 0 is the plain one.
        font->Print(40, 80, 0, "Hello from the Kyrel Engine %s", KyrelVersion());
        font->PrintColored(40, 120, 0, 1.0f, 0.8f, 0.2f, "Text in any colour,");
        font->PrintEx(40, 160, 0, 0.4f, 1.0f, 0.6f, 1.0f, 2.0f, 2.0f, "any size,");
        font->Print(40, 230, 1, "and in the second, slanted set.");
        font->Print(40, 420, 0, "Escape quits.");

        if (screenshot && frame == SCREENSHOT_FRAME)
        {
            // Saved before the swap: the picture is the frame just drawn.
            return gGraphicsCore->SaveScreenshot(screenshot) ? 0 : 1;
        }
        gGraphicsCore->SwapBuffers();
        if (QuitRequested())
        {
            return 0;
        }
    }
}
}  // namespace

int main(int argc, char** argv)
{
    // The engine looks for its shaders and font in the working directory first, then in the
    // folders named here. KYREL_DATA_DIR is the installed engine's own folder, so this program
    // runs from anywhere. Name folders before the engine starts.
    CEngine::AddDataFolder(KYREL_DATA_DIR);
    int status = 1;
    try
    {
        status = Run(argc > 1 ? argv[1] : nullptr);
    }
    catch (const std::string& message)
    {
        // How the engine reports that SDL could not open the display or the window.
        std::cerr << message << std::endl;
    }
    SDL_Quit();
    return status;
}
