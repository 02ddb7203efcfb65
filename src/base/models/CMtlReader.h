/// \file
/// Reads OBJ material libraries (.mtl): each `newmtl` becomes a ModelMaterial with its name, its
/// diffuse colour `Kd` as bytes and its colour map `map_Kd` as written. Other statements are
/// skipped: the engine draws with one colour and one texture per material.
#ifndef KYREL_CMTLREADER_H
#define KYREL_CMTLREADER_H

#include "models/CModelData.h"

#include <cstddef>
#include <vector>

/// Reads OBJ material libraries (.mtl): each material's name, diffuse colour and colour map.
class CMtlReader
{
public:
    /// Appends the materials of the library at path. False (nothing appended) when the file cannot
    /// be read or defines no material.
    static bool Load(const char* path, std::vector<ModelMaterial>& materials);
    /// The same over text in memory.
    static bool LoadFromMemory(const char* data, size_t size,
                               std::vector<ModelMaterial>& materials);

private:
    static void ReadLine(const char* ptr, const char* end, std::vector<ModelMaterial>& materials);
    static void ReadDiffuse(const char* ptr, const char* end, ModelMaterial& material);
    static void ReadColorMap(const char* ptr, const char* end, ModelMaterial& material);
};

#endif
