/// \file
/// The generic mesh model that the OBJ, MD2 and 3DS readers fill: objects with their vertices,
/// normals, texture coordinates and faces, materials, animations, boxes and vertex-buffer names.
#ifndef KYREL_CMODELDATA_H
#define KYREL_CMODELDATA_H

#include "math/CVector3.h"
#include "models/CKeyFrames.h"

#include <cstddef>
#include <vector>

/// Room of every fixed name field of the model records, terminating zero included.
const size_t MODEL_NAME_LENGTH = 255;

/// Copies at most sourceLength characters of source (fewer when it ends earlier) into a field of
/// fieldLength characters, truncating so that the field always ends with a zero. A null source
/// leaves the field empty.
void CopyModelName(char* field, size_t fieldLength, const char* source, size_t sourceLength);

/// One texture coordinate pair, in the row order of the picture the model's reader assumed.
struct ModelTexCoord
{
    float u = 0.0f;  ///< across
    float v = 0.0f;  ///< down or up, by the format's convention
};

/// One triangle of a ModelObject.
struct ModelFace
{
    /// 0-based into the owning object's arrays once a reader has finished with it: vertIndex
    /// into vertices and normals, coordIndex into texCoords.
    ///@{
    int vertIndex[3] = {0, 0, 0};
    int coordIndex[3] = {0, 0, 0};
    ///@}
    /// Written by the shadow-volume builder on its first build; zero until then.
    CVector3 normal;
};

/// A material of a mesh model: a name, a flat colour and the picture its file names.
struct ModelMaterial
{
    char name[MODEL_NAME_LENGTH] = {};         ///< zero-terminated
    char textureFile[MODEL_NAME_LENGTH] = {};  ///< as the file writes it; empty for none
    unsigned char color[3] = {0, 0, 0};        ///< RGB, 0..255
    /// Slot of the material's texture in the entity's texture list (set by the entity).
    int textureIndex = 0;
    /// Texture tiling and offset; stored, not applied when drawing.
    ///@{
    float uTile = 0.0f;
    float vTile = 0.0f;
    float uOffset = 0.0f;
    float vOffset = 0.0f;
    ///@}
};

/// One animation of a key-frame model: frames startFrame up to, but not including, endFrame.
struct ModelAnimation
{
    char name[MODEL_NAME_LENGTH] = {};  ///< zero-terminated
    int startFrame = 0;                 ///< first key frame
    int endFrame = 0;                   ///< one past the last key frame
};

/// One part of a mesh model: its own vertices, normals, texture coordinates and faces, and the
/// vertex buffers they were uploaded to.
///
/// An object of a key-frame model (MD2) stands for one frame: its counts are set, the first
/// frame's object alone has texture coordinates and faces, and positions, normals and box come
/// from the model's key frames instead of the arrays below.
struct ModelObject
{
    /// Sizes of vertices (and normals), faces and texCoords.
    ///@{
    int vertexCount = 0;
    int faceCount = 0;
    int texCoordCount = 0;
    ///@}
    int materialIndex = 0;    ///< -1 = no material
    bool hasTexture = false;  ///< true when the object's material names a picture
    /// The material of each face (an index into the model's materials, -1 for none) where the file
    /// gives faces their own materials; empty where the whole object has materialIndex.
    std::vector<int> faceMaterials;
    char name[MODEL_NAME_LENGTH] = {};     ///< zero-terminated
    std::vector<CVector3> vertices;        ///< positions in the model's space
    std::vector<CVector3> normals;         ///< one per vertex
    std::vector<ModelTexCoord> texCoords;  ///< indexed by ModelFace::coordIndex
    std::vector<ModelFace> faces;          ///< triangles
    /// Box of the object's vertices.
    ///@{
    CVector3 boundsMin;
    CVector3 boundsMax;
    ///@}
    int bufferVertexCount = 0;  ///< 3 x face count: corners in the vertex buffers
    /// GL buffer names; 0 while unused.
    ///@{
    unsigned int positionBuffer = 0;
    unsigned int normalBuffer = 0;
    unsigned int texCoordBuffer = 0;
    unsigned int colorBuffer = 0;
    ///@}
};

/// A mesh model as the OBJ, MD2 and 3DS readers leave it: no GL, plain data an entity uploads
/// and draws. The counts equal the sizes of the lists they name.
class CModelData
{
public:
    /// Sizes of objects, materials and animations.
    ///@{
    int objectCount = 0;
    int materialCount = 0;
    int animationCount = 0;  ///< key-frame models only
    ///@}
    /// The animation playing and its key frame, for key-frame models.
    ///@{
    int currentAnimation = 0;
    int currentFrame = 0;
    ///@}
    std::vector<ModelAnimation> animations;  ///< key-frame models only
    std::vector<ModelMaterial> materials;    ///< indexed by ModelObject::materialIndex
    std::vector<ModelObject> objects;        ///< the parts, drawn in this order
    /// Box of the whole model in its own space.
    ///@{
    CVector3 boundsMin;
    CVector3 boundsMax;
    ///@}
    /// Bounding sphere in the model's space (3DS; key-frame models measure theirs in keyFrames:
    /// see GetBoundingSphere).
    ///@{
    CVector3 sphereCenter;
    float sphereRadius = 0.0f;
    ///@}
    int totalVertexCount = 0;  ///< triangle corners: 3 x faces
    /// Key-frame models only: every frame's positions, normals and box, decoded on first use.
    CKeyFrames keyFrames;

    /// The stored sphere, or for a key-frame model the one over every frame (measured when first
    /// asked).
    void GetBoundingSphere(CVector3& centre, float& radius) const;
};

/// Starting corners of every box the readers compute, so that the first position widens both.
const float MODEL_BOX_START = 999999.0f;

/// A colour component of 0..1 as a byte of 0..255, rounded; values outside (NaN included) are
/// clamped.
unsigned char ColorComponentByte(float component);

/// Component-wise minimum and maximum of the points, widened from the box-start corners.
void ComputeBox(const std::vector<CVector3>& points, CVector3& boxMin, CVector3& boxMax);
/// The same over count points from points.
void ComputeBox(const CVector3* points, size_t count, CVector3& boxMin, CVector3& boxMax);
/// Widens an existing box by the points.
void WidenBox(const std::vector<CVector3>& points, CVector3& boxMin, CVector3& boxMax);

#endif
