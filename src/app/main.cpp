// Program entry: runs the Parallax Map Demo and shuts SDL down once it is destroyed.
#include "app/ParallaxMapDemo.h"
#include "platform/QuitSignals.h"

#include <SDL/SDL.h>
#include <iostream>
#include <string>

namespace
{
int RunDemo()
{
    ParallaxMapDemo demo;
    demo.Init();
    demo.Run();
    demo.OnExit();
    return 0;
}
}  // namespace

int main(int, char**)
{
    // Before the engine starts SDL: SIGTERM and SIGINT end the demo as a closed window does.
    QuitSignals::Install();
    int status = 1;
    try
    {
        status = RunDemo();
    }
    catch (const std::string& message)
    {
        std::cerr << message << std::endl;
        status = 1;
    }
    catch (const std::exception& error)
    {
        std::cerr << error.what() << std::endl;
        status = 1;
    }
    SDL_Quit();
    return status;
}
