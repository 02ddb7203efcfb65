// Fuzzes the 3DS reader over memory, then builds the corner and colour arrays and shadow volumes
// from what it read: any bytes must give either a refusal or a model whose every face index lies
// inside its object's arrays, never a read or write outside them, a loop or a deep recursion.
#include "models/C3DSReader.h"
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

void CheckObject(const CModelData& model, const ModelObject& object)
{
    if (object.normals.size() != object.vertices.size() ||
        object.faces.size() != static_cast<size_t>(object.faceCount) ||
        object.bufferVertexCount != 3 * object.faceCount ||
        object.materialIndex >= static_cast<int>(model.materials.size() + 1))
    {
        std::abort();
    }
    for (const ModelFace& face : object.faces)
    {
        for (int k = 0; k < 3; ++k)
        {
            if (!Inside(face.vertIndex[k], object.vertices.size()) ||
                (!object.texCoords.empty() && !Inside(face.coordIndex[k], object.texCoords.size())))
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
    C3DSReader reader;
    const int swapAxes = size > 0 ? data[size - 1] & 1 : 0;
    if (!reader.LoadFromMemory(&model, data, size, "fuzz.3ds", swapAxes))
    {
        if (model.objectCount != 0 || !model.objects.empty())
        {
            std::abort();
        }
        return 0;
    }
    if (model.objectCount != static_cast<int>(model.objects.size()) ||
        model.materialCount != static_cast<int>(model.materials.size()))
    {
        std::abort();
    }
    std::vector<float> positions, normals, texCoords, colors;
    for (ModelObject& object : model.objects)
    {
        CheckObject(model, object);
        CObjReader::BuildCornerArrays(object, positions, normals, texCoords);
        C3DSReader::BuildColorArray(model, object, colors);
        CShadowVolume volume;
        volume.BuildFromMesh(object, CVector3(3, 5, 7), CVector3(1, 0, 0), CVector3(1, 2, 1), 30);
        volume.BuildFromMesh(object, CVector3(-3, 5, 1), CVector3(0, 0, 0), CVector3(1, 1, 1), 0);
    }
    return 0;
}
