/// \file
/// Reads MD2 key-frame models into a CModelData: one object per key frame, the texture coordinates
/// and triangles on the first frame, an animation list from the frame names, and the frames
/// themselves, whose positions, smooth normals and box (and the sphere over them all) are decoded
/// on first use.
#ifndef KYREL_CMD2READER_H
#define KYREL_CMD2READER_H

#include "models/CModelData.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

class CByteReader;

/// The 68-byte file header, 17 little-endian signed 32-bit fields in file order.
struct MD2Header
{
    int32_t magic = 0;    ///< "IDP2"
    int32_t version = 0;  ///< MD2_VERSION
    /// Skin size in pixels, which the texture coordinates are divided by.
    ///@{
    int32_t skinWidth = 0;
    int32_t skinHeight = 0;
    ///@}
    int32_t frameSize = 0;  ///< bytes per frame record
    /// Counts of the file's sections.
    ///@{
    int32_t numSkins = 0;
    int32_t numVertices = 0;  ///< per frame
    int32_t numTexCoords = 0;
    int32_t numTriangles = 0;
    int32_t numGlCommands = 0;  ///< not used
    int32_t numFrames = 0;
    ///@}
    /// Byte offsets of the sections from the start of the file.
    ///@{
    int32_t offsetSkins = 0;
    int32_t offsetTexCoords = 0;
    int32_t offsetTriangles = 0;
    int32_t offsetFrames = 0;
    int32_t offsetGlCommands = 0;  ///< not used
    int32_t offsetEnd = 0;         ///< not used
    ///@}
};

/// Reads MD2 files (from disk or memory) into a CModelData, without GL.
class CMD2Reader
{
public:
    /// "IDP2" read as a little-endian 32-bit value.
    static const int32_t MD2_IDENTIFIER = 0x32504449;
    static const int MD2_VERSION = 8;  ///< the only version read
    /// Sizes in bytes of the header and of one record of each section.
    ///@{
    static const size_t MD2_HEADER_SIZE = 68;
    static const size_t MD2_SKIN_NAME_SIZE = 64;
    static const size_t MD2_TEXCOORD_SIZE = 4;
    static const size_t MD2_TRIANGLE_SIZE = 12;
    ///@}
    /// Scale and translation (6 floats) and a 16-character name before the vertices.
    static const size_t MD2_FRAME_HEADER_SIZE = CKeyFrames::FRAME_HEADER_SIZE;
    static const size_t MD2_FRAME_NAME_SIZE = CKeyFrames::FRAME_NAME_SIZE;  ///< bytes, zero-padded
    /// x, y, z bytes and a normal index
    static const size_t MD2_VERTEX_SIZE = CKeyFrames::PACKED_VERTEX_SIZE;
    /// The most vertices a frame may hold.
    static const int MD2_MAX_VERTICES = 2048;
    /// The largest frame record accepted, in bytes.
    static const size_t MD2_MAX_FRAME_SIZE =
        MD2_FRAME_HEADER_SIZE + MD2_VERTEX_SIZE * MD2_MAX_VERTICES;

    /// Reads the file into model. On any failure a message naming the path goes to standard
    /// error, false is returned and the model is left untouched. With a texture path (non-null)
    /// the model gets one material naming it.
    bool Load(CModelData* model, const char* path, const char* texturePath);
    /// The same over bytes in memory; name is only used in messages.
    bool LoadFromMemory(CModelData* model, const void* data, size_t size, const char* name,
                        const char* texturePath);

    /// Appends the animations the frame names give: a name's trailing frame number (a digit in
    /// its last two characters and what follows) is cut off, and each change of name closes the
    /// animation before it; the last frame closes the last animation.
    static void BuildAnimations(CModelData& model, const std::vector<std::string>& frameNames);

    /// The header of the last file read (as far as it was read).
    const MD2Header& GetHeader() const { return m_header; }

    /// The model's frames will be decoded, boxed and given normals four lanes at a time where the
    /// processor has SSE2, else one value at a time. Both give the same bits; the plain path is
    /// kept to prove it and for other processors. On by default.
    void UseVectorMath(bool on) { m_vectorMath = on; }

private:
    bool Read(CModelData& model, CByteReader& reader, const char* name, const char* texturePath);
    bool ReadHeader(CByteReader& reader);
    /// Empty when the header's counts, sizes and sections fit the file; else the failure's reason.
    const char* CheckHeader(size_t fileSize) const;
    /// Each section reader gives null, or the reason the file is rejected.
    const char* ReadTexCoords(CByteReader& reader, ModelObject& firstFrame) const;
    /// Rejects a triangle naming a vertex or texture coordinate the file does not have.
    const char* ReadTriangles(CByteReader& reader, ModelObject& firstFrame) const;
    /// Keeps the frame records packed in the model's key frames and takes the frame names.
    const char* ReadFrames(CByteReader& reader, CModelData& model,
                           std::vector<std::string>& names) const;

    MD2Header m_header;
    bool m_vectorMath = true;
};

#endif
