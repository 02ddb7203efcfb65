// Fuzzes the MD2 reader over memory, then builds a shadow volume between two of the frames it
// read: any bytes must give either a rejection or a model whose every face index lies inside its
// frames' arrays, never a read or write outside them. Rejections print one line each on standard
// error: run with -close_fd_mask=2 to keep the fuzzer's own report readable.
#include "models/CMD2Reader.h"
#include "models/CShadowVolume.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

namespace
{
bool Inside(int index, size_t count)
{
    return index >= 0 && static_cast<size_t>(index) < count;
}

void CheckModel(const CModelData& model)
{
    if (model.objectCount < 1 || model.objects.size() != static_cast<size_t>(model.objectCount) ||
        model.animationCount != static_cast<int>(model.animations.size()))
    {
        std::abort();
    }
    const ModelObject& first = model.objects[0];
    const size_t vertexCount = static_cast<size_t>(model.keyFrames.VertexCount());
    if (model.keyFrames.FrameCount() != model.objectCount)
    {
        std::abort();
    }
    for (const ModelObject& frame : model.objects)
    {
        if (frame.vertexCount != first.vertexCount || frame.faceCount != first.faceCount)
        {
            std::abort();
        }
    }
    for (const ModelFace& face : first.faces)
    {
        for (int k = 0; k < 3; ++k)
        {
            if (!Inside(face.vertIndex[k], vertexCount) ||
                !Inside(face.coordIndex[k], first.texCoords.size()))
            {
                std::abort();
            }
        }
    }
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    CModelData model;
    CMD2Reader reader;
    if (!reader.LoadFromMemory(&model, data, size, "fuzz.md2", "skin.pcx"))
    {
        if (!model.objects.empty())
        {
            std::abort();  // a rejected file must leave the model as it was
        }
        return 0;
    }
    CheckModel(model);
    // The entity's shadow build: faces from the first frame, positions from two others; then the
    // normals of the last frame and the sphere, which decode everything else.
    const CKeyFrames& frames = model.keyFrames;
    KeyFramePositions positions;
    positions.first = frames.Vertices(0);
    positions.current = frames.Vertices(frames.FrameCount() - 1);
    positions.next = positions.first;
    positions.vertexCount = static_cast<size_t>(frames.VertexCount());
    CShadowVolume volume;
    for (int i = 0; i < 2; ++i)
    {
        volume.BuildFromMD2Frames(model.objects[0], model.objects.back().faceCount, positions, 0.5f,
                                  CVector3(3, 50, 7), CVector3(1, 0, 0), CVector3(1, 2, 1), 30.0f);
    }
    frames.Normals(frames.FrameCount() - 1);
    CVector3 centre;
    float radius = 0.0f;
    model.GetBoundingSphere(centre, radius);
    return 0;
}
