// MD2 reading: the header is checked against the file's real size before anything is allocated,
// then texture coordinates, triangles and frames are read and decoded into the model, which is
// finished with its animation list, normals, boxes and sphere. A file is rejected whole: every
// failure prints one "Invalid file format (...)" line and leaves the caller's model as it was.
#include "models/CMD2Reader.h"

#include "io/CByteReader.h"
#include "io/Report.h"

#include <cmath>
#include <cstdio>
#include <cstring>
#include <utility>

#if defined(__SSE2__)
#include <emmintrin.h>
#define KYREL_MD2_SSE2 1
#endif

namespace
{
const char* const MD2_MISSING_MESSAGE = "Unable to find the file: %s!\n";
const char* const MD2_INVALID_MESSAGE = "Invalid file format (%s): %s!\n";

const char* const REASON_SHORT_HEADER = "Header too short";
const char* const REASON_IDENTIFIER = "Not an MD2 file";
const char* const REASON_VERSION = "Version not 8";
const char* const REASON_COUNTS = "Bad counts";
const char* const REASON_FRAME_SIZE = "Frame size";
const char* const REASON_SKIN_SIZE = "Skin size";
const char* const REASON_PAST_END = "Data past end of file";
const char* const REASON_INDEX = "Index out of range";

// The radius search starts below any distance.
const float SPHERE_RADIUS_START = -1000000000.0f;

bool SectionFits(int32_t offset, int32_t count, size_t recordSize, size_t fileSize)
{
    const unsigned long long end = static_cast<unsigned long long>(offset) +
                                   static_cast<unsigned long long>(count) * recordSize;
    return offset >= 0 && count >= 0 && end <= fileSize;
}

bool ReadSection(CByteReader& reader, int32_t offset, std::vector<uint8_t>& bytes)
{
    return reader.Seek(static_cast<size_t>(offset)) && reader.ReadBytes(bytes.data(), bytes.size());
}

bool IndexInside(int index, int count)
{
    return index >= 0 && index < count;
}

// Splits a frame name into the animation name and the frame number: the first digit within the
// last two characters starts the number (so "run12" is run, 12 and "pain101" is pain1, 1).
std::string AnimationName(const std::string& frameName, int& frameNumber)
{
    const size_t length = frameName.size();
    const size_t from = length >= 2 ? length - 2 : 0;
    for (size_t i = from; i < length; ++i)
    {
        if (frameName[i] >= '0' && frameName[i] <= '9')
        {
            frameNumber = 0;
            for (size_t j = i; j < length && frameName[j] >= '0' && frameName[j] <= '9'; ++j)
            {
                frameNumber = frameNumber * 10 + (frameName[j] - '0');
            }
            return frameName.substr(0, i);
        }
    }
    frameNumber = 0;
    return frameName;
}

void AddTextureMaterial(CModelData& model, const char* texturePath)
{
    ModelMaterial material;
    CopyModelName(material.textureFile, MODEL_NAME_LENGTH, texturePath, MODEL_NAME_LENGTH);
    material.textureIndex = 0;
    model.materials.push_back(material);
    model.materialCount = 1;
}
}  // namespace

bool CMD2Reader::Load(CModelData* model, const char* path, const char* texturePath)
{
    CByteReader reader;
    if (model == nullptr || !reader.OpenFile(path))
    {
        Report(ReportStream::Err, MD2_MISSING_MESSAGE, path ? path : "");
        return false;
    }
    return Read(*model, reader, path, texturePath);
}

bool CMD2Reader::LoadFromMemory(CModelData* model, const void* data, size_t size, const char* name,
                                const char* texturePath)
{
    if (model == nullptr)
    {
        return false;
    }
    CByteReader reader(data, size);
    return Read(*model, reader, name ? name : "", texturePath);
}

