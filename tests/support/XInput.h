// Real X input for the input tests: xdotool, pointer bursts, and a wait until SDL's own X
// connection holds all the events the server made of them. Include after GoogleTest: the X11
// headers define None.
#ifndef KYREL_TEST_XINPUT_H
#define KYREL_TEST_XINPUT_H

#include <SDL/SDL_syswm.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

namespace kyrel_test
{
inline void Xdotool(const std::string& arguments)
{
    ASSERT_EQ(0, std::system(("xdotool " + arguments).c_str())) << arguments;
}

inline SDL_SysWMinfo WindowInfo()
{
    SDL_SysWMinfo info;
    SDL_VERSION(&info.version);
    EXPECT_EQ(1, SDL_GetWMInfo(&info));
    return info;
}

// One-pixel relative moves, alternately down and right.
inline std::string PointerStaircase(int steps)
{
    std::string arguments;
    for (int step = 0; step < steps; ++step)
    {
        arguments += step % 2 ? " mousemove_relative 1 0" : " mousemove_relative 0 1";
    }
    return arguments;
}

// Until the server has the pointer at (x, y) of the test window and the key, if named, up. Asked
// over SDL's own connection, whose replies follow every event sent to it before: SDL's next pump
// then reads them all.
inline bool WaitForXServer(int x, int y, const char* releasedKey = nullptr)
{
    const SDL_SysWMinfo info = WindowInfo();
    Display* display = info.info.x11.display;
    const KeyCode key = releasedKey ? XKeysymToKeycode(display, XStringToKeysym(releasedKey)) : 0;
    for (int attempt = 0; attempt < 2000; ++attempt, SDL_Delay(2))
    {
        Window root, child;
        int rootX, rootY, windowX, windowY;
        unsigned mask;
        char keys[32];
        XQueryPointer(display, info.info.x11.window, &root, &child, &rootX, &rootY, &windowX,
                      &windowY, &mask);
        XQueryKeymap(display, keys);
        if (windowX == x && windowY == y && (keys[key / 8] & (1 << (key % 8))) == 0)
        {
            return true;
        }
    }
    return false;
}
}  // namespace kyrel_test

#endif
