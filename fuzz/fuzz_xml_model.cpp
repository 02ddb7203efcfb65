// Fuzzes the XML model reader over documents in memory, pictures replaced by made-up texture names:
// any text must give a model whose lists and face indices stay inside what was read, and from
// which a shadow volume builds.
#include "models/CShadowVolume.h"
#include "models/CXMLModel.h"
#include "xml/xmlParser.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace
{
// Checks what the draws and the shadow builder rely on without further tests.
void CheckModel(const CXMLModel& model)
{
    if (model.materialCount != model.materials.size() ||
        model.heightMapCount != model.heightMaps.size() ||
        model.subObjectCount != model.subObjects.size())
    {
        abort();
    }
    unsigned int vertexTotal = 0;
    for (const XMLSubObject& object : model.subObjects)
    {
        if (object.vertexCount != object.vertices.size() || object.faceCount != object.faces.size())
        {
            abort();
        }
        vertexTotal += object.vertexCount;
        const int held = static_cast<int>(object.vertices.size());
        for (const XMLFace& face : object.faces)
        {
            const int corners[4] = {face.a, face.b, face.c, face.IsQuad() ? face.d : 0};
            for (int corner : corners)
            {
                if (corner < 0 || corner >= held)
                {
                    abort();
                }
            }
            // Any index, in or out of the lists, must answer a texture without a read outside.
            volatile int texture = model.MaterialTexture(face.materialIndex) +
                                   model.HeightMapTexture(face.parallaxMapIndex);
            (void)texture;
        }
    }
    if (vertexTotal != model.vertexCount)
    {
        abort();
    }
}
}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    // The reader's messages are not the point here; keep the fuzzer's output readable (its
    // diagnostics on standard error are silenced with -close_fd_mask=2 when wanted).
    if (!freopen("/dev/null", "w", stdout))
    {
        return 0;
    }
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    std::string text(reinterpret_cast<const char*>(data), size);
    XmlParseResult result{};
    CXmlElement root = ParseText(text.c_str(), XML_MODEL_ROOT_TAG, &result);
    if (root.IsNull() || result.errorCode != 0)
    {
        return 0;
    }
    unsigned int nextTexture = 1;
    CXMLModel model;
    model.ReadDocument(root, "fuzz.xml", [&nextTexture](const char*) { return nextTexture++; });
    model.BuildTangentFrames();
    CheckModel(model);
    // The entity's shadow volume is built from the first sub-object as loaded.
    if (!model.subObjects.empty())
    {
        XMLSubObject& first = model.subObjects[0];
        CShadowVolume volume;
        volume.BuildFromXMLModel(first.vertices.data(), first.vertexCount, first.faces.data(),
                                 first.faceCount, 3.0f, 10.0f, -2.0f, CVector3(1.0f, 0.0f, 0.0f));
    }
    return 0;
}
