/// \file
/// Owns the engine's GLSL programs; drawing code selects a built-in program by its index.
#ifndef KYREL_CSHADERMANAGER_H
#define KYREL_CSHADERMANAGER_H

#include <vector>

class CShader;

/// Indices of the built-in programs that the engine's own drawing code selects.
enum BuiltInShader
{
    SHADER_SIMPLE_TEXTURE = 0,
    SHADER_DIRECTIONAL_PER_PIXEL = 4,
    SHADER_SHADOW_MAPPING_PCF = 12,
    SHADER_PARALLAX = 13,
    BUILT_IN_SHADER_COUNT = 14
};

/// One row of the built-in table: progress line and the two source files under shaders/.
struct BuiltInShaderFiles
{
    const char* progressLine;
    const char* vertexPath;
    const char* fragmentPath;
};

class CShaderManager
{
public:
    CShaderManager() = default;
    ~CShaderManager();

    CShaderManager(const CShaderManager&) = delete;
    CShaderManager& operator=(const CShaderManager&) = delete;

    /// Builds the fourteen built-in programs in table order, with progress lines on standard output.
    void LoadBuiltInShaders();
    /// The manager owns the shader from now on; it takes the next index.
    void AddShader(CShader* shader);
    /// Null for an index outside the list.
    CShader* GetShader(int index) const;
    int GetShaderCount() const { return static_cast<int>(shaders.size()); }

    /// The built-in table, BUILT_IN_SHADER_COUNT rows in index order.
    static const BuiltInShaderFiles* GetBuiltInFiles();

private:
    std::vector<CShader*> shaders;
};

extern CShaderManager* gShaderManager;

#endif