bool CMD2Reader::Read(CModelData& model, CByteReader& reader, const char* name,
                      const char* texturePath)
{
    m_header = MD2Header();
    const char* failure = nullptr;
    CModelData built;
    std::vector<std::string> frameNames;
    if (!ReadHeader(reader))
    {
        failure = REASON_SHORT_HEADER;
    }
    else if (m_header.magic != MD2_IDENTIFIER)
    {
        failure = REASON_IDENTIFIER;
    }
    else if (m_header.version != MD2_VERSION)
    {
        failure = REASON_VERSION;
    }
    else if ((failure = CheckHeader(reader.Size())) == nullptr)
    {
        built.objectCount = m_header.numFrames;
        built.objects.resize(static_cast<size_t>(m_header.numFrames));
        ModelObject& firstFrame = built.objects[0];
        failure = ReadTexCoords(reader, firstFrame);
        if (failure == nullptr)
        {
            failure = ReadTriangles(reader, firstFrame);
        }
        if (failure == nullptr)
        {
            failure = ReadFrames(reader, built, frameNames);
        }
    }
    if (failure != nullptr)
    {
        Report(ReportStream::Err, MD2_INVALID_MESSAGE, failure, name);
        return false;
    }

    BuildAnimations(built, frameNames);
    if (texturePath != nullptr)
    {
        AddTextureMaterial(built, texturePath);
    }
    model = std::move(built);
    return true;
}

bool CMD2Reader::ReadHeader(CByteReader& reader)
{
    uint8_t bytes[MD2_HEADER_SIZE];
    if (!reader.ReadBytes(bytes, sizeof bytes))
    {
        return false;
    }
    CByteReader fields(bytes, sizeof bytes);
    int32_t* const order[] = {&m_header.magic,           &m_header.version,
                              &m_header.skinWidth,       &m_header.skinHeight,
                              &m_header.frameSize,       &m_header.numSkins,
                              &m_header.numVertices,     &m_header.numTexCoords,
                              &m_header.numTriangles,    &m_header.numGlCommands,
                              &m_header.numFrames,       &m_header.offsetSkins,
                              &m_header.offsetTexCoords, &m_header.offsetTriangles,
                              &m_header.offsetFrames,    &m_header.offsetGlCommands,
                              &m_header.offsetEnd};
    for (int32_t* field : order)
    {
        fields.ReadS32LE(*field);
    }
    return true;
}

const char* CMD2Reader::CheckHeader(size_t fileSize) const
{
    const MD2Header& h = m_header;
    // A model needs at least one frame of at least one vertex; nothing may count below zero.
    if (h.numSkins < 0 || h.numTexCoords < 0 || h.numTriangles < 0 || h.numFrames < 1 ||
        h.numVertices < 1)
    {
        return REASON_COUNTS;
    }
    if (h.numVertices > MD2_MAX_VERTICES || h.frameSize < 0 ||
        static_cast<size_t>(h.frameSize) > MD2_MAX_FRAME_SIZE ||
        static_cast<size_t>(h.frameSize) <
            MD2_FRAME_HEADER_SIZE + MD2_VERTEX_SIZE * static_cast<size_t>(h.numVertices))
    {
        return REASON_FRAME_SIZE;
    }
    if (h.numTexCoords > 0 && (h.skinWidth <= 0 || h.skinHeight <= 0))
    {
        return REASON_SKIN_SIZE;
    }
    // Every section must lie inside the file before anything is sized from its count.
    if (!SectionFits(h.offsetSkins, h.numSkins, MD2_SKIN_NAME_SIZE, fileSize) ||
        !SectionFits(h.offsetTexCoords, h.numTexCoords, MD2_TEXCOORD_SIZE, fileSize) ||
        !SectionFits(h.offsetTriangles, h.numTriangles, MD2_TRIANGLE_SIZE, fileSize) ||
        !SectionFits(h.offsetFrames, h.numFrames, static_cast<size_t>(h.frameSize), fileSize))
    {
        return REASON_PAST_END;
    }
    return nullptr;
}

const char* CMD2Reader::ReadTexCoords(CByteReader& reader, ModelObject& firstFrame) const
{
    const size_t count = static_cast<size_t>(m_header.numTexCoords);
    std::vector<uint8_t> raw(count * MD2_TEXCOORD_SIZE);
    if (!ReadSection(reader, m_header.offsetTexCoords, raw))
    {
        return REASON_PAST_END;
    }
    CByteReader records(raw.data(), raw.size());
    const float width = static_cast<float>(m_header.skinWidth);
    const float height = static_cast<float>(m_header.skinHeight);
    firstFrame.texCoords.resize(count);
    for (ModelTexCoord& coord : firstFrame.texCoords)
    {
        int16_t s = 0;
        int16_t t = 0;
        records.ReadS16LE(s);
        records.ReadS16LE(t);
        // Skin rows run top down; GL's t axis runs bottom up.
        coord.u = static_cast<float>(s) / width;
        coord.v = 1.0f - static_cast<float>(t) / height;
    }
    return nullptr;
}

