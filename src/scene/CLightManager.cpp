// Light registry.
#include "scene/CLightManager.h"
