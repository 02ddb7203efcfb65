/// \file
/// Base of every drawable model: its placement in the world (position, scale, one rotation), its
/// world bounding box, and the virtual operations through which game objects draw it, build and draw
/// its shadow volumes and draw its boxes. The base itself draws nothing.
#ifndef KYREL_CENTITY_H
#define KYREL_CENTITY_H

#include "math/CMatrix4.h"
#include "math/CRay.h"  // for the ray tests of the model kinds
#include "math/CVector3.h"

/// Base of the four drawable model kinds (CKObject, CObj, CMD2Object, C3DSObject).
///
/// A game object (CGameObject) owns one entity and calls it through these virtual operations;
/// whatever a kind does not support does nothing here. Positions and boxes are in world units,
/// the angle in degrees.
class CEntity
{
public:
    CEntity();
    /// Game objects delete their entity through a CEntity pointer.
    virtual ~CEntity();

    // The virtual operations, in this order; each does nothing here. A model kind overrides
    // what it supports.

    /// Stores the scale and refreshes the world bounds.
    virtual void SetScale(float x, float y, float z);
    /// Stores the position and refreshes the world bounds.
    virtual void SetPosition(float x, float y, float z);
    /// Immediate-mode draw; textures are bound only when textured is true.
    virtual void Render(bool textured);
    /// Rebuilds the shadow volumes for a point light at that world position.
    virtual void BuildShadowVolume(float lightX, float lightY, float lightZ);
    /// Sets up the stencil state and draws the shadow volumes into the stencil buffer.
    virtual void RenderShadowVolumeStencil();
    /// Draws only the shadow-volume polygons, under whatever GL state the caller set.
    virtual void DrawShadowVolume();
    /// Draws from vertex buffers or vertex arrays.
    virtual void RenderVBO(bool textured);
    /// Draws the world box and the boxes of the model's parts as lines.
    virtual void RenderBoundingBox();
    /// Vertices of the loaded model; the base has none.
    virtual int GetVertexCount();

    /// Pushes the modelview matrix and applies Translate(position) x Rotate(angle, axis) x
    /// Scale(scale). Every draw starts with this and ends with its own glPopMatrix.
    void BeginTransform();
    /// Takes the model's local box into world space as the stored bounds.
    void UpdateWorldBounds(const CVector3& localMin, const CVector3& localMax);
    /// Scales, rotates about Y by the angle (whatever the rotation axis) and translates the two
    /// corners in place. Only the corners are transformed and they are not re-sorted, so after a
    /// rotation "min" may be greater than "max" on some axis; the frustum test takes them as they
    /// are.
    void TransformBox(CVector3& min, CVector3& max);

    /// Placement: position (world units), scale factors per axis, rotation axis and angle
    /// (degrees). The pointers point into the entity; writing through them skips the bounds update.
    ///@{
    CVector3* GetPosition() { return &position; }
    const CVector3* GetPosition() const { return &position; }
    CVector3* GetScale() { return &scale; }
    const CVector3* GetScale() const { return &scale; }
    CVector3* GetRotationAxis() { return &rotationAxis; }
    const CVector3* GetRotationAxis() const { return &rotationAxis; }
    float GetAngle() const { return angle; }
    ///@}
    /// Stores the angle without refreshing the bounds; each model kind has its own SetAngle that
    /// does both.
    void SetAngle(float degrees) { angle = degrees; }
    /// Corners of the world bounding box as TransformBox left them (not re-sorted), which the
    /// frustum test and the ray tests read.
    ///@{
    CVector3* GetBoundsMin() { return &boundsMin; }
    const CVector3* GetBoundsMin() const { return &boundsMin; }
    CVector3* GetBoundsMax() { return &boundsMax; }
    const CVector3* GetBoundsMax() const { return &boundsMax; }
    ///@}
    /// Whether the world bounds are recomputed at the start of every Render (OBJ models only;
    /// off by default).
    ///@{
    void SetUpdateBoundsOnRender(bool update) { updateBoundsOnRender = update; }
    bool GetUpdateBoundsOnRender() const { return updateBoundsOnRender; }
    ///@}

protected:
    CVector3 position;  ///< world units
    CVector3 scale;     ///< factor per axis
    float angle;        ///< degrees
    /// Axis for the fixed-function rotation when drawing; boxes always turn about Y.
    CVector3 rotationAxis;
    CMatrix4 workMatrix;  ///< scratch, used only while transforming boxes
    CVector3 boundsMin;   ///< world box corner, see TransformBox
    CVector3 boundsMax;   ///< world box corner, see TransformBox
    /// When true, OBJ models recompute their world bounds at the start of every Render.
    bool updateBoundsOnRender;

private:
    /// Loads the work matrix with one elementary transform and applies it to both corners.
    void ApplyWorkMatrix(const CMatrix4& transform, CVector3& min, CVector3& max);
};

#endif
