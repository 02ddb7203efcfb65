// Saves the GL test window's back buffer as a PNG (through a PPM and ImageMagick's convert) so a
// person can look at what a test drew. For GL tests only: it reads the window with glReadPixels.
#ifndef KYREL_TEST_WINDOWSCREENSHOT_H
#define KYREL_TEST_WINDOWSCREENSHOT_H

#include "gl/GLTestEnvironment.h"

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace kyrel_test
{
// True when the PNG was written; the PPM is kept instead when convert is missing.
inline bool SaveWindowPng(const std::string& path)
{
    const std::vector<unsigned char> rgba = ReadPixels(0, 0, WINDOW_WIDTH, WINDOW_HEIGHT);
    const std::string ppm = path + ".ppm";
    FILE* file = std::fopen(ppm.c_str(), "wb");
    if (file == nullptr)
    {
        return false;
    }
    std::fprintf(file, "P6 %d %d 255\n", WINDOW_WIDTH, WINDOW_HEIGHT);
    // GL rows run bottom up, PPM rows top down.
    for (int y = WINDOW_HEIGHT - 1; y >= 0; --y)
    {
        for (int x = 0; x < WINDOW_WIDTH; ++x)
        {
            std::fwrite(&rgba[(static_cast<size_t>(y) * WINDOW_WIDTH + x) * 4], 1, 3, file);
        }
    }
    std::fclose(file);
    const std::string command = "convert '" + ppm + "' '" + path + "' 2>/dev/null";
    if (std::system(command.c_str()) != 0)
    {
        return false;
    }
    std::remove(ppm.c_str());
    return true;
}
}  // namespace kyrel_test

#endif
