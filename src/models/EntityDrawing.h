/// \file
/// Steps every model entity takes the same way: the frustum test of a part's box, the debug box
/// lines, the stencil passes over its shadow volumes, and the pick ray's triangle test with the
/// nearest-hit bookkeeping.
#ifndef KYREL_ENTITYDRAWING_H
#define KYREL_ENTITYDRAWING_H

#include "math/CRay.h"
#include "math/CVector3.h"

#include <functional>
#include <memory>
#include <vector>

class CEntity;
class CModelData;
class CShadowVolume;

/// Drawing, shadow and ray steps the entity classes share.
namespace EntityDrawing
{
/// True when the part's model-space box, taken into the world by the entity's placement, meets
/// the camera's view frustum.
bool PartBoxVisible(CEntity& entity, const CVector3& localMin, const CVector3& localMax);

/// Sets the current colour to the one every debug box and sphere is drawn in.
void UseBoxColour();

/// The 12 edges of the box as one GL_LINES batch of 24 vertices, in the current colour.
void DrawBoxLines(const CVector3& lo, const CVector3& hi);

/// The model's bounding sphere as a smooth GLU sphere of 64 slices and stacks in the current colour,
/// placed by the entity's position and scaled by its scale (no rotation); the quadric is freed.
void DrawBoundingSphere(const CVector3& position, const CVector3& scale, const CVector3& centre,
                        float radius);

/// Counts the volumes drawVolumes draws into the stencil buffer, in one pass with two-sided
/// stencil or in two passes with face culling. Leaves depth and colour writes on, the stencil
/// test off with keep-keep-keep, back faces culled and face culling off; after the two-sided
/// pass two-sided stencil stays enabled.
void RenderShadowVolumesToStencil(bool twoSided, const std::function<void()>& drawVolumes);

/// One volume per part of the mesh model on the first call, each built for the light; later calls
/// rebuild the existing volumes in place.
void BuildMeshShadowVolumes(std::vector<std::unique_ptr<CShadowVolume>>& volumes, CModelData& model,
                            const CVector3& light, const CVector3& position, const CVector3& scale,
                            float angle);
/// DrawShadowVolume of every volume.
void DrawShadowVolumes(const std::vector<std::unique_ptr<CShadowVolume>>& volumes);

/// Sends the volume's triangles with texturing off; no GL call when there are none.
void DrawShadowVolume(const CShadowVolume& volume);

/// Creates one static GL array buffer holding the floats and leaves it bound; returns its name,
/// or 0 when there is nothing to upload or no buffer-object support has been loaded.
unsigned int UploadArrayBuffer(const std::vector<float>& data);
/// Fills the position, normal and texture-coordinate buffers of every object from its corner
/// arrays (needs a GL context).
void UploadModelBuffers(CModelData& model);

/// Takes the model-space triangle into the world by the entity's placement (as its boxes go)
/// and tests it against the ray in double precision; true and the hit point when the ray meets
/// it in front of its origin.
bool RayHitsPlacedTriangle(CEntity& entity, const CRay& ray, CVector3 p0, CVector3 p1, CVector3 p2,
                           CVector3& point);

/// A hit at point counts when it is nearer than the ray's nearest so far: the distance is lowered,
/// the ray marked as hit and true returned, so the caller gives it the hit's colour.
bool TakeNearerHit(CRay& ray, const CVector3& point);
}  // namespace EntityDrawing

#endif
