// Baseline JPEG decoder.
#ifndef KYREL_CJPEGDECODER_H
#define KYREL_CJPEGDECODER_H

#include <GL/glew.h>

// Decodes a baseline JPEG file into a texture; 0 when the file cannot be decoded.
GLuint LoadJPEG(const char* path, bool useAnisotropy);

#endif
