// Shadow volumes and debug boxes of the mesh entities, shared by the OBJ and 3DS kinds.
#include "models/CMeshEntity.h"

#include "models/EntityDrawing.h"
#include "platform/CGraphicsCore.h"

#include <GL/glew.h>

void CMeshEntity::BuildShadowVolume(float lightX, float lightY, float lightZ)
{
    EntityDrawing::BuildMeshShadowVolumes(shadowVolumes, model, CVector3(lightX, lightY, lightZ),
                                          position, scale, angle);
}

void CMeshEntity::DrawShadowVolume()
{
    EntityDrawing::DrawShadowVolumes(shadowVolumes);
}

void CMeshEntity::RenderShadowVolumeStencil()
{
    RenderShadowVolumeStencil(gGraphicsCore->HasStencilTwoSide());
}

void CMeshEntity::RenderShadowVolumeStencil(bool twoSided)
{
    EntityDrawing::RenderShadowVolumesToStencil(
        twoSided, [this] { EntityDrawing::DrawShadowVolumes(shadowVolumes); });
}

void CMeshEntity::DrawModelBoxes(bool withParts)
{
    BeginTransform();
    EntityDrawing::UseBoxColour();
    EntityDrawing::DrawBoxLines(model.boundsMin, model.boundsMax);
    if (withParts)
    {
        for (const ModelObject& part : model.objects)
        {
            EntityDrawing::DrawBoxLines(part.boundsMin, part.boundsMax);
        }
    }
    glPopMatrix();
}
