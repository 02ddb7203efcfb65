// Building and drawing silhouette-edge shadow volumes. Edge toggling goes through a hash of
// vertex pairs; the edge list it leaves (entries, order, active flags) is the one a scan of the
// list for each toggle would leave, so the silhouette is independent of the lookup method.
#include "models/CShadowVolume.h"

#include "models/CXMLModel.h"

#include <algorithm>
#include <cmath>

namespace
{
// Degrees to radians as the entity transform converts them.
const float DEGREES_TO_RADIANS = 0.017453292f;
// Vertex records written per silhouette edge: two triangles.
const unsigned int RECORDS_PER_EDGE = 6;

bool Inside(int index, size_t count)
{
    return index >= 0 && static_cast<size_t>(index) < count;
}

bool FaceInside(const ModelFace& face, size_t vertexCount)
{
    return Inside(face.vertIndex[0], vertexCount) && Inside(face.vertIndex[1], vertexCount) &&
           Inside(face.vertIndex[2], vertexCount);
}

size_t UsableFaceCount(int declaredCount, const ModelObject& faceOwner)
{
    return std::min(static_cast<size_t>(std::max(declaredCount, 0)), faceOwner.faces.size());
}
}  // namespace

CShadowVolume::CShadowVolume() = default;

void CShadowVolume::AddEdge(int i, int j)
{
    int32_t& active = m_edgeTable.ActiveEdge(i, j);
    if (active != CShadowEdgeTable::NO_EDGE)
    {
        m_edges[static_cast<size_t>(active)].active = false;
        active = CShadowEdgeTable::NO_EDGE;
        return;
    }
    active = static_cast<int32_t>(m_edges.size());
    ShadowEdge edge;
    edge.first = i;
    edge.second = j;
    edge.active = true;
    m_edges.push_back(edge);
    ++m_edgeCount;
}

void CShadowVolume::ToggleTriangle(int a, int b, int c)
{
    AddEdge(a, b);
    AddEdge(b, c);
    AddEdge(c, a);
}

void CShadowVolume::ClearEdgesAndVertices()
{
    m_edges.clear();
    m_edgeCount = 0;
    m_edgeTable.Clear();
    m_vertices.clear();
    m_vertexCount = 0;
}

CVector3 CShadowVolume::FaceNormal(const CVector3& pa, const CVector3& pb, const CVector3& pc)
{
    return Cross(pb - pa, pc - pa).Normalized();
}

void CShadowVolume::LoadRotationY(float angle)
{
    const float radians = angle * DEGREES_TO_RADIANS;
    const float c = std::cos(radians);
    const float s = std::sin(radians);
    m_workMatrix = CMatrix4::Identity();
    m_workMatrix[0] = c;
    m_workMatrix[2] = -s;
    m_workMatrix[8] = s;
    m_workMatrix[10] = c;
}

// The work matrix applied to a point (w = 1).
CVector3 CShadowVolume::RotateByWorkMatrix(const CVector3& p) const
{
    const CMatrix4& m = m_workMatrix;
    return CVector3(m[0] * p.x + m[4] * p.y + m[8] * p.z + m[12],
                    m[1] * p.x + m[5] * p.y + m[9] * p.z + m[13],
                    m[2] * p.x + m[6] * p.y + m[10] * p.z + m[14]);
}

CVector3 CShadowVolume::ToWorld(const CVector3& p) const
{
    const CVector3 scaled(p.x * m_entityScale.x, p.y * m_entityScale.y, p.z * m_entityScale.z);
    return RotateByWorkMatrix(scaled) + m_entityPosition;
}

CVector3 CShadowVolume::RotatedFaceNormal(const CVector3& p0, const CVector3& p1,
                                          const CVector3& p2) const
{
    return RotateByWorkMatrix(FaceNormal(p0, p1, p2)).Normalized();
}

void CShadowVolume::AppendQuad(const CVector3& p0, const CVector3& p1, const CVector3& d0,
                               const CVector3& d1)
{
    const CVector3 far0 = p0 + d0 * EXTRUSION;
    const CVector3 far1 = p1 + d1 * EXTRUSION;
    m_vertices.push_back(p0);
    m_vertices.push_back(p1);
    m_vertices.push_back(far0);
    m_vertices.push_back(p1);
    m_vertices.push_back(far1);
    m_vertices.push_back(far0);
    m_vertexCount += RECORDS_PER_EDGE;
}

void CShadowVolume::WriteQuad(const CVector3& p0, const CVector3& p1, const CVector3& d0,
                              const CVector3& d1)
{
    const CVector3 far0 = p0 + d0 * EXTRUSION;
    const CVector3 far1 = p1 + d1 * EXTRUSION;
    CVector3* record = &m_vertices[m_writeIndex];
    record[0] = p0;
    record[1] = p1;
    record[2] = far0;
    record[3] = p1;
    record[4] = far1;
    record[5] = far0;
    m_writeIndex += RECORDS_PER_EDGE;
    m_vertexCount += RECORDS_PER_EDGE;
}