const char* CMD2Reader::ReadTriangles(CByteReader& reader, ModelObject& firstFrame) const
{
    const int triangleCount = m_header.numTriangles;
    std::vector<uint8_t> raw(static_cast<size_t>(triangleCount) * MD2_TRIANGLE_SIZE);
    if (!ReadSection(reader, m_header.offsetTriangles, raw))
    {
        return REASON_PAST_END;
    }
    CByteReader records(raw.data(), raw.size());
    firstFrame.faces.resize(static_cast<size_t>(triangleCount));
    for (ModelFace& face : firstFrame.faces)
    {
        int16_t index = 0;
        for (int& vertex : face.vertIndex)
        {
            records.ReadS16LE(index);
            vertex = index;
        }
        for (int& coord : face.coordIndex)
        {
            records.ReadS16LE(index);
            coord = index;
        }
        for (int k = 0; k < 3; ++k)
        {
            if (!IndexInside(face.vertIndex[k], m_header.numVertices) ||
                !IndexInside(face.coordIndex[k], m_header.numTexCoords))
            {
                return REASON_INDEX;
            }
        }
    }
    return nullptr;
}

namespace
{
// Each face normal is added into the corners of the face in face order, a face naming a vertex
// twice adding into it once, so every vertex sums its faces in the same order on either path.
template <typename Use> void ForEachDistinctCorner(const int* v, Use&& use)
{
    use(v[0]);
    if (v[1] != v[0])
    {
        use(v[1]);
    }
    if (v[2] != v[0] && v[2] != v[1])
    {
        use(v[2]);
    }
}

// A frame record's scale and translation, then its packed vertices.
struct FrameRecord
{
    float scale[3];
    float translate[3];
    const uint8_t* packed;
};

// One register's worth of floats, kept in memory.
struct alignas(16) Lanes4
{
    float lane[4];
};

// Builds every frame object from its record: positions, box, smooth normals, and the running
// position sums of the sphere's centre. The scratch arrays are sized once for all frames.
class FrameBuilder
{
public:
    FrameBuilder(const std::vector<ModelFace>& faces, size_t vertexCount);

    void Build(const FrameRecord& record, ModelObject& frame, bool vectorMath)
    {
#if KYREL_MD2_SSE2
        if (vectorMath)
        {
            BuildVector(record, frame);
            return;
        }
#endif
        (void)vectorMath;
        BuildScalar(record, frame);
    }

    // The centre is the mean of every position of every frame; the radius the farthest of them.
    void FinishSphere(CModelData& model, bool vectorMath) const;

private:
    void BuildScalar(const FrameRecord& record, ModelObject& frame);
#if KYREL_MD2_SSE2
    void BuildVector(const FrameRecord& record, ModelObject& frame);
    void NormalsVector(ModelObject& frame);
#endif

