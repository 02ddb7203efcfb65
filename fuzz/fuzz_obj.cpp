// Fuzzes the OBJ reader over memory, then builds shadow volumes from what it read: any text must
// give a model whose every face index lies inside its object's arrays, never a read or write
// outside them.
#include "models/CObjReader.h"
#include "models/CShadowVolume.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <vector>

namespace
{
bool Inside(int index, size_t count)
{
    return index >= 0 && static_cast<size_t>(index) < count;
}

void CheckObject(const ModelObject& object)
{
    if (object.normals.size() != object.vertices.size() ||
        object.faces.size() != static_cast<size_t>(object.faceCount))
    {
        std::abort();
    }
    for (const ModelFace& face : object.faces)
    {
        for (int k = 0; k < 3; ++k)
        {
            if (!Inside(face.vertIndex[k], object.vertices.size()) ||
                (object.hasTexture && !Inside(face.coordIndex[k], object.texCoords.size())))
            {
                std::abort();
            }
        }
    }
}
}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    if (!freopen("/dev/null", "w", stdout))
    {
        return 0;
    }
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    CModelData model;
    CObjReader reader;
    if (!reader.ReadFromMemory(&model, reinterpret_cast<const char*>(data), size, "fuzz.obj") ||
        model.objectCount != static_cast<int>(model.objects.size()) || model.objectCount < 1)
    {
        std::abort();
    }
    std::vector<float> positions, normals, texCoords;
    for (ModelObject& object : model.objects)
    {
        CheckObject(object);
        CObjReader::BuildCornerArrays(object, positions, normals, texCoords);
        CShadowVolume volume;
        volume.BuildFromMesh(object, CVector3(3, 5, 7), CVector3(1, 0, 0), CVector3(1, 2, 1), 30);
        volume.BuildFromMesh(object, CVector3(-3, 5, 1), CVector3(0, 0, 0), CVector3(1, 1, 1), 0);
    }
    return 0;
}