void CShadowVolume::BuildFromXMLModel(CXMLModel& model, float lightX, float lightY, float lightZ,
                                      const CVector3& entityPosition)
{
    if (model.subObjects.empty())
    {
        ClearEdgesAndVertices();
        return;
    }
    XMLSubObject& first = model.subObjects[0];
    BuildFromXMLModel(first.vertices.data(), static_cast<unsigned int>(first.vertices.size()),
                      first.faces.data(), static_cast<unsigned int>(first.faces.size()), lightX,
                      lightY, lightZ, entityPosition);
}

void CShadowVolume::BuildFromMesh(ModelObject& part, const CVector3& light,
                                  const CVector3& entityPosition, const CVector3& entityScale,
                                  float entityAngle)
{
    ClearEdgesAndVertices();
    m_entityPosition = entityPosition;
    m_entityScale = entityScale;
    LoadRotationY(entityAngle);

    const std::vector<CVector3>& positions = part.vertices;
    const size_t faceCount = UsableFaceCount(part.faceCount, part);
    for (size_t f = 0; f < faceCount; ++f)
    {
        ModelFace& face = part.faces[f];
        if (!FaceInside(face, positions.size()))
        {
            continue;
        }
        const int a = face.vertIndex[0];
        const int b = face.vertIndex[1];
        const int c = face.vertIndex[2];
        bool lit;
        if (m_firstBuild)
        {
            face.normal = RotatedFaceNormal(positions[a], positions[b], positions[c]);
            lit = Dot(face.normal, light) >= LIT_THRESHOLD;
        }
        else
        {
            // Stored normals count as lit only strictly above the threshold.
            lit = Dot(face.normal, light) > LIT_THRESHOLD;
        }
        if (lit)
        {
            ToggleTriangle(a, b, c);
        }
    }
    m_firstBuild = false;

    for (const ShadowEdge& edge : m_edges)
    {
        if (!edge.active)
        {
            continue;
        }
        const CVector3 p0 = ToWorld(positions[edge.first]);
        const CVector3 p1 = ToWorld(positions[edge.second]);
        const CVector3 d0 = p0 - light;
        m_extrusionDirection = p1 - light;
        AppendQuad(p0, p1, d0, m_extrusionDirection);
    }
}

void CShadowVolume::ComputeMD2FaceNormals(ModelObject& firstFrame, const KeyFramePositions& frames,
                                          size_t faceCount)
{
    const CVector3* positions = frames.first;
    for (size_t f = 0; f < faceCount; ++f)
    {
        ModelFace& face = firstFrame.faces[f];
        if (FaceInside(face, frames.vertexCount))
        {
            face.normal =
                RotatedFaceNormal(positions[face.vertIndex[0]], positions[face.vertIndex[1]],
                                  positions[face.vertIndex[2]]);
        }
    }
}

void CShadowVolume::BuildFromMD2Frames(ModelObject& firstFrame, int faceCount,
                                       const KeyFramePositions& frames, float t,
                                       const CVector3& light, const CVector3& entityPosition,
                                       const CVector3& entityScale, float entityAngle)
{
    if (m_rebuildCounter == m_rebuildInterval)
    {
        m_edges.clear();
        m_edgeCount = 0;
        m_edgeTable.Clear();
        m_vertexCount = 0;
        m_entityPosition = entityPosition;
        m_entityScale = entityScale;
        LoadRotationY(entityAngle);

        // Faces come from the first frame, as many as the current frame declares and the first
        // frame holds; an edge end must exist in all three frames.
        const size_t usableFaces = UsableFaceCount(faceCount, firstFrame);
        const size_t vertexLimit =
            frames.first && frames.current && frames.next ? frames.vertexCount : 0;
        if (m_firstBuild)
        {
            ComputeMD2FaceNormals(firstFrame, frames, vertexLimit > 0 ? usableFaces : 0);
        }
        for (size_t f = 0; f < usableFaces; ++f)
        {
            const ModelFace& face = firstFrame.faces[f];
            if (FaceInside(face, vertexLimit) && Dot(face.normal, light) >= LIT_THRESHOLD)
            {
                ToggleTriangle(face.vertIndex[0], face.vertIndex[1], face.vertIndex[2]);
            }
        }
        m_firstBuild = false;

        // The records are overwritten in place; the list only ever grows.
        m_writeIndex = 0;
        if (m_vertices.size() < static_cast<size_t>(m_edgeCount) * RECORDS_PER_EDGE)
        {
            m_vertices.resize(static_cast<size_t>(m_edgeCount) * RECORDS_PER_EDGE);
        }
        for (const ShadowEdge& edge : m_edges)
        {
            if (!edge.active)
            {
                continue;
            }
            m_framePointA = ToWorld(frames.current[edge.first]);
            m_framePointB = ToWorld(frames.next[edge.first]);
            m_blendedPoint0 = m_framePointA + (m_framePointB - m_framePointA) * t;
            m_framePointA = ToWorld(frames.current[edge.second]);
            m_framePointB = ToWorld(frames.next[edge.second]);
            m_blendedPoint1 = m_framePointA + (m_framePointB - m_framePointA) * t;
            const CVector3 d0 = m_blendedPoint0 - light;
            m_extrusionDirection = m_blendedPoint1 - light;
            WriteQuad(m_blendedPoint0, m_blendedPoint1, d0, m_extrusionDirection);
        }
        m_rebuildCounter = 0;
    }
    ++m_rebuildCounter;
}
