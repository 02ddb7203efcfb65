// The shader list and the fourteen built-in programs the engine draws with.
#include "shaders/CShaderManager.h"

#include "shaders/CShader.h"

#include <cstddef>
#include <iostream>

namespace
{
const char* const BANNER =
    "-------------========= Loading built in shaders ==========------------\n";

// Index order is the engine's contract: drawing code selects programs by position.
const BuiltInShaderFiles BUILT_IN_FILES[BUILT_IN_SHADER_COUNT] = {
    {"Loading simple texture shader...", "shaders/simpleTexture.vert",
     "shaders/simpleTexture.frag"},
    {"Loading simple color shader...", "shaders/color.vert", "shaders/color.frag"},
    {"Loading color eith texture shader...", "shaders/colorWithTex.vert",
     "shaders/colorWithTex.frag"},
    {"Loading heightmap texture shader...", "shaders/hfield.vert", "shaders/hfield.frag"},
    {"Loading Directional Per Pixel Diffuse lightning shader...", "shaders/dirPerPixel.vert",
     "shaders/dirPerPixel.frag"},
    {"Loading Directional Per Vertex Diffuse lightning shader...", "shaders/dirPerVertex.vert",
     "shaders/dirPerVertex.frag"},
    {"Loading Point Per Pixel lightning shader...", "shaders/pointlight.vert",
     "shaders/pointlight.frag"},
    {"Loading Spot Per Pixel lightning shader...", "shaders/spotlight.vert",
     "shaders/spotlight.frag"},
    {"Loading Toon shader...", "shaders/toonf2.vert", "shaders/toonf2.frag"},
    {"Loading vertex diffuse light with texture shader...", "shaders/dirPerVertexTEX.vert",
     "shaders/dirPerVertexTEX.frag"},
    {"Loading pixel diffuse light with texture shader...", "shaders/dirPerPixelTEX.vert",
     "shaders/dirPerPixelTEX.frag"},
    {"Loading shadow mapping shader...", "shaders/ShadowMapping.vert",
     "shaders/ShadowMapping.frag"},
    {"Loading shadow mapping pcf shader...", "shaders/ShadowMappingPCF.vert",
     "shaders/ShadowMappingPCF.frag"},
    {"Loading parallax mapping shader...", "shaders/parallax3.vert", "shaders/parallax3.frag"},
};
}  // namespace

CShaderManager::~CShaderManager()
{
    for (CShader*& shader : shaders)
    {
        delete shader;
        shader = nullptr;
    }
}

const BuiltInShaderFiles* CShaderManager::GetBuiltInFiles()
{
    return BUILT_IN_FILES;
}

void CShaderManager::LoadBuiltInShaders()
{
    std::cout << std::endl;
    std::cout << BANNER << std::endl;
    for (const BuiltInShaderFiles& files : BUILT_IN_FILES)
    {
        std::cout << files.progressLine << std::endl;
        CShader* shader = new CShader();
        // A program that fails to compile has reported its log and still takes its slot, so
        // the indices after it never shift.
        shader->Load(files.fragmentPath, files.vertexPath);
        AddShader(shader);
    }
    std::cout << std::endl;
}

void CShaderManager::AddShader(CShader* shader)
{
    shaders.push_back(shader);
}

CShader* CShaderManager::GetShader(int index) const
{
    if (index < 0 || static_cast<size_t>(index) >= shaders.size())
    {
        return nullptr;
    }
    return shaders[static_cast<size_t>(index)];
}
