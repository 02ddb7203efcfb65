// Built-in shader programs.
#include "shaders/CShaderManager.h"

#include <cstddef>

void CShaderManager::LoadBuiltInShaders() {}

CShader* CShaderManager::GetShader(int index) const
{
    if (index < 0 || static_cast<size_t>(index) >= shaders.size())
    {
        return nullptr;
    }
    return shaders[static_cast<size_t>(index)];
}
