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
    const char* progressLine;  ///< printed before the program is built
    /// Relative names ("shaders/…"), found through the data folders (FindDataFile).
    ///@{
    const char* vertexPath;
    const char* fragmentPath;
    ///@}
};

/// The GLSL programs, reached through gShaderManager; it owns them. CEngine::SetVideoMode builds
/// the built-in ones, so indexes 0 to BUILT_IN_SHADER_COUNT - 1 are theirs.
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
    /// Number of programs held.
    int GetShaderCount() const { return static_cast<int>(shaders.size()); }

    /// The built-in table, BUILT_IN_SHADER_COUNT rows in index order.
    static const BuiltInShaderFiles* GetBuiltInFiles();

private:
    std::vector<CShader*> shaders;
};

/// The engine's shader manager, created and deleted by CEngine.
extern CShaderManager* gShaderManager;

#endif