    const std::vector<ModelFace>& m_faces;
    size_t m_vertexCount;
    // How many faces use each vertex (0 keeps a zero normal).
    std::vector<int> m_useCounts;
    // The centre sums hundreds of thousands of positions: a double keeps it from drifting.
    double m_sum[3] = {0.0, 0.0, 0.0};
    size_t m_pointCount = 0;
    std::vector<CVector3> m_normalSums;
#if KYREL_MD2_SSE2
    // The vector path works in groups of four vertices and stores sixteen bytes per vector: its
    // arrays run to a whole group and one vector more. Unused vertices divide by 1.
    size_t m_groupedCount;
    std::vector<float> m_divisors;
    std::vector<Lanes4> m_normalSums4;
    std::vector<CVector3> m_positions;
    std::vector<CVector3> m_normals;
#endif
};

FrameBuilder::FrameBuilder(const std::vector<ModelFace>& faces, size_t vertexCount)
    : m_faces(faces), m_vertexCount(vertexCount), m_useCounts(vertexCount, 0)
{
    for (const ModelFace& face : faces)
    {
        ForEachDistinctCorner(face.vertIndex,
                              [this](int v) { ++m_useCounts[static_cast<size_t>(v)]; });
    }
#if KYREL_MD2_SSE2
    m_groupedCount = (vertexCount + 3) / 4 * 4;
    m_divisors.assign(m_groupedCount, 1.0f);
    for (size_t i = 0; i < vertexCount; ++i)
    {
        if (m_useCounts[i] > 0)
        {
            m_divisors[i] = static_cast<float>(m_useCounts[i]);
        }
    }
    m_normalSums4.resize(m_groupedCount);
    m_positions.resize(vertexCount + 1);
    m_normals.resize(m_groupedCount + 1);
#endif
}

void FrameBuilder::BuildScalar(const FrameRecord& record, ModelObject& frame)
{
    frame.vertices.resize(m_vertexCount);
    const uint8_t* packed = record.packed;
    for (CVector3& vertex : frame.vertices)
    {
        // The file's z axis is the engine's up axis and its y axis the engine's -z.
        vertex.x = packed[0] * record.scale[0] + record.translate[0];
        vertex.y = packed[2] * record.scale[2] + record.translate[2];
        vertex.z = -(packed[1] * record.scale[1] + record.translate[1]);
        packed += CMD2Reader::MD2_VERTEX_SIZE;
        m_sum[0] += vertex.x;
        m_sum[1] += vertex.y;
        m_sum[2] += vertex.z;
    }
    m_pointCount += m_vertexCount;
    ComputeBox(frame.vertices, frame.boundsMin, frame.boundsMax);

    const std::vector<CVector3>& p = frame.vertices;
    m_normalSums.assign(m_vertexCount, CVector3());
    for (const ModelFace& face : m_faces)
    {
        const int* v = face.vertIndex;
        const CVector3 normal = Cross(p[v[0]] - p[v[2]], p[v[2]] - p[v[1]]);
        ForEachDistinctCorner(v, [&](int corner)
                              { m_normalSums[corner] = m_normalSums[corner] + normal; });
    }
    frame.normals.resize(m_vertexCount);
    for (size_t i = 0; i < m_vertexCount; ++i)
    {
        CVector3 sum = m_normalSums[i];
        if (m_useCounts[i] > 0)
        {
            const float divisor = static_cast<float>(m_useCounts[i]);
            sum = CVector3(sum.x / divisor, sum.y / divisor, sum.z / divisor);
            sum.Normalize();
        }
        frame.normals[i] = sum;
    }
}

#if KYREL_MD2_SSE2
// Every step below does, lane by lane, the plain path's operations in the plain path's order, and
// IEEE division and square root round the same in either unit, so the bits agree. The minimum and
// maximum intrinsics pick their second operand when either is NaN, which is what the plain
// comparisons do with the operands in this order.

// Four vertices' packed floats (x0 y0 z0 x1 | y1 z1 x2 y2 | z2 x3 y3 z3) to one register per axis.
void ToLanes(const float* xyz, __m128& x, __m128& y, __m128& z)
{
    const __m128 a = _mm_loadu_ps(xyz);
    const __m128 b = _mm_loadu_ps(xyz + 4);
    const __m128 c = _mm_loadu_ps(xyz + 8);
    const __m128 x0x1y1z1 = _mm_shuffle_ps(a, b, _MM_SHUFFLE(1, 0, 3, 0));
    const __m128 x2y2x3y3 = _mm_shuffle_ps(b, c, _MM_SHUFFLE(2, 1, 3, 2));
    x = _mm_shuffle_ps(x0x1y1z1, x2y2x3y3, _MM_SHUFFLE(2, 0, 1, 0));
    const __m128 y0y0y1y1 = _mm_shuffle_ps(a, x0x1y1z1, _MM_SHUFFLE(2, 2, 1, 1));
    y = _mm_shuffle_ps(y0y0y1y1, x2y2x3y3, _MM_SHUFFLE(3, 1, 2, 0));
    const __m128 z0z0z1z1 = _mm_shuffle_ps(a, b, _MM_SHUFFLE(1, 1, 2, 2));
    const __m128 z2z3z2z3 = _mm_shuffle_ps(c, c, _MM_SHUFFLE(3, 0, 3, 0));
    z = _mm_shuffle_ps(z0z0z1z1, z2z3z2z3, _MM_SHUFFLE(1, 0, 2, 0));
}

CVector3 ToVector(__m128 v)
{
    float lanes[4];
    _mm_storeu_ps(lanes, v);
    return CVector3(lanes[0], lanes[1], lanes[2]);
}

void FrameBuilder::BuildVector(const FrameRecord& record, ModelObject& frame)
{
    const __m128 scale = _mm_setr_ps(record.scale[0], record.scale[1], record.scale[2], 0.0f);
    const __m128 translate =
        _mm_setr_ps(record.translate[0], record.translate[1], record.translate[2], 0.0f);
    const __m128 negateZ = _mm_setr_ps(0.0f, 0.0f, -0.0f, 0.0f);
    const __m128i zero = _mm_setzero_si128();
    __m128 boxMin = _mm_set1_ps(MODEL_BOX_START);
    __m128 boxMax = _mm_set1_ps(-MODEL_BOX_START);
    // The frame's sums continue the running ones, position by position.
    __m128d sumXY = _mm_loadu_pd(m_sum);
    __m128d sumZ = _mm_load_sd(&m_sum[2]);
    float* positions = &m_positions[0].x;
    const uint8_t* packed = record.packed;
    for (size_t i = 0; i < m_vertexCount; ++i, packed += CMD2Reader::MD2_VERTEX_SIZE)
    {
        int32_t bytes;
        std::memcpy(&bytes, packed, sizeof bytes);
        const __m128i wide =
            _mm_unpacklo_epi16(_mm_unpacklo_epi8(_mm_cvtsi32_si128(bytes), zero), zero);
        const __m128 fileAxes = _mm_add_ps(_mm_mul_ps(_mm_cvtepi32_ps(wide), scale), translate);
        // File (x, y, z) to engine (x, z, -y).
        const __m128 p =
            _mm_xor_ps(_mm_shuffle_ps(fileAxes, fileAxes, _MM_SHUFFLE(3, 1, 2, 0)), negateZ);
        _mm_storeu_ps(positions + 3 * i, p);
        boxMin = _mm_min_ps(p, boxMin);
        boxMax = _mm_max_ps(p, boxMax);
        sumXY = _mm_add_pd(sumXY, _mm_cvtps_pd(p));
        sumZ = _mm_add_sd(sumZ, _mm_cvtps_pd(_mm_movehl_ps(p, p)));
    }
    _mm_storeu_pd(m_sum, sumXY);
    _mm_store_sd(&m_sum[2], sumZ);
    m_pointCount += m_vertexCount;
    frame.vertices.assign(m_positions.begin(),
                          m_positions.begin() + static_cast<std::ptrdiff_t>(m_vertexCount));
    frame.boundsMin = ToVector(boxMin);
    frame.boundsMax = ToVector(boxMax);
    NormalsVector(frame);
}

void FrameBuilder::NormalsVector(ModelObject& frame)
{
    // The fourth lane of each position is the next vertex's x: it only reaches fourth lanes.
    const float* positions = &m_positions[0].x;
    const __m128 zero = _mm_setzero_ps();
    Lanes4* sums = m_normalSums4.data();
    std::memset(static_cast<void*>(sums), 0, m_normalSums4.size() * sizeof(Lanes4));
    for (const ModelFace& face : m_faces)
    {
        const int* v = face.vertIndex;
        const __m128 p2 = _mm_loadu_ps(positions + 3 * v[2]);
        const __m128 a = _mm_sub_ps(_mm_loadu_ps(positions + 3 * v[0]), p2);
        const __m128 b = _mm_sub_ps(p2, _mm_loadu_ps(positions + 3 * v[1]));
        // (a.y b.z - a.z b.y, a.z b.x - a.x b.z, a.x b.y - a.y b.x)
        const __m128 aYZX = _mm_shuffle_ps(a, a, _MM_SHUFFLE(3, 0, 2, 1));
        const __m128 aZXY = _mm_shuffle_ps(a, a, _MM_SHUFFLE(3, 1, 0, 2));
        const __m128 bYZX = _mm_shuffle_ps(b, b, _MM_SHUFFLE(3, 0, 2, 1));
        const __m128 bZXY = _mm_shuffle_ps(b, b, _MM_SHUFFLE(3, 1, 0, 2));
        const __m128 normal = _mm_sub_ps(_mm_mul_ps(aYZX, bZXY), _mm_mul_ps(aZXY, bYZX));
        ForEachDistinctCorner(v,
                              [sums, normal](int corner)
                              {
                                  float* sum = sums[corner].lane;
                                  _mm_store_ps(sum, _mm_add_ps(_mm_load_ps(sum), normal));
                              });
    }
    float* normals = &m_normals[0].x;
    for (size_t i = 0; i < m_groupedCount; i += 4)
    {
        __m128 x = _mm_load_ps(sums[i].lane);
        __m128 y = _mm_load_ps(sums[i + 1].lane);
        __m128 z = _mm_load_ps(sums[i + 2].lane);
        __m128 w = _mm_load_ps(sums[i + 3].lane);
        _MM_TRANSPOSE4_PS(x, y, z, w);
        const __m128 divisor = _mm_loadu_ps(&m_divisors[i]);
        x = _mm_div_ps(x, divisor);
        y = _mm_div_ps(y, divisor);
        z = _mm_div_ps(z, divisor);
        const __m128 length = _mm_sqrt_ps(
            _mm_add_ps(_mm_add_ps(_mm_mul_ps(x, x), _mm_mul_ps(y, y)), _mm_mul_ps(z, z)));
        // A zero length leaves the vector as it is; NaN compares unequal and divides.
        const __m128 divide = _mm_cmpneq_ps(length, zero);
        const auto select = [divide](__m128 divided, __m128 kept)
        { return _mm_or_ps(_mm_and_ps(divide, divided), _mm_andnot_ps(divide, kept)); };
        x = select(_mm_div_ps(x, length), x);
        y = select(_mm_div_ps(y, length), y);
        z = select(_mm_div_ps(z, length), z);
        w = zero;
        _MM_TRANSPOSE4_PS(x, y, z, w);
        // Each store spills one lane into the next vertex, rewritten by the store after it.
        float* group = normals + 3 * i;
        _mm_storeu_ps(group, x);
        _mm_storeu_ps(group + 3, y);
        _mm_storeu_ps(group + 6, z);
        _mm_storeu_ps(group + 9, w);
    }
    frame.normals.assign(m_normals.begin(),
                         m_normals.begin() + static_cast<std::ptrdiff_t>(m_vertexCount));
}
#endif

void FrameBuilder::FinishSphere(CModelData& model, bool vectorMath) const
{
    const double count = static_cast<double>(m_pointCount);
    const CVector3 centre(static_cast<float>(m_sum[0] / count),
                          static_cast<float>(m_sum[1] / count),
                          static_cast<float>(m_sum[2] / count));
    // The square root grows with its argument, so the farthest point is found by the squared
    // distances and only its distance is taken. They are measured in double: a frame's scale can
    // put coordinates past 1.8e19, whose squares overflow a float. Which point is seen first does
    // not change the largest, and NaN never wins a comparison, so lanes may each keep their own.
    const double cx = centre.x;
    const double cy = centre.y;
    const double cz = centre.z;
    double farthestSquared = -1.0;
    const auto widen = [&](const CVector3& p)
    {
        const double dx = p.x - cx;
        const double dy = p.y - cy;
        const double dz = p.z - cz;
        const double squared = dx * dx + dy * dy + dz * dz;
        if (squared > farthestSquared)
        {
            farthestSquared = squared;
        }
    };
    for (const ModelObject& frame : model.objects)
    {
        const size_t n = frame.vertices.size();
        size_t i = 0;
#if KYREL_MD2_SSE2
        if (vectorMath)
        {
            const __m128d centreX = _mm_set1_pd(cx);
            const __m128d centreY = _mm_set1_pd(cy);
            const __m128d centreZ = _mm_set1_pd(cz);
            __m128d farthest = _mm_set1_pd(farthestSquared);
            // Two vertices' squared distances from the low or high halves of the lanes.
            const auto halves = [&](__m128 x, __m128 y, __m128 z)
            {
                const __m128d dx = _mm_sub_pd(_mm_cvtps_pd(x), centreX);
                const __m128d dy = _mm_sub_pd(_mm_cvtps_pd(y), centreY);
                const __m128d dz = _mm_sub_pd(_mm_cvtps_pd(z), centreZ);
                const __m128d squared = _mm_add_pd(
                    _mm_add_pd(_mm_mul_pd(dx, dx), _mm_mul_pd(dy, dy)), _mm_mul_pd(dz, dz));
                farthest = _mm_max_pd(squared, farthest);
            };
            for (; i + 4 <= n; i += 4)
            {
                __m128 x;
                __m128 y;
                __m128 z;
                ToLanes(&frame.vertices[i].x, x, y, z);
                halves(x, y, z);
                halves(_mm_movehl_ps(x, x), _mm_movehl_ps(y, y), _mm_movehl_ps(z, z));
            }
            double lanes[2];
            _mm_storeu_pd(lanes, farthest);
            for (const double squared : lanes)
            {
                if (squared > farthestSquared)
                {
                    farthestSquared = squared;
                }
            }
        }
#endif
        (void)vectorMath;
        for (; i < n; ++i)
        {
            widen(frame.vertices[i]);
        }
    }
    model.sphereCenter = centre;
    model.sphereRadius = farthestSquared >= 0.0 ? static_cast<float>(std::sqrt(farthestSquared))
                                                : SPHERE_RADIUS_START;
}
}  // namespace

