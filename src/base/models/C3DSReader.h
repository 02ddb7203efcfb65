/// \file
/// Reads 3DS model files (a tree of chunks) into a CModelData: one object per named mesh, one
/// material per material chunk with its name, diffuse colour and texture file, then smooth normals,
/// boxes and the bounding sphere. The vertex buffers are the entity's.
#ifndef KYREL_C3DSREADER_H
#define KYREL_C3DSREADER_H

#include "models/CModelData.h"

#include <cstddef>
#include <cstdint>
#include <vector>

class CByteReader;

/// Chunk identifiers the reader understands, grouped by the chunk they appear in.
enum Chunk3DS : uint16_t
{
    // The file itself
    CHUNK_MAIN = 0x4D4D,
    // Children of the main chunk (and, by the same loop, of the editor chunk)
    CHUNK_VERSION = 0x0002,
    CHUNK_EDITOR = 0x3D3D,
    CHUNK_OBJECT = 0x4000,
    CHUNK_MATERIAL = 0xAFFF,
    // Children of a named object
    CHUNK_TRIANGLE_MESH = 0x4100,
    // Children of a triangle mesh (the face-material chunk sits inside the face list)
    CHUNK_VERTICES = 0x4110,
    CHUNK_FACES = 0x4120,
    CHUNK_FACE_MATERIAL = 0x4130,
    CHUNK_TEXCOORDS = 0x4140,
    // Children of a material
    CHUNK_MATERIAL_NAME = 0xA000,
    CHUNK_DIFFUSE = 0xA020,
    CHUNK_TEXTURE_MAP = 0xA200,
    // Children of a texture map (read with the material loop)
    CHUNK_TEXTURE_FILE = 0xA300,
    // Children of a colour chunk
    CHUNK_COLOR_FLOAT = 0x0010,
    CHUNK_COLOR_24 = 0x0011,
    CHUNK_LINEAR_COLOR_24 = 0x0012,
    CHUNK_LINEAR_COLOR_FLOAT = 0x0013
};

/// Reads 3DS files into a CModelData, without GL: meshes, their materials and texture names.
class C3DSReader
{
public:
    /// Identifier and length (header included) of a chunk header.
    static const size_t CHUNK_HEADER_SIZE = 6;
    /// Versions above this one get a warning; the file is read anyway.
    static const uint32_t NEWEST_KNOWN_VERSION = 3;
    /// Chunks nested deeper than this end the walk: no real file comes near it, and a crafted
    /// file could otherwise nest one chunk per six bytes.
    static const int MAX_CHUNK_DEPTH = 32;

    /// Reads the file into model. Vertices become (x, z, -y) when swapAxes is 1. A missing file,
    /// a file not starting with the main chunk, or a chunk, count or name that does not fit the
    /// bytes there prints its message on standard output and gives false with the model untouched.
    bool Load(CModelData* model, const char* path, int swapAxes);
    /// The same over bytes in memory; name is only used in messages.
    bool LoadFromMemory(CModelData* model, const void* data, size_t size, const char* name,
                        int swapAxes);

    /// The object's colour for its colour buffer, each byte over 255: its material's diffuse
    /// colour, or white without a material.
    static void ObjectColor(const CModelData& model, const ModelObject& object, float rgb[3]);
    /// One colour per corner (3 floats each, 3 corners a face), as the colour buffer holds them.
    static void BuildColorArray(const CModelData& model, const ModelObject& object,
                                std::vector<float>& colors);

    /// Faces dropped by the last load because a corner named a vertex its object does not have.
    int GetDroppedFaceCount() const { return m_droppedFaces; }
    /// Version field of the last file read (0 without a version chunk).
    uint32_t GetVersion() const { return m_version; }

private:
    struct Chunk
    {
        uint16_t id = 0;
        size_t start = 0;  ///< offset of the header
        size_t end = 0;    ///< offset just past the chunk
    };

    bool Read(CModelData& model, CByteReader& reader, const char* name);
    /// Reads the next header, which must lie inside [position, parentEnd) with a length of at
    /// least a header; false (with the failure's reason set) otherwise.
    bool ReadChunkHeader(size_t parentEnd, Chunk& chunk);
    /// Moves to the end of a chunk whatever of it was read.
    bool FinishChunk(const Chunk& chunk);
    /// Reads a 16-bit record count and that many records into the scratch buffer; the records
    /// must fit the chunk.
    bool ReadRecordList(const Chunk& chunk, size_t recordSize, uint16_t& count);

    template <class Visit> bool WalkChildren(size_t end, int depth, Visit visit);
    bool ReadMainChildren(CModelData& model, size_t end, int depth);
    bool ReadVersion(const Chunk& chunk);
    bool ReadObject(CModelData& model, const Chunk& chunk, int depth);
    bool ReadObjectChildren(CModelData& model, ModelObject& object, size_t end, int depth);
    bool ReadVertices(ModelObject& object, const Chunk& chunk);
    bool ReadFaces(CModelData& model, ModelObject& object, const Chunk& chunk, int depth);
    bool ReadFaceMaterial(const CModelData& model, ModelObject& object, const Chunk& chunk);
    bool ReadTexCoords(ModelObject& object, const Chunk& chunk);
    bool ReadMaterialChildren(ModelMaterial& material, size_t end, int depth);
    bool ReadColor(ModelMaterial& material, const Chunk& diffuse);
    /// Copies the rest of the chunk, up to its first zero, into a name field.
    bool ReadNameField(const Chunk& chunk, char* field);

    /// Drops faces naming a vertex outside the object and lines the texture coordinates up with
    /// the vertices.
    void FinishObject(ModelObject& object);
    bool Fail(const char* reason);

    CByteReader* m_reader = nullptr;
    int m_swapAxes = 0;
    uint32_t m_version = 0;
    int m_droppedFaces = 0;
    const char* m_failure = nullptr;
    std::vector<uint8_t> m_scratch;
};

#endif
