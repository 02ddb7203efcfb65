/// \file
/// The entity of models read from OBJ files: immediate-mode and vertex-buffer draws with each part
/// culled against the view frustum, one texture, stencil shadow volumes per part, ray picking and
/// debug boxes.
#ifndef KYREL_COBJ_H
#define KYREL_COBJ_H

#include "math/CRay.h"
#include "models/CMeshEntity.h"
#include "models/CObjReader.h"

#include <cstddef>
#include <memory>
#include <vector>

/// The entity of the OBJ kind (see CEntity); its game object owns it.
class CObj : public CMeshEntity
{
public:
    /// No model: draws nothing until Load.
    CObj();
    ~CObj() override;

    CObj(const CObj&) = delete;
    CObj& operator=(const CObj&) = delete;

    /// Reads the model (a missing file leaves it without parts), gives it one material with the
    /// texture file and loads that picture through the utilities' LoadImage, then places its box
    /// in the world.
    void Load(const char* path, const char* texturePath);

    /// Each stores its part of the placement and refreshes the world box (the angle in degrees
    /// about the rotation axis, y unless changed).
    ///@{
    void SetScale(float x, float y, float z) override;
    void SetPosition(float x, float y, float z) override;
    void SetAngle(float angle);
    ///@}

    /// Immediate-mode draw under whatever program is bound; the texture only when textured is set.
    void Render(bool textured) override;
    /// One glDrawArrays per visible part from the buffers built at load time; ends with no program
    /// in use and face culling off.
    void RenderVBO(bool textured) override;

    /// The model's box and every part's box.
    void RenderBoundingBox() override;
    int GetVertexCount() override;

    /// Lowers the ray's nearest distance to the nearest triangle hit in front of its origin, if
    /// any is nearer, and shades the hit by light number 1.
    void IntersectRay(CRay* ray);

    /// The GL texture name of the picture Load was given; 0 without one.
    unsigned int GetTexture() const { return texture; }

private:
    void RefreshWorldBounds();
    void EmitPart(const ModelObject& part) const;
    void DrawPartBuffers(const ModelObject& part, bool textured) const;
    /// Faces of one library material after another, each run in its colour and colour map.
    void DrawMaterialRuns(const ModelObject& part, bool textured) const;
    /// The picture a run of faces shows: the caller's when given, else its material's map.
    unsigned int RunTexture(int materialIndex) const;
    /// Colour a hit takes: the face turned to light 1 is brighter; faces turned away keep half.
    CVector3 ShadeHit(const CVector3& point, const ModelFace& face) const;

    CObjReader reader;
    unsigned int texture;                        ///< the caller's picture
    std::vector<unsigned int> materialTextures;  ///< by material index; 0 without a map
};

#endif
