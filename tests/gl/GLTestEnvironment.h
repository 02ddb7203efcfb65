// GL test support: the whole engine started in a scratch working directory (with links to the
// demo's Data/ and shaders/) and one real window opened on the test display, once per process.
#ifndef KYREL_GLTESTENVIRONMENT_H
#define KYREL_GLTESTENVIRONMENT_H

#include <GL/glew.h>
#include <string>
#include <vector>

class CEngine;

namespace kyrel_test
{
const int WINDOW_WIDTH = 1024;
const int WINDOW_HEIGHT = 768;

// The engine, with the video mode set (windowed 1024 x 768, 16-bit depth, 8-bit stencil).
CEngine* Engine();
// The scratch working directory the engine runs in.
const std::string& WorkingDirectory();

// RGBA of one pixel of the back buffer, origin at the bottom left as GL reads it.
std::vector<unsigned char> ReadPixel(int x, int y);
// RGBA of a rectangle of the back buffer, rows bottom first.
std::vector<unsigned char> ReadPixels(int x, int y, int width, int height);
// Waits until the X server has handled every request so far (warps, and the input of an xdotool
// that has exited) and the events they caused have reached this process; SDL takes them from there.
void SyncInput();
// SyncInput, then SDL takes and drops every event, so a late motion event cannot overwrite the
// mouse position a test has just set.
void SettleInput();
// Clears colour, depth and stencil and resets both matrices to identity.
void ResetFrame();
}  // namespace kyrel_test

#endif
