// The engine's GUI: a draggable window holding an image button, a toggle and static texts. A
// click on the button plays a sound, unless the toggle has muted it.
//   gui [SCREENSHOT.bmp]
// Escape or closing the window quits.
#include "core/CEngine.h"
#include "overlay/CStaticText.h"
#include "overlay/CToggleButton.h"
#include "overlay/CWindow.h"
#include "overlay/CWindowManager.h"
#include "platform/CEventManager.h"
#include "platform/CGraphicsCore.h"
#include "sound/CSound.h"

#include <GL/glew.h>
#include <SDL/SDL.h>
#include <iostream>
#include <string>

namespace
{
// Controls report clicks by the number they were given; any numbers of your own will do.
enum Control
{
    PLAY_BUTTON = 1,
    MUTE_TOGGLE = 2
};

int Run(const char* screenshot)
{
    CEngine engine;
    engine.SetVideoMode(640, 480, 24, false, true);
    gGraphicsCore->SetCaption("Kyrel Engine - GUI");
    gGraphicsCore->ShowCursor(true);  // the system pointer; LoadCursor would draw your own

    // The GUI art and the sound installed with the engine. Your own files work the same way.
    const std::string data = KYREL_DATA_DIR;
    const std::string gui = data + "/Data/GUI/";

    // A window: its rectangle in pixels, a background picture stretched over it at 90%
    // opacity, a 16-pixel title bar to drag it by, and an identifier.
    CWindow* window = new CWindow(60.0f, 60.0f, 380.0f, 260.0f, (gui + "window.png").c_str(), true,
                                  0.9f, 16, 1, true);
    window->AddStaticText(new CStaticText("A Kyrel window", 12.0f, 26.0f));
    // Buttons and toggles are animations: files base1.png, base2.png, ... and a frame count.
    // Positions are relative to the window's top left corner.
    window->CreateButton((gui + "button").c_str(), 4, 12.0f, 56.0f, PLAY_BUTTON);
    window->AddStaticText(new CStaticText("Play", 24.0f, 65.0f));
    // Mind the colour order of static texts: red, blue, green, alpha (orange here).
    window->AddStaticText(new CStaticText("<- click me", 90.0f, 65.0f, 1.0f, 0.3f, 0.85f, 1.0f));
    CToggleButton* mute =
        window->CreateToggle((gui + "toggle_off").c_str(), 2, (gui + "toggle_on").c_str(), 2, 12.0f,
                             104.0f, MUTE_TOGGLE);
    window->AddStaticText(new CStaticText("Mute", 56.0f, 113.0f));
    CStaticText* status = new CStaticText("No clicks yet", 12.0f, 160.0f);
    window->AddStaticText(status);
    // Windows start hidden; the active window is shown and answers the mouse.
    window->SetActive(true);
    // The window manager owns the window (and the window its controls) from here on and
    // draws it in every engine.Frame().
    gWindowManager->AddWindow(window);

    // A sound that loads belongs to the sound manager, like windows to the window manager:
    // create it with new and never delete it. Without an audio device it stays silent.
    CSound* click = new CSound(data + "/Data/Samples/click.wav");
    if (!click->IsLoaded())
    {
        delete click;
        click = nullptr;
    }
    int clicks = 0;

    for (int frame = 0;; ++frame)
    {
        glClearColor(0.2f, 0.25f, 0.3f, 1.0f);
        glClear(GL_COLOR_BUFFER_BIT);
        glLoadIdentity();
        engine.Frame();  // draws the windows and notes which control, if any, was clicked

        const int clicked = gEventManager->GetClickedControl();  // -1: none this frame
        if (clicked == PLAY_BUTTON)
        {
            ++clicks;
            if (click && !mute->IsOn())
            {
                click->Play(0);
            }
            status->SetText(("Clicked " + std::to_string(clicks) + " times").c_str());
        }
        else if (clicked == MUTE_TOGGLE)  // the toggle has already flipped itself
        {
            status->SetText(mute->IsOn() ? "Muted" : "Sound on");
        }

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
    int status = 1;
    try
    {
        status = Run(argc > 1 ? argv[1] : nullptr);
    }
    catch (const std::string& message)
    {
        std::cerr << message << std::endl;
    }
    SDL_Quit();
    return status;
}
