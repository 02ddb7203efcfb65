// Render passes over the game objects.
#include "scene/CGameObjectManager.h"

void CGameObjectManager::Draw() {}
