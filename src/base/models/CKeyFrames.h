/// \file
/// The key frames of an animated model, kept as the file packs them (a byte per coordinate and a
/// scale and translation per frame) and decoded one frame at a time on first use: a load then
/// costs little more than reading the file, and only the frames an animation reaches are ever
/// unpacked. What a frame gives once decoded (positions, smooth normals, box) and the bounding
/// sphere over every frame are the same values, to the bit, as decoding every frame at load.
#ifndef KYREL_CKEYFRAMES_H
#define KYREL_CKEYFRAMES_H

#include "math/CVector3.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <vector>

/// A key-frame model's frames: packed records kept from the file, each decoded once when first
/// asked for. Decoding does not change what a frame is, so the readers are const.
class CKeyFrames
{
public:
    /// A frame record: scale (3 floats), translation (3 floats), a 16-character name, then four
    /// bytes per vertex: x, y, z and a normal index that is not used.
    static const size_t FRAME_HEADER_SIZE = 40;
    static const size_t FRAME_NAME_OFFSET = 24;  ///< where the name starts in a record
    static const size_t FRAME_NAME_SIZE = 16;    ///< bytes, zero-padded
    static const size_t PACKED_VERTEX_SIZE = 4;  ///< x, y, z bytes and a normal index

    /// No frames.
    CKeyFrames();
    /// Takes frameCount records of recordSize bytes each (recordSize at least the header and
    /// vertexCount packed vertices) and the vertex indices of the faces, three a face, each below
    /// vertexCount. The room of every frame's decoded values is taken when the first frame is
    /// decoded: later frames' first use allocates nothing.
    CKeyFrames(std::unique_ptr<uint8_t[]> records, size_t recordSize, int frameCount,
               int vertexCount, std::vector<int> corners, bool vectorMath);
    /// Frees the records and the decoded frames.
    ~CKeyFrames();
    /// Moves the frames and what has been decoded of them; the moved-from object has none left.
    ///@{
    CKeyFrames(CKeyFrames&& other) noexcept;
    CKeyFrames& operator=(CKeyFrames&& other) noexcept;
    ///@}
    CKeyFrames(const CKeyFrames&) = delete;
    CKeyFrames& operator=(const CKeyFrames&) = delete;

    /// The number of frames (0 for a model that is not a key-frame model).
    int FrameCount() const { return m_records ? m_frameCount : 0; }
    /// The vertices of every frame.
    int VertexCount() const { return m_vertexCount; }

    /// A frame's positions in the engine's axes: the file's z is up (y) and its y is -z. Decoded
    /// on first use and kept as long as the frames; frame must lie in [0, FrameCount()).
    const CVector3* Vertices(int frame) const;
    /// The frame's smooth vertex normals: each vertex's face normals averaged and normalised (a
    /// vertex no face uses keeps a zero normal). Worked out on first use.
    const CVector3* Normals(int frame) const;
    /// The frame's box: the component-wise minimum and maximum of its positions.
    ///@{
    const CVector3& BoundsMin(int frame) const;
    const CVector3& BoundsMax(int frame) const;
    ///@}
    /// The name the record gives the frame (at most 16 characters).
    /// Its length goes to length; the name is not zero-terminated when it fills its 16 bytes.
    const char* NameOf(int frame, size_t& length) const;

    /// The centre is the mean of every position of every frame, the radius the farthest of them
    /// from it. Measured the first time it is asked: it decodes every frame.
    void BoundingSphere(CVector3& centre, float& radius) const;

    /// Releases the decoded frames' room, which is taken with malloc so that it is not written.
    struct FreeMemory
    {
        void operator()(void* memory) const { std::free(memory); }  ///< std::free
    };

private:
    struct Scratch;

    void PrepareRoom() const;
    const uint8_t* Record(int frame) const;
    void Decode(int frame) const;
    void DecodeScalar(const uint8_t* record, CVector3* out, CVector3& boxMin,
                      CVector3& boxMax) const;
    void ComputeNormals(int frame) const;
    void NormalsScalar(const CVector3* positions, CVector3* out) const;
    void MeasureSphere() const;
#if defined(__SSE2__)
    void DecodeVector(const uint8_t* record, CVector3* out, CVector3& boxMin,
                      CVector3& boxMax) const;
    void NormalsVector(const CVector3* positions, CVector3* out) const;
#endif

    std::unique_ptr<uint8_t[]> m_records;
    size_t m_recordSize = 0;
    int m_frameCount = 0;
    int m_vertexCount = 0;
    std::vector<int> m_corners;
    bool m_vectorMath = true;

    // Everything below is filled on demand: decoding a frame does not change what it is.
    enum : uint8_t
    {
        HAS_POSITIONS = 1,
        HAS_NORMALS = 2
    };
    mutable std::vector<uint8_t> m_state;
    // frameCount x vertexCount each, plus one vertex: the vector path reads 16 bytes a position.
    mutable std::unique_ptr<CVector3, FreeMemory> m_positions;
    mutable std::unique_ptr<CVector3, FreeMemory> m_normals;
    mutable std::vector<CVector3> m_boxMin;
    mutable std::vector<CVector3> m_boxMax;
    std::unique_ptr<Scratch> m_scratch;
    mutable bool m_sphereMeasured = false;
    mutable CVector3 m_sphereCentre;
    mutable float m_sphereRadius = 0.0f;
};

#endif
