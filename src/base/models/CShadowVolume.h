/// \file
/// Stencil shadow volume of one model part for a point light: the edges that only one light-facing
/// face owns (the silhouette) are extruded away from the light into quads of two triangles.
#ifndef KYREL_CSHADOWVOLUME_H
#define KYREL_CSHADOWVOLUME_H

#include "math/CMatrix4.h"
#include "math/CVector3.h"
#include "models/CModelData.h"
#include "models/CShadowEdgeTable.h"

#include <vector>

class CXMLModel;

/// The positions the key-frame builder reads: the first frame's (for the face normals of the
/// first build) and the current and next frames', vertexCount each.
struct KeyFramePositions
{
    const CVector3* first = nullptr;    ///< the first frame's positions
    const CVector3* current = nullptr;  ///< the current frame's positions
    const CVector3* next = nullptr;     ///< the next frame's positions
    size_t vertexCount = 0;             ///< positions in each
};

/// An edge of the lit faces, by its two vertex indexes in the part's vertex list.
struct ShadowEdge
{
    int first = 0;        ///< vertex index
    int second = 0;       ///< vertex index
    bool active = false;  ///< owned by one lit face only: a silhouette edge
};

/// The shadow volume of one model part, rebuilt for each light position; the entities own theirs
/// and draw its triangles into the stencil buffer. Positions are in world units.
class CShadowVolume
{
public:
    /// How far beyond the lit point the far cap lies, in multiples of the light-to-point vector.
    static constexpr float EXTRUSION = 1000.0f;
    /// A face faces the light when its normal's dot product with the light position reaches it.
    static constexpr float LIT_THRESHOLD = 0.1f;

    /// An empty volume, first build pending, rebuilt on every call.
    CShadowVolume();

    /// Toggles the edge (i, j): an active entry for (i, j) or (j, i) is deactivated, otherwise a
    /// new active entry is appended. An edge shared by two lit faces so cancels out.
    ///@{
    void AddEdge(int i, int j);
    void AddEdge(int i, int j, int /*faceIndex*/) { AddEdge(i, j); }
    ///@}

    /// The engine's XML model: the shadow of its first sub-object only (a model without
    /// sub-objects casts none). Face normals are rewritten from the positions on every build;
    /// only the entity position is applied, and every edge is extruded along the
    /// light-to-vertex vector of the last lit face.
    void BuildFromXMLModel(CXMLModel& model, float lightX, float lightY, float lightZ,
                           const CVector3& entityPosition);
    /// The same over one sub-object's records: vertices with members x, y, z; faces with
    /// members a, b, c, d (d = -1 for a triangle, else a quad) and a CVector3 normal.
    /// Points go to world space as the mesh builder takes them (scale, rotation about Y by the
    /// angle, position); the unit scale and angle 0 give exactly the entity-position-only volume.
    /// The normals stored in the faces stay those of the model's own points.
    template <class Vertex, class Face>
    void BuildFromXMLModel(const Vertex* vertices, unsigned int vertexCount, Face* faces,
                           unsigned int faceCount, float lightX, float lightY, float lightZ,
                           const CVector3& entityPosition,
                           const CVector3& entityScale = CVector3(1.0f, 1.0f, 1.0f),
                           float entityAngle = 0.0f);

    /// An indexed triangle mesh (OBJ and 3DS parts). Points go to world space by the entity
    /// scale, a rotation about Y by the entity angle (degrees) and the entity position. Face
    /// normals are computed, rotated by the angle and stored on the first build only (a face
    /// counts as lit from a dot product of 0.1 up); later builds reuse them and need more than 0.1.
    void BuildFromMesh(ModelObject& part, const CVector3& light, const CVector3& entityPosition,
                       const CVector3& entityScale, float entityAngle);

    /// Two interpolated key frames: faces from the first frame (as many as faceCount, the
    /// current frame's), positions blended from the current towards the next frame by t.
    /// Rebuilds only on every n-th call (rebuild interval).
    void BuildFromMD2Frames(ModelObject& firstFrame, int faceCount, const KeyFramePositions& frames,
                            float t, const CVector3& light, const CVector3& entityPosition,
                            const CVector3& entityScale, float entityAngle);

