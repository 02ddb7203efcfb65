// Baseline JPEG decoding.
#include "textures/CJpegDecoder.h"

GLuint LoadJPEG(const char*, bool) { return 0; }
