// The rows of the model kind table, and the reading each kind's check does without GL.
#include "game/ModelKinds.h"

#include "models/C3DSObject.h"
#include "models/C3DSReader.h"
#include "models/CKObject.h"
#include "models/CMD2Object.h"
#include "models/CMD2Reader.h"
#include "models/CModelData.h"
#include "models/CObj.h"
#include "models/CObjReader.h"
#include "models/CXMLModel.h"
#include "xml/xmlParser.h"

#include <GL/glew.h>
#include <algorithm>
#include <cctype>

namespace
{
const char* const XML_ROOT = "KyrelModelFormat";

// Key-frame models share the first frame's faces across frames: only that frame counts as a mesh.
void CountModelData(const CModelData& model, bool keyFrames, ModelCounts& counts)
{
    counts.objects = model.objectCount;
    counts.materials = model.materialCount;
    counts.animations = model.animationCount;
    size_t meshes = keyFrames ? std::min<size_t>(1, model.objects.size()) : model.objects.size();
    for (size_t i = 0; i < meshes; ++i)
    {
        counts.vertices += model.objects[i].vertexCount;
        counts.triangles += model.objects[i].faceCount;
    }
}

bool CountXml(const ModelSource& source, ModelCounts& counts)
{
    XmlParseResult result{};
    CXmlElement root = ParseFileText(source.path, XML_ROOT, &result);
    if (result.errorCode != XML_ERROR_NONE && result.errorCode != XML_WARNING_UNMATCHED_END_TAG)
    {
        return false;
    }
    // Pictures are the entity's business; counting needs the geometry alone.
    CXMLModel model;
    if (!model.ReadDocument(root, source.path, [](const char*) { return 0u; }))
    {
        return false;
    }
    counts.objects = static_cast<int>(model.subObjects.size());
    counts.materials = static_cast<int>(model.materials.size());
    for (const XMLSubObject& object : model.subObjects)
    {
        counts.vertices += static_cast<int>(object.vertices.size());
        for (const XMLFace& face : object.faces)
        {
            counts.triangles += face.IsQuad() ? 2 : 1;
        }
    }
    return true;
}

bool CountObj(const ModelSource& source, ModelCounts& counts)
{
    CModelData model;
    CObjReader reader;
    if (!reader.Load(&model, source.path))
    {
        return false;
    }
    CountModelData(model, false, counts);
    return true;
}

bool CountMd2(const ModelSource& source, ModelCounts& counts)
{
    CModelData model;
    CMD2Reader reader;
    if (!reader.Load(&model, source.path, ""))
    {
        return false;
    }
    CountModelData(model, true, counts);
    return true;
}

bool Count3ds(const ModelSource& source, ModelCounts& counts)
{
    CModelData model;
    C3DSReader reader;
    if (!reader.Load(&model, source.path, source.swapAxes ? 1 : 0))
    {
        return false;
    }
    CountModelData(model, false, counts);
    return true;
}

template <class Entity> Entity* As(CEntity* entity)
{
    return static_cast<Entity*>(entity);
}

// Rows in the order messages list the extensions.
const ModelKind MODEL_KINDS[] = {
    {0, "xml", "XML", CountXml,
     [](const ModelSource& source) -> CEntity*
     {
         CKObject* entity = new CKObject();
         entity->Load(source.path);
         return entity;
     },
     [](CEntity* entity, bool textured) { As<CKObject>(entity)->RenderParallax(textured); },
     [](CEntity* entity, float angle) { As<CKObject>(entity)->SetAngle(angle); },
     [](CEntity* entity) { entity->RenderBoundingBox(); },
     [](CEntity* entity, CRay* ray) { As<CKObject>(entity)->IntersectRay(ray); }, nullptr, nullptr,
     0, false},
    {3, "obj", "OBJ", CountObj,
     [](const ModelSource& source) -> CEntity*
     {
         CObj* entity = new CObj();
         entity->Load(source.path, source.texturePath);
         return entity;
     },
     [](CEntity* entity, bool textured) { entity->RenderVBO(textured); },
     [](CEntity* entity, float angle) { As<CObj>(entity)->SetAngle(angle); },
     [](CEntity* entity) { entity->RenderBoundingBox(); },
     [](CEntity* entity, CRay* ray) { As<CObj>(entity)->IntersectRay(ray); }, nullptr, nullptr,
     GL_BACK, false},
    // MD2 triangles wind the other way round from the engine's other models.
    {1, "md2", "MD2", CountMd2,
     [](const ModelSource& source) -> CEntity*
     {
         CMD2Object* entity = new CMD2Object();
         entity->Load(source.path, source.texturePath);
         return entity;
     },
     [](CEntity* entity, bool textured) { entity->Render(textured); },
     [](CEntity* entity, float angle) { As<CMD2Object>(entity)->SetAngle(angle); },
     [](CEntity* entity) { entity->RenderBoundingBox(); }, nullptr,
     [](CEntity* entity, int index) { As<CMD2Object>(entity)->SetAnimation(index); },
     [](CEntity* entity, float speed) { As<CMD2Object>(entity)->SetAnimationSpeed(speed); },
     GL_FRONT, false},
    // 3DS models carry their textures per material and are always drawn with them.
    {2, "3ds", "3DS", Count3ds,
     [](const ModelSource& source) -> CEntity*
     {
         C3DSObject* entity = new C3DSObject();
         entity->Load(source.textureFolder, source.path, source.swapAxes ? 1 : 0);
         return entity;
     },
     [](CEntity* entity, bool textured) { entity->RenderVBO(textured); },
     [](CEntity* entity, float angle) { As<C3DSObject>(entity)->SetAngle(angle); },
     [](CEntity* entity) { As<C3DSObject>(entity)->RenderAllBoundingBoxes(); }, nullptr, nullptr,
     nullptr, GL_BACK, true},
};
}  // namespace

const ModelKind* ModelKindOf(int kind)
{
    for (const ModelKind& row : MODEL_KINDS)
    {
        if (row.kind == kind)
        {
            return &row;
        }
    }
    return nullptr;
}

const ModelKind* ModelKindFromPath(const std::string& path)
{
    size_t dot = path.find_last_of('.');
    size_t slash = path.find_last_of('/');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash))
    {
        return nullptr;
    }
    std::string extension = path.substr(dot + 1);
    std::transform(extension.begin(), extension.end(), extension.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    for (const ModelKind& row : MODEL_KINDS)
    {
        if (extension == row.extension)
        {
            return &row;
        }
    }
    return nullptr;
}

std::string ModelKindExtensions()
{
    std::string list;
    const size_t rows = sizeof MODEL_KINDS / sizeof MODEL_KINDS[0];
    for (size_t i = 0; i < rows; ++i)
    {
        list += i == 0 ? "." : (i + 1 == rows ? " or ." : ", .");
        list += MODEL_KINDS[i].extension;
    }
    return list;
}
