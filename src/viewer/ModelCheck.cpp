// GL-free model check: each kind read by its own reader, counted, and judged by what it holds.
#include "viewer/ModelCheck.h"

#include "models/C3DSReader.h"
#include "models/CMD2Reader.h"
#include "models/CModelData.h"
#include "models/CObjReader.h"
#include "models/CXMLModel.h"
#include "xml/xmlParser.h"

#include <algorithm>
#include <cctype>
#include <sys/stat.h>

namespace
{
const char* const XML_ROOT = "KyrelModelFormat";

std::string LowerExtension(const std::string& path)
{
    size_t dot = path.find_last_of('.');
    size_t slash = path.find_last_of('/');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash))
    {
        return std::string();
    }
    std::string extension = path.substr(dot + 1);
    std::transform(extension.begin(), extension.end(), extension.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return extension;
}

// MD2 key frames all share the first frame's faces: only that frame is counted as a mesh.
void CountModelData(const CModelData& model, bool keyFrames, ModelStats& stats)
{
    stats.objects = model.objectCount;
    stats.materials = model.materialCount;
    stats.animations = model.animationCount;
    size_t meshes = keyFrames ? std::min<size_t>(1, model.objects.size()) : model.objects.size();
    for (size_t i = 0; i < meshes; ++i)
    {
        stats.vertices += model.objects[i].vertexCount;
        stats.triangles += model.objects[i].faceCount;
    }
}

bool ReadMeshModel(ModelKind kind, const std::string& path, bool swapAxes, ModelStats& stats)
{
    CModelData model;
    bool read = false;
    if (kind == ModelKind::Md2)
    {
        CMD2Reader reader;
        read = reader.Load(&model, path.c_str(), "");
    }
    else if (kind == ModelKind::ThreeDS)
    {
        C3DSReader reader;
        read = reader.Load(&model, path.c_str(), swapAxes ? 1 : 0);
    }
    else
    {
        CObjReader reader;
        read = reader.Load(&model, path.c_str());
    }
    if (read)
    {
        CountModelData(model, kind == ModelKind::Md2, stats);
    }
    return read;
}

bool ReadXmlModel(const std::string& path, ModelStats& stats)
{
    XmlParseResult result{};
    CXmlElement root = ParseFileText(path.c_str(), XML_ROOT, &result);
    if (result.errorCode != XML_ERROR_NONE && result.errorCode != XML_WARNING_UNMATCHED_END_TAG)
    {
        return false;
    }
    // Pictures are the entity's business; the check only needs the geometry.
    CXMLModel model;
    if (!model.ReadDocument(root, path.c_str(), [](const char*) { return 0u; }))
    {
        return false;
    }
    stats.objects = static_cast<int>(model.subObjects.size());
    stats.materials = static_cast<int>(model.materials.size());
    for (const XMLSubObject& object : model.subObjects)
    {
        stats.vertices += static_cast<int>(object.vertices.size());
        for (const XMLFace& face : object.faces)
        {
            stats.triangles += face.IsQuad() ? 2 : 1;
        }
    }
    return true;
}
}  // namespace

ModelKind KindFromPath(const std::string& path)
{
    std::string extension = LowerExtension(path);
    if (extension == "xml")
    {
        return ModelKind::Xml;
    }
    if (extension == "obj")
    {
        return ModelKind::Obj;
    }
    if (extension == "md2")
    {
        return ModelKind::Md2;
    }
    if (extension == "3ds")
    {
        return ModelKind::ThreeDS;
    }
    return ModelKind::Unknown;
}

const char* KindName(ModelKind kind)
{
    switch (kind)
    {
    case ModelKind::Xml:
        return "XML model";
    case ModelKind::Obj:
        return "OBJ";
    case ModelKind::Md2:
        return "MD2";
    case ModelKind::ThreeDS:
        return "3DS";
    case ModelKind::Unknown:
        break;
    }
    return "unknown";
}

bool CheckModel(ModelKind kind, const std::string& path, bool swapAxes, ModelStats& stats,
                std::string& reason)
{
    stats = ModelStats();
    if (kind == ModelKind::Unknown)
    {
        reason = "not a model file (expected .xml, .obj, .md2 or .3ds)";
        return false;
    }
    struct stat info;
    if (stat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode))
    {
        reason = "cannot read the file";
        return false;
    }
    if (info.st_size == 0)
    {
        reason = "the file is empty";
        return false;
    }
    bool read = kind == ModelKind::Xml ? ReadXmlModel(path, stats)
                                       : ReadMeshModel(kind, path, swapAxes, stats);
    if (!read || stats.triangles == 0)
    {
        reason = std::string("not a readable ") + KindName(kind) + " model";
        return false;
    }
    return true;
}