    /// The edges of the last build, the deactivated ones included; GetEdgeCount of them are in use.
    ///@{
    const std::vector<ShadowEdge>& GetEdges() const { return m_edges; }
    unsigned int GetEdgeCount() const { return m_edgeCount; }
    ///@}
    /// The volume's triangles, three world positions each; the first GetVertexCount are in use
    /// (the list keeps its size between builds).
    ///@{
    const std::vector<CVector3>& GetVertices() const { return m_vertices; }
    unsigned int GetVertexCount() const { return m_vertexCount; }
    ///@}
    /// The light-to-point vector the last XML-model build extruded every edge along.
    const CVector3& GetExtrusionDirection() const { return m_extrusionDirection; }
    /// True until the first mesh or MD2 build has stored the face normals.
    bool IsFirstBuild() const { return m_firstBuild; }
    /// The MD2 build runs on every interval-th call only (1: every call).
    ///@{
    void SetRebuildInterval(int interval) { m_rebuildInterval = interval; }
    int GetRebuildInterval() const { return m_rebuildInterval; }
    ///@}

private:
    void ClearEdgesAndVertices();
    void AppendQuad(const CVector3& p0, const CVector3& p1, const CVector3& d0, const CVector3& d1);
    void WriteQuad(const CVector3& p0, const CVector3& p1, const CVector3& d0, const CVector3& d1);
    void ToggleTriangle(int a, int b, int c);
    void LoadRotationY(float angle);
    CVector3 RotateByWorkMatrix(const CVector3& p) const;
    CVector3 ToWorld(const CVector3& p) const;
    CVector3 RotatedFaceNormal(const CVector3& p0, const CVector3& p1, const CVector3& p2) const;
    void ComputeMD2FaceNormals(ModelObject& firstFrame, const KeyFramePositions& frames,
                               size_t faceCount);

    /// Model-space face normal; a degenerate face keeps a zero normal.
    static CVector3 FaceNormal(const CVector3& pa, const CVector3& pb, const CVector3& pc);

    std::vector<ShadowEdge> m_edges;
    unsigned int m_edgeCount = 0;
    /// Positions of the volume's triangles, three per triangle.
    std::vector<CVector3> m_vertices;
    unsigned int m_vertexCount = 0;
    CVector3 m_extrusionDirection;
    bool m_firstBuild = true;
    int m_rebuildInterval = 1;
    int m_rebuildCounter = 0;
    CMatrix4 m_workMatrix = CMatrix4::Identity();
    CVector3 m_framePointA;
    CVector3 m_framePointB;
    CVector3 m_blendedPoint0;
    CVector3 m_blendedPoint1;
    unsigned int m_writeIndex = 0;
    CShadowEdgeTable m_edgeTable;
    /// The entity placement of the build in progress (rotation in the work matrix).
    CVector3 m_entityPosition;
    CVector3 m_entityScale;
};

template <class Vertex, class Face>
void CShadowVolume::BuildFromXMLModel(const Vertex* vertices, unsigned int vertexCount, Face* faces,
                                      unsigned int faceCount, float lightX, float lightY,
                                      float lightZ, const CVector3& entityPosition,
                                      const CVector3& entityScale, float entityAngle)
{
    ClearEdgesAndVertices();
    if (vertices == nullptr || faces == nullptr)
    {
        return;
    }
    m_entityPosition = entityPosition;
    m_entityScale = entityScale;
    LoadRotationY(entityAngle);
    const CVector3 light(lightX, lightY, lightZ);
    auto position = [vertices](int index)
    { return CVector3(vertices[index].x, vertices[index].y, vertices[index].z); };
    auto scaled = [&position, &entityScale](int index)
    {
        const CVector3 p = position(index);
        return CVector3(p.x * entityScale.x, p.y * entityScale.y, p.z * entityScale.z);
    };
    auto inside = [vertexCount](int index)
    { return index >= 0 && static_cast<unsigned int>(index) < vertexCount; };
    for (unsigned int f = 0; f < faceCount; ++f)
    {
        Face& face = faces[f];
        const bool quad = face.d != -1;
        // Faces naming vertices the sub-object does not have cast no shadow.
        if (!inside(face.a) || !inside(face.b) || !inside(face.c) || (quad && !inside(face.d)))
        {
            continue;
        }
        face.normal = FaceNormal(position(face.a), position(face.b), position(face.c));
        // A scaled or turned model faces the light as it is placed, not as it is stored.
        const CVector3 placedNormal =
            RotateByWorkMatrix(FaceNormal(scaled(face.a), scaled(face.b), scaled(face.c)));
        if (!(Dot(placedNormal, light) >= LIT_THRESHOLD))
        {
            continue;
        }
        m_extrusionDirection = ToWorld(position(face.a)) - light;
        if (quad)
        {
            AddEdge(face.a, face.b, f);
            AddEdge(face.b, face.c, f);
            AddEdge(face.c, face.d, f);
            AddEdge(face.d, face.a, f);
        }
        else
        {
            AddEdge(face.a, face.b, f);
            AddEdge(face.b, face.c, f);
            AddEdge(face.c, face.a, f);
        }
    }
    for (const ShadowEdge& edge : m_edges)
    {
        if (edge.active)
        {
            AppendQuad(ToWorld(position(edge.first)), ToWorld(position(edge.second)),
                       m_extrusionDirection, m_extrusionDirection);
        }
    }
}

#endif
