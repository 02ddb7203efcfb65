// Reads the OBJ subset the engine's assets use (positions, texture coordinates, triangular faces)
// into a CModelData, with smooth vertex normals and boxes.
#ifndef KYREL_COBJREADER_H
#define KYREL_COBJREADER_H

#include "models/CModelData.h"

#include <cstddef>
#include <string>
#include <vector>

class CObjReader
{
public:
    // Reads the file and computes normals and boxes. False when model or path is missing or the
    // file cannot be opened; the model is then untouched. The vertex buffers are the entity's.
    bool Read(CModelData* model, const char* path);
    // The same over bytes in memory; name is only used in messages.
    bool ReadFromMemory(CModelData* model, const char* data, size_t size, const char* name);

    // Appends a material with those values (names copied, all other fields 0).
    void AddMaterial(CModelData* model, const char* name, const char* textureFile,
                     unsigned char red, unsigned char green, unsigned char blue);
    // Sets one object's material index; an object index outside the model is ignored.
    void SetObjectMaterial(CModelData* model, int objectIndex, int materialIndex);

    // Corner arrays of one object as its buffers hold them: face after face, 3 floats a corner
    // for positions and normals, 2 for texture coordinates (left empty without them).
    static void BuildCornerArrays(const ModelObject& object, std::vector<float>& positions,
                                  std::vector<float>& normals, std::vector<float>& texCoords);

    // Smooth vertex normals (each face's unnormalised normal summed per vertex, divided by minus
    // the number of faces, normalised) and the total vertex count; then the object and model
    // boxes. The 3DS reader finishes its models with the same two steps.
    static void ComputeNormals(CModelData& model);
    static void ComputeBoxes(CModelData& model);

    // Faces dropped by the last read because an index fell outside their object's arrays.
    int GetDroppedFaceCount() const { return m_droppedFaces; }

private:
    void Reset(CModelData& model);
    void ReadLines(CModelData& model, const char* ptr, const char* end);
    const char* ReadFace(const char* ptr, const char* end);
    const char* ReadPosition(const char* ptr, const char* end);
    const char* ReadTexCoord(const char* ptr, const char* end);
    void FinishObject(CModelData& model);
    bool RebaseFace(ModelFace& face, int vertexCount, int texCoordCount, bool hasTexCoords) const;
    void ReportDroppedFaces(const char* name) const;

    // The lists of the object being read.
    std::vector<CVector3> m_positions;
    std::vector<ModelFace> m_faces;
    std::vector<ModelTexCoord> m_texCoords;
    bool m_texCoordsSeen = false;
    bool m_facesSeen = false;

    // Positions and texture coordinates of the objects already finished: OBJ indices count
    // across the whole file, the objects' arrays start at 0.
    int m_positionBase = 0;
    int m_texCoordBase = 0;
    int m_droppedFaces = 0;
};

#endif
