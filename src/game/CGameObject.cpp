// Forwarding of the scene's requests to the game object's entity by model kind.
#include "game/CGameObject.h"

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
    DeleteEntities();
}

void CGameObject::DeleteEntities()
{
    delete xmlEntity;
    xmlEntity = nullptr;
    delete md2Entity;
    md2Entity = nullptr;
    delete tdsEntity;
    tdsEntity = nullptr;
    delete objEntity;
    objEntity = nullptr;
}

void CGameObject::LoadXML(const char* path)
{
    DeleteEntities();
    xmlEntity = new CKObject();
    xmlEntity->Load(path);
    kind = KIND_XML;
}

void CGameObject::LoadMD2(const char* path, const char* texturePath)
{
    DeleteEntities();
    md2Entity = new CMD2Object();
    md2Entity->Load(path, texturePath);
    kind = KIND_MD2;
}

void CGameObject::Load3DS(const char* textureDirectory, const char* path, int swapAxes)
{
    DeleteEntities();
    tdsEntity = new C3DSObject();
    tdsEntity->Load(textureDirectory, path, swapAxes);
    kind = KIND_3DS;
}

void CGameObject::LoadOBJ(const char* path, const char* texturePath)
{
    DeleteEntities();
    objEntity = new CObj();
    objEntity->Load(path, texturePath);
    kind = KIND_OBJ;
}

CEntity* CGameObject::Entity() const
{
    switch (kind)
    {
    case KIND_XML:
        return xmlEntity;
    case KIND_MD2:
        return md2Entity;
    case KIND_3DS:
        return tdsEntity;
    case KIND_OBJ:
        return objEntity;
    default:
        return nullptr;
    }
}

void CGameObject::Draw(bool textured)
{
    if (kind == KIND_XML && xmlEntity)
    {
        xmlEntity->RenderParallax(textured);
    }
    else if (kind == KIND_MD2 && md2Entity)
    {
        // MD2 triangles wind the other way round from the engine's other models.
        glEnable(GL_CULL_FACE);
        glCullFace(GL_FRONT);
        md2Entity->Render(textured);
        glDisable(GL_CULL_FACE);
    }
    else if (kind == KIND_3DS && tdsEntity)
    {
        // 3DS models carry their textures per material and are always drawn with them.
        glEnable(GL_CULL_FACE);
        glCullFace(GL_BACK);
        tdsEntity->RenderVBO(true);
        glDisable(GL_CULL_FACE);
    }
    else if (kind == KIND_OBJ && objEntity)
    {
        glEnable(GL_CULL_FACE);
        glCullFace(GL_BACK);
        objEntity->RenderVBO(textured);
        glDisable(GL_CULL_FACE);
    }
}

void CGameObject::SetPosition(float x, float y, float z)
{
    if (CEntity* entity = Entity())
    {
        entity->SetPosition(x, y, z);
    }
}

void CGameObject::SetScale(float x, float y, float z)
{
    if (CEntity* entity = Entity())
    {
        entity->SetScale(x, y, z);
    }
}

void CGameObject::SetAngle(float angle)
{
    if (kind == KIND_XML && xmlEntity)
    {
        xmlEntity->SetAngle(angle);
    }
    else if (kind == KIND_MD2 && md2Entity)
    {
        md2Entity->SetAngle(angle);
    }
    else if (kind == KIND_3DS && tdsEntity)
    {
        tdsEntity->SetAngle(angle);
    }
    else if (kind == KIND_OBJ && objEntity)
    {
        objEntity->SetAngle(angle);
    }
}

void CGameObject::BuildShadowVolume()
{
    CEntity* entity = Entity();
    if (!entity)
    {
        return;
    }
    CVector3 light = gLightManager->GetLightPosition(1);
    entity->BuildShadowVolume(light.x, light.y, light.z);
}

void CGameObject::RenderShadowVolumeStencil()
{
    if (CEntity* entity = Entity())
    {
        entity->RenderShadowVolumeStencil();
    }
}

void CGameObject::DrawShadowVolume()
{
    if (CEntity* entity = Entity())
    {
        entity->DrawShadowVolume();
    }
}

void CGameObject::RenderBoundingBox()
{
    if (kind == KIND_3DS && tdsEntity)
    {
        tdsEntity->RenderAllBoundingBoxes();
    }
    else if (CEntity* entity = Entity())
    {
        entity->RenderBoundingBox();
    }
}

int CGameObject::GetVertexCount() const
{
    CEntity* entity = Entity();
    return entity ? entity->GetVertexCount() : 0;
}

void CGameObject::IntersectRay(CRay* ray)
{
    if (!ray)
    {
        return;
    }
    if (kind == KIND_XML && xmlEntity)
    {
        xmlEntity->IntersectRay(ray);
    }
    else if (kind == KIND_OBJ && objEntity)
    {
        objEntity->IntersectRay(ray);
    }
}

void CGameObject::SetAnimation(int index)
{
    if (kind == KIND_MD2 && md2Entity)
    {
        md2Entity->SetAnimation(index);
    }
}

void CGameObject::SetAnimationSpeed(float value)
{
    if (kind == KIND_MD2 && md2Entity)
    {
        md2Entity->SetAnimationSpeed(value);
    }
}

const CVector3* CGameObject::GetPosition() const
{
    CEntity* entity = Entity();
    return entity ? entity->GetPosition() : nullptr;
}

const CVector3* CGameObject::GetBoundsMin() const
{
    CEntity* entity = Entity();
    return entity ? entity->GetBoundsMin() : nullptr;
}

const CVector3* CGameObject::GetBoundsMax() const
{
    CEntity* entity = Entity();
    return entity ? entity->GetBoundsMax() : nullptr;
}

void CGameObject::UpdateFrustumVisibility()
{
    CEntity* entity = Entity();
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
