// Writes the window's pixels to a PNG file (the viewer's screenshot).
#ifndef KYREL_VIEWER_PNGWRITER_H
#define KYREL_VIEWER_PNGWRITER_H

#include <string>

// Reads the current read buffer of the GL context (width x height, RGB) and writes it top row
// first; false when the file could not be written.
bool WriteFramebufferPng(const std::string& path, int width, int height);

#endif
