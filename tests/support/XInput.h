// Real X input for the input tests: xdotool aimed at the test window, pointer bursts, and a wait
// until SDL's own X connection holds everything the server made of them. Include after
// GoogleTest: the X11 headers define None.
#ifndef KYREL_TEST_XINPUT_H
#define KYREL_TEST_XINPUT_H

#include <SDL/SDL.h>
#include <SDL/SDL_syswm.h>
#include <X11/Xlib.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

namespace kyrel_test
{
inline void Xdotool(const std::string& arguments)
{
    const std::string command = "xdotool " + arguments;
    ASSERT_EQ(0, std::system(command.c_str())) << command;
}

inline SDL_SysWMinfo WindowInfo()
{
    SDL_SysWMinfo info;
    SDL_VERSION(&info.version);
    EXPECT_EQ(1, SDL_GetWMInfo(&info));
    return info;
}

inline std::string WindowId()
{
    return std::to_string(WindowInfo().info.x11.window);
}

// xdotool arguments for a burst of relative pointer moves, one pixel each, alternately right and
// down: steps / 2 to the right and (steps + 1) / 2 down in all.
inline std::string PointerStaircase(int steps)
{
    std::string arguments;
    for (int step = 0; step < steps; ++step)
    {
        arguments += step % 2 == 0 ? " mousemove_relative -- 0 1" : " mousemove_relative -- 1 0";
    }
    return arguments;
}

// Waits until the X server has the pointer at (x, y) of the test window and, when named, the key
// up. The queries go over SDL's own connection, whose replies come after every event the server
// sent it before: once they show that state, SDL's next poll reads all those events.
inline bool WaitForXServer(int x, int y, const char* releasedKey = nullptr)
{
    const SDL_SysWMinfo info = WindowInfo();
    Display* display = info.info.x11.display;
    const KeyCode key = releasedKey ? XKeysymToKeycode(display, XStringToKeysym(releasedKey)) : 0;
    for (int attempt = 0; attempt < 2000; ++attempt)
    {
        Window root, child;
        int rootX, rootY, windowX, windowY;
        unsigned mask;
        XQueryPointer(display, info.info.x11.window, &root, &child, &rootX, &rootY, &windowX,
                      &windowY, &mask);
        char keys[32];
        XQueryKeymap(display, keys);
        const bool keyUp = (keys[key / 8] & (1 << (key % 8))) == 0;
        if (windowX == x && windowY == y && (!releasedKey || keyUp))
        {
            return true;
        }
        SDL_Delay(2);
    }
    return false;
}
}  // namespace kyrel_test

#endif
