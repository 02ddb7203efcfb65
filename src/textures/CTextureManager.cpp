// Screen image registry.
#include "textures/CTextureManager.h"
