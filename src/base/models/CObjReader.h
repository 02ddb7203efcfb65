/// \file
/// Reads OBJ files (positions, texture coordinates, faces of any corner count in the forms v, v/vt,
/// v//vn and v/vt/vn, the materials of their libraries) into a CModelData, with smooth vertex
/// normals and boxes.
#ifndef KYREL_COBJREADER_H
#define KYREL_COBJREADER_H

#include "models/CModelData.h"
#include "models/CPolygonTriangulator.h"

#include <cstddef>
#include <string>
#include <unordered_map>
#include <vector>

/// Reads OBJ files into a CModelData, without GL: one object per run of vertices and the faces
/// that follow it, polygons triangulated, normals and boxes computed.
class CObjReader
{
public:
    /// Reads the file and computes normals and boxes. False when model or path is missing or the
    /// file cannot be opened; the model is then untouched. The vertex buffers are the entity's.
    /// The materials of the file's `mtllib` libraries become the model's materials, and where the
    /// file names materials with `usemtl` each object gets its faceMaterials.
    bool Load(CModelData* model, const char* path);
    /// The same over bytes in memory; name is the file's path, for messages and for finding the
    /// material libraries beside it.
    bool ReadFromMemory(CModelData* model, const char* data, size_t size, const char* name);

    /// Appends a material with those values (names copied, all other fields 0).
    void AddMaterial(CModelData* model, const char* name, const char* textureFile,
                     unsigned char red, unsigned char green, unsigned char blue);
    /// Sets one object's material index; an object index outside the model is ignored.
    void SetObjectMaterial(CModelData* model, int objectIndex, int materialIndex);

    /// Corner arrays of one object as its buffers hold them: face after face, 3 floats a corner
    /// for positions and normals, 2 for texture coordinates (left empty without them).
    static void BuildCornerArrays(const ModelObject& object, std::vector<float>& positions,
                                  std::vector<float>& normals, std::vector<float>& texCoords);

    /// Smooth vertex normals (each face's unnormalised normal summed per vertex, divided by minus
    /// the number of faces, normalised) and the total vertex count; then the object and model
    /// boxes. The 3DS reader finishes its models with the same two steps.
    ///@{
    static void ComputeNormals(CModelData& model);
    static void ComputeBoxes(CModelData& model);
    ///@}

    /// Triangles dropped by the last read because an index fell outside their object's arrays,
    /// a normal index named no normal read so far, or the face line was cut short.
    int GetDroppedFaceCount() const { return m_droppedFaces; }

private:
    void Reset(CModelData& model);
    void ReadLines(CModelData& model, const char* ptr, const char* end);
    const char* ReadFace(const char* ptr, const char* end);
    struct Corner
    {
        int vertex = 0;
        int texCoord = 0;
    };
    enum class CornerRead
    {
        Read,       ///< the corner in the object's form, with a known normal when it names one
        Missing,    ///< no vertex index: the face's corners end here
        Cut,        ///< the vertex index without the texture index the object's form needs
        BadNormal,  ///< a normal index that names no normal read so far
    };
    CornerRead ReadCorner(const char*& ptr, const char* end, Corner& corner) const;
    bool ReadNormalIndex(const char*& ptr, const char* end) const;
    void AddPolygon();
    void ReadMaterialLibrary(CModelData& model, const char* ptr, const char* end);
    void ReadUseMaterial(const char* ptr, const char* end);
    /// Turns the faces' `usemtl` numbers into material indices, or drops them where the file
    /// gave no material library or never named a material.
    void AssignFaceMaterials(CModelData& model) const;
    const char* ReadPosition(const char* ptr, const char* end);
    const char* ReadTexCoord(const char* ptr, const char* end);
    void FinishObject(CModelData& model);
    bool RebaseFace(ModelFace& face, int vertexCount, int texCoordCount, bool hasTexCoords) const;
    void ReportDroppedFaces(const char* name) const;
    void ReportLibraryFailure(const std::string& library) const;

    /// The lists of the object being read.
    std::vector<CVector3> m_positions;
    std::vector<ModelFace> m_faces;
    std::vector<ModelTexCoord> m_texCoords;
    bool m_texCoordsSeen = false;
    bool m_facesSeen = false;
    /// Corners of the face line being read, kept between lines so that reading a face allocates
    /// nothing.
    std::vector<Corner> m_corners;
    /// Positions of a polygon's corners and the corner triples it is cut into.
    std::vector<CVector3> m_polygon;
    std::vector<int> m_triangles;
    CPolygonTriangulator m_triangulator;
    /// Per face of the object being read: the number of its `usemtl` name in m_useNames, or -1
    /// before any. Names, not indices, as a library may follow the statements that use it.
    std::vector<int> m_faceUses;
    std::vector<std::string> m_useNames;
    std::unordered_map<std::string, int> m_useNumbers;
    int m_currentUse = -1;
    /// The folder of the file being read (empty for the current one) and the materials its
    /// libraries gave.
    std::string m_folder;
    int m_libraryMaterials = 0;
    /// `vn` lines read so far in the whole file: normal indices are checked against it only, as
    /// the engine computes its own normals.
    int m_normalCount = 0;

    /// Positions and texture coordinates of the objects already finished: OBJ indices count
    /// across the whole file, the objects' arrays start at 0.
    int m_positionBase = 0;
    int m_texCoordBase = 0;
    int m_droppedFaces = 0;
};

#endif
