// Owns the engine's GLSL programs; drawing code selects a built-in program by its index.
#ifndef KYREL_CSHADERMANAGER_H
#define KYREL_CSHADERMANAGER_H

#include <vector>

class CShader;

class CShaderManager
{
public:
    CShaderManager() = default;
    ~CShaderManager() = default;

    void LoadBuiltInShaders();
    // Null for an index outside the list.
    CShader* GetShader(int index) const;

private:
    std::vector<CShader*> shaders;
};

extern CShaderManager* gShaderManager;

#endif