const char* CMD2Reader::ReadFrames(CByteReader& reader, CModelData& model,
                                   std::vector<std::string>& names) const
{
    if (!reader.Seek(static_cast<size_t>(m_header.offsetFrames)))
    {
        return REASON_PAST_END;
    }
    const size_t frameSize = static_cast<size_t>(m_header.frameSize);
    // A file's frames are read one at a time through a buffer the header has already bounded;
    // bytes in memory are read where they lie.
    std::vector<uint8_t> frameBytes(reader.Current() ? 0 : frameSize);
    FrameBuilder builder(model.objects[0].faces, static_cast<size_t>(m_header.numVertices));
    names.clear();
    names.reserve(model.objects.size());
    for (ModelObject& frame : model.objects)
    {
        const uint8_t* buffer = reader.Current();
        if (buffer != nullptr ? !reader.Skip(frameSize)
                              : !reader.ReadBytes(frameBytes.data(), frameSize))
        {
            return REASON_PAST_END;
        }
        if (buffer == nullptr)
        {
            buffer = frameBytes.data();
        }
        CByteReader fields(buffer, MD2_FRAME_HEADER_SIZE);
        FrameRecord record;
        for (float& value : record.scale)
        {
            fields.ReadFloatLE(value);
        }
        for (float& value : record.translate)
        {
            fields.ReadFloatLE(value);
        }
        record.packed = buffer + MD2_FRAME_HEADER_SIZE;
        const char* name = reinterpret_cast<const char*>(buffer + sizeof record.scale * 2);
        names.emplace_back(name, strnlen(name, MD2_FRAME_NAME_SIZE));

        frame.vertexCount = m_header.numVertices;
        frame.texCoordCount = m_header.numTexCoords;
        frame.faceCount = m_header.numTriangles;
        builder.Build(record, frame, m_vectorMath);
    }
    builder.FinishSphere(model, m_vectorMath);
    model.totalVertexCount = 3 * m_header.numTriangles;
    return nullptr;
}
void CMD2Reader::BuildAnimations(CModelData& model, const std::vector<std::string>& frameNames)
{
    std::string previousName;
    int startFrame = 0;
    const int frameCount = static_cast<int>(frameNames.size());
    for (int i = 0; i < frameCount; ++i)
    {
        int frameNumber = 0;
        std::string name = AnimationName(frameNames[static_cast<size_t>(i)], frameNumber);
        if (name != previousName || i == frameCount - 1)
        {
            if (!previousName.empty())
            {
                ModelAnimation animation;
                CopyModelName(animation.name, MODEL_NAME_LENGTH, previousName.c_str(),
                              previousName.size());
                animation.startFrame = startFrame;
                animation.endFrame = i;
                model.animations.push_back(animation);
                ++model.animationCount;
            }
            // Frame numbers count from 1; a name without one starts a frame early.
            startFrame = i + frameNumber - 1;
        }
        previousName = std::move(name);
    }
}
