/// \file
/// The entity of the engine's own XML model: drawn with the parallax-mapping program (colour map,
/// height map and a per-face tangent frame) or plainly, with stencil shadow volumes, ray picking and
/// debug boxes.
#ifndef KYREL_CKOBJECT_H
#define KYREL_CKOBJECT_H

#include "math/CRay.h"
#include "models/CEntity.h"
#include "models/CShadowVolume.h"
#include "models/CXMLModel.h"

#include <GL/glew.h>

/// The entity of the engine's XML model kind (see CEntity); its game object owns it.
class CKObject : public CEntity
{
public:
    /// No model: draws nothing until Load.
    CKObject();
    ~CKObject() override;

    CKObject(const CKObject&) = delete;
    CKObject& operator=(const CKObject&) = delete;

    /// Reads the model (pictures through the utilities' LoadImage), builds its tangent frames and
    /// places its box in the world.
    void Load(const char* path);
    /// The same with another picture loader.
    void Load(const char* path, const CXMLModel::ImageLoader& loadImage);

    /// Each stores its part of the placement and refreshes the world box (the angle in degrees
    /// about the rotation axis, y unless changed).
    ///@{
    void SetScale(float x, float y, float z) override;
    void SetPosition(float x, float y, float z) override;
    void SetAngle(float angle);
    ///@}

    /// Immediate-mode draw under whatever program is bound; textures only when textured is set.
    void Render(bool textured) override;
    /// The draw the game object uses: built-in program 13 with the colour map on unit 0, the height
    /// map on unit 1 and each quad's tangent frame as uniforms.
    void RenderParallax(bool textured);

    /// Shadow volume of the first sub-object for a point light at that world position; only the
    /// entity position is applied.
    void BuildShadowVolume(float lightX, float lightY, float lightZ) override;
    void RenderShadowVolumeStencil() override;
    /// The same on a chosen path: two-sided stencil in one pass, or two passes with face culling.
    void RenderShadowVolumeStencil(bool twoSided);
    void RenderBoundingBox() override;
    int GetVertexCount() override;

    /// Lowers the ray's nearest distance to the nearest face hit, if any is nearer, and takes the
    /// hit face's material colour.
    void IntersectRay(CRay* ray);

    /// The model read; null before Load or when the document lacked required attributes.
    const CXMLModel* GetModel() const { return modelPointer; }
    /// The shadow volume of the last BuildShadowVolume.
    const CShadowVolume& GetShadowVolume() const { return shadowVolume; }

private:
    /// What a draw remembers of texture unit 0 from face to face.
    struct TextureState
    {
        int lastTexture = XML_NO_TEXTURE;
        bool enabled = false;
    };

    /// Binds the face's colour map when it differs from the last one bound; true when it did.
    bool SelectTexture(const XMLFace& face, TextureState& state) const;
    void EmitFace(const XMLSubObject& subObject, const XMLFace& face) const;
    void SetParallaxUniforms(GLhandleARB program, const XMLFace& face) const;
    void RefreshWorldBounds();
    /// Tests one triangle of a face in world space; true and the hit point when the ray meets it.
    bool HitTriangle(const CRay& ray, const XMLSubObject& subObject, int i0, int i1, int i2,
                     CVector3& point);

    CXMLModel model;
    CXMLModel* modelPointer;
    CShadowVolume shadowVolume;
};

#endif
