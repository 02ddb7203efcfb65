// The entity base: default placement, the draw transform and the world-box transform.
#include "models/CEntity.h"

#include <GL/glew.h>

CEntity::CEntity()
    : position(0.0f, 0.0f, 0.0f), scale(1.0f, 1.0f, 1.0f), angle(0.0f),
      rotationAxis(0.0f, 1.0f, 0.0f), workMatrix(CMatrix4::Identity()), boundsMin(0.0f, 0.0f, 0.0f),
      boundsMax(0.0f, 0.0f, 0.0f), updateBoundsOnRender(true)
{
}

CEntity::~CEntity() {}

void CEntity::SetScale(float, float, float) {}
void CEntity::SetPosition(float, float, float) {}
void CEntity::Render(bool) {}
void CEntity::BuildShadowVolume(float, float, float) {}
void CEntity::RenderShadowVolumeStencil() {}
void CEntity::DrawShadowVolume() {}
void CEntity::RenderVBO(bool) {}
void CEntity::RenderBoundingBox() {}
int CEntity::GetVertexCount()
{
    return 0;
}

void CEntity::BeginTransform()
{
    glPushMatrix();
    glTranslatef(position.x, position.y, position.z);
    glRotatef(angle, rotationAxis.x, rotationAxis.y, rotationAxis.z);
    glScalef(scale.x, scale.y, scale.z);
}

void CEntity::UpdateWorldBounds(const CVector3& localMin, const CVector3& localMax)
{
    boundsMin = localMin;
    boundsMax = localMax;
    TransformBox(boundsMin, boundsMax);
}

void CEntity::TransformBox(CVector3& min, CVector3& max)
{
    ApplyWorkMatrix(CMatrix4::Scale(scale), min, max);
    ApplyWorkMatrix(CMatrix4::RotationY(angle), min, max);
    ApplyWorkMatrix(CMatrix4::Translation(position), min, max);
}

void CEntity::ApplyWorkMatrix(const CMatrix4& transform, CVector3& min, CVector3& max)
{
    workMatrix = transform;
    workMatrix.TransformPoint(min);
    workMatrix.TransformPoint(max);
}
