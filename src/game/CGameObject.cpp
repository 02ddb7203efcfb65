// Forwarding of the scene's requests to the game object's entity through its model kind row.
#include "game/CGameObject.h"

#include "game/ModelKinds.h"
#include "models/C3DSObject.h"
#include "models/CKObject.h"
#include "models/CMD2Object.h"
#include "models/CObj.h"
#include "scene/CCamera.h"
#include "scene/CFrustum.h"
#include "scene/CLightManager.h"

#include <GL/glew.h>

CGameObject::~CGameObject()
{
    delete entity;
}

void CGameObject::Load(int newKind, const ModelSource& source)
{
    delete entity;
    entity = nullptr;
    row = ModelKindOf(newKind);
    entity = row->load(source);
}

void CGameObject::LoadXML(const char* path)
{
    ModelSource source;
    source.path = path;
    Load(KIND_XML, source);
}

void CGameObject::LoadMD2(const char* path, const char* texturePath)
{
    ModelSource source;
    source.path = path;
    source.texturePath = texturePath;
    Load(KIND_MD2, source);
}

void CGameObject::Load3DS(const char* textureDirectory, const char* path, int swapAxes)
{
    ModelSource source;
    source.path = path;
    source.textureFolder = textureDirectory;
    source.swapAxes = swapAxes != 0;
    Load(KIND_3DS, source);
}

void CGameObject::LoadOBJ(const char* path, const char* texturePath)
{
    ModelSource source;
    source.path = path;
    source.texturePath = texturePath;
    Load(KIND_OBJ, source);
}

bool CGameObject::LoadFile(const std::string& path, const std::string& texturePath, bool swapAxes)
{
    const ModelKind* fileKind = ModelKindFromPath(path);
    if (!fileKind)
    {
        return false;
    }
    size_t slash = path.find_last_of('/');
    std::string folder = slash == std::string::npos ? std::string("./") : path.substr(0, slash + 1);
    ModelSource source;
    source.path = path.c_str();
    source.texturePath = texturePath.c_str();
    source.textureFolder = folder.c_str();
    source.swapAxes = swapAxes;
    Load(fileKind->kind, source);
    return true;
}

int CGameObject::GetKind() const
{
    return row ? row->kind : KIND_XML;
}

CKObject* CGameObject::GetXMLEntity() const
{
    return static_cast<CKObject*>(EntityOfKind(KIND_XML));
}

CMD2Object* CGameObject::GetMD2Entity() const
{
    return static_cast<CMD2Object*>(EntityOfKind(KIND_MD2));
}

C3DSObject* CGameObject::Get3DSEntity() const
{
    return static_cast<C3DSObject*>(EntityOfKind(KIND_3DS));
}

CObj* CGameObject::GetOBJEntity() const
{
    return static_cast<CObj*>(EntityOfKind(KIND_OBJ));
}

void CGameObject::Draw(bool textured)
{
    if (!entity)
    {
        return;
    }
    if (row->cullFace != 0)
    {
        glEnable(GL_CULL_FACE);
        glCullFace(static_cast<GLenum>(row->cullFace));
    }
    row->draw(entity, textured || row->alwaysTextured);
    if (row->cullFace != 0)
    {
        glDisable(GL_CULL_FACE);
    }
}

void CGameObject::SetPosition(float x, float y, float z)
{
    if (entity)
    {
        entity->SetPosition(x, y, z);
    }
}

void CGameObject::SetScale(float x, float y, float z)
{
    if (entity)
    {
        entity->SetScale(x, y, z);
    }
}

void CGameObject::SetAngle(float angle)
{
    if (entity)
    {
        row->setAngle(entity, angle);
    }
}

void CGameObject::BuildShadowVolume()
{
    if (!entity)
    {
        return;
    }
    CVector3 light = gLightManager->GetLightPosition(1);
    entity->BuildShadowVolume(light.x, light.y, light.z);
}

void CGameObject::RenderShadowVolumeStencil()
{
    if (entity)
    {
        entity->RenderShadowVolumeStencil();
    }
}

void CGameObject::DrawShadowVolume()
{
    if (entity)
    {
        entity->DrawShadowVolume();
    }
}

void CGameObject::RenderBoundingBox()
{
    if (entity)
    {
        row->drawBoxes(entity);
    }
}

int CGameObject::GetVertexCount() const
{
    return entity ? entity->GetVertexCount() : 0;
}

void CGameObject::IntersectRay(CRay* ray)
{
    if (ray && entity && row->intersectRay)
    {
        row->intersectRay(entity, ray);
    }
}

void CGameObject::SetAnimation(int index)
{
    if (entity && row->setAnimation)
    {
        row->setAnimation(entity, index);
    }
}

void CGameObject::SetAnimationSpeed(float value)
{
    if (entity && row->setAnimationSpeed)
    {
        row->setAnimationSpeed(entity, value);
    }
}

const CVector3* CGameObject::GetPosition() const
{
    return entity ? entity->GetPosition() : nullptr;
}

const CVector3* CGameObject::GetBoundsMin() const
{
    return entity ? entity->GetBoundsMin() : nullptr;
}

const CVector3* CGameObject::GetBoundsMax() const
{
    return entity ? entity->GetBoundsMax() : nullptr;
}

void CGameObject::UpdateFrustumVisibility()
{
    if (!entity)
    {
        inFrustum = false;
        return;
    }
    const CVector3* low = entity->GetBoundsMin();
    const CVector3* high = entity->GetBoundsMax();
    inFrustum =
        gCamera->GetFrustum()->BoxInFrustum(low->x, low->y, low->z, high->x, high->y, high->z) != 0;
}
