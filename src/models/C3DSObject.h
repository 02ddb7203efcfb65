/// \file
/// The entity of models read from 3DS files: one texture per material, untextured parts drawn in
/// their material's colour, immediate-mode and vertex-buffer draws (the latter culling each part
/// against the view frustum), stencil shadow volumes per part, debug boxes and sphere.
#ifndef KYREL_C3DSOBJECT_H
#define KYREL_C3DSOBJECT_H

#include "models/C3DSReader.h"
#include "models/CMeshEntity.h"

#include <cstddef>
#include <memory>
#include <vector>

/// The entity of the 3DS kind (see CEntity); its game object owns it.
class C3DSObject : public CMeshEntity
{
public:
    /// No model: draws nothing until Load.
    C3DSObject();
    /// Releases the parts' buffers and the textures while the GL context is still there.
    ~C3DSObject() override;

    C3DSObject(const C3DSObject&) = delete;
    C3DSObject& operator=(const C3DSObject&) = delete;

    /// Reads the model (vertices turned to (x, z, -y) when swapAxes is 1) and builds its buffers,
    /// then loads each material's texture from textureDirectory followed directly by the file name
    /// (no separator added) and prints that name. A file that cannot be read leaves the entity
    /// without parts and gives false. The world box waits for the first placement.
    bool Load(const char* textureDirectory, const char* path, int swapAxes);

    /// Each stores its part of the placement and refreshes the world box (the angle in degrees
    /// about the rotation axis, y unless changed).
    ///@{
    void SetScale(float x, float y, float z) override;
    void SetPosition(float x, float y, float z) override;
    void SetAngle(float angle);
    ///@}

    /// Immediate-mode draw of every part, without culling; textures bound only when textured.
    void Render(bool textured) override;
    /// One glDrawArrays per part inside the view frustum, textured parts always with their
    /// texture (the flag is not used), the others in their material's colour. Face culling is
    /// left as the caller set it; the client arrays end disabled.
    void RenderVBO(bool textured) override;

    /// The model box only.
    void RenderBoundingBox() override;
    int GetVertexCount() override;

    /// The model box and every part's box.
    void RenderAllBoundingBoxes();
    /// The model's bounding sphere, placed as the entity, as lines.
    void DrawBoundingSphere();

    /// Texture of a material; 0 for a material without one or an index outside the table.
    unsigned int GetTexture(int materialIndex) const;

private:
    void RefreshWorldBounds();
    void UploadBuffers();
    void EmitPart(const ModelObject& part) const;
    void DrawPartBuffers(const ModelObject& part) const;
    void ReleaseGLObjects();

    C3DSReader reader;
    /// One texture name per material, by material index; 0 where a material has no texture.
    std::vector<unsigned int> textures;
};

#endif
