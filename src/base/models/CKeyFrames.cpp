// Key frames decoded on first use: positions and box in one pass over the packed record, smooth
// normals from the faces, and the bounding sphere over every frame. Each step has a plain path and
// an SSE2 path that does the same operations in the same order, so both give the same bits.
#include "models/CKeyFrames.h"

#include "io/CByteReader.h"
#include "models/CModelData.h"

#include <cassert>
#include <cmath>
#include <cstring>
#include <new>
#include <utility>

#if defined(__SSE2__)
#include <emmintrin.h>
#define KYREL_KEYFRAMES_SSE2 1
#endif

namespace
{
// The radius search starts below any distance.
const float SPHERE_RADIUS_START = -1000000000.0f;

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

// A frame record's scale and translation.
struct FramePlacement
{
    float scale[3];
    float translate[3];
};

FramePlacement PlacementOf(const uint8_t* record)
{
    CByteReader fields(record, CKeyFrames::FRAME_HEADER_SIZE);
    FramePlacement placement;
    for (float& value : placement.scale)
    {
        fields.ReadFloatLE(value);
    }
    for (float& value : placement.translate)
    {
        fields.ReadFloatLE(value);
    }
    return placement;
}

// Room for every frame's values: reserved, not written, so pages are only touched as frames are
// decoded.
void Reserve(std::unique_ptr<CVector3, CKeyFrames::FreeMemory>& room, size_t count)
{
    room.reset(static_cast<CVector3*>(std::malloc(count * sizeof(CVector3))));
    if (room == nullptr)
    {
        throw std::bad_alloc();
    }
}

// One register's worth of floats, kept in memory.
struct alignas(16) Lanes4
{
    float lane[4];
};
}  // namespace

// The normals' working arrays, sized once for every frame.
struct CKeyFrames::Scratch
{
    bool useCountsReady = false;
    // How many faces use each vertex (0 keeps a zero normal).
    std::vector<int> useCounts;
    std::vector<CVector3> normalSums;
    // The vector path works in groups of four vertices and stores sixteen bytes per vector: its
    // arrays run to a whole group and one vector more. Unused vertices divide by 1.
    size_t groupedCount = 0;
    std::vector<float> divisors;
    std::vector<Lanes4> normalSums4;
    std::vector<CVector3> normals;
};

CKeyFrames::CKeyFrames() : m_scratch(new Scratch()) {}

CKeyFrames::CKeyFrames(std::unique_ptr<uint8_t[]> records, size_t recordSize, int frameCount,
                       int vertexCount, std::vector<int> corners, bool vectorMath)
    : m_records(std::move(records)), m_recordSize(recordSize), m_frameCount(frameCount),
      m_vertexCount(vertexCount), m_corners(std::move(corners)), m_vectorMath(vectorMath),
      m_state(static_cast<size_t>(frameCount), 0), m_boxMin(static_cast<size_t>(frameCount)),
      m_boxMax(static_cast<size_t>(frameCount)), m_scratch(new Scratch())
{
}

CKeyFrames::~CKeyFrames() = default;
CKeyFrames::CKeyFrames(CKeyFrames&& other) noexcept = default;
CKeyFrames& CKeyFrames::operator=(CKeyFrames&& other) noexcept = default;

const uint8_t* CKeyFrames::Record(int frame) const
{
    assert(frame >= 0 && frame < m_frameCount);
    return m_records.get() + static_cast<size_t>(frame) * m_recordSize;
}

const char* CKeyFrames::NameOf(int frame, size_t& length) const
{
    const char* name = reinterpret_cast<const char*>(Record(frame) + FRAME_NAME_OFFSET);
    length = strnlen(name, FRAME_NAME_SIZE);
    return name;
}

const CVector3* CKeyFrames::Vertices(int frame) const
{
    if (!(m_state[static_cast<size_t>(frame)] & HAS_POSITIONS))
    {
        Decode(frame);
    }
    return m_positions.get() + static_cast<size_t>(frame) * static_cast<size_t>(m_vertexCount);
}

const CVector3* CKeyFrames::Normals(int frame) const
{
    if (!(m_state[static_cast<size_t>(frame)] & HAS_NORMALS))
    {
        ComputeNormals(frame);
    }
    return m_normals.get() + static_cast<size_t>(frame) * static_cast<size_t>(m_vertexCount);
}

const CVector3& CKeyFrames::BoundsMin(int frame) const
{
    Vertices(frame);
    return m_boxMin[static_cast<size_t>(frame)];
}

const CVector3& CKeyFrames::BoundsMax(int frame) const
{
    Vertices(frame);
    return m_boxMax[static_cast<size_t>(frame)];
}

void CKeyFrames::PrepareRoom() const
{
    // Taken when the first frame is decoded, not at load: a reader's load then allocates little
    // more than the file's records, and an entity's load decodes its first frame anyway.
    const size_t n = static_cast<size_t>(m_vertexCount);
    const size_t total = static_cast<size_t>(m_frameCount) * n + 1;
    Reserve(m_positions, total);
    Reserve(m_normals, total);
    Scratch& s = *m_scratch;
    s.useCounts.assign(n, 0);
    s.normalSums.resize(n);
    s.groupedCount = (n + 3) / 4 * 4;
    s.divisors.assign(s.groupedCount, 1.0f);
    s.normalSums4.resize(s.groupedCount);
    s.normals.resize(s.groupedCount + 1);
}

void CKeyFrames::Decode(int frame) const
{
    if (m_positions == nullptr)
    {
        PrepareRoom();
    }
    const size_t index = static_cast<size_t>(frame);
    CVector3* out = m_positions.get() + index * static_cast<size_t>(m_vertexCount);
#if KYREL_KEYFRAMES_SSE2
    if (m_vectorMath)
    {
        DecodeVector(Record(frame), out, m_boxMin[index], m_boxMax[index]);
        m_state[index] |= HAS_POSITIONS;
        return;
    }
#endif
    DecodeScalar(Record(frame), out, m_boxMin[index], m_boxMax[index]);
    m_state[index] |= HAS_POSITIONS;
}

void CKeyFrames::DecodeScalar(const uint8_t* record, CVector3* out, CVector3& boxMin,
                              CVector3& boxMax) const
{
    const FramePlacement f = PlacementOf(record);
    const uint8_t* packed = record + FRAME_HEADER_SIZE;
    const size_t n = static_cast<size_t>(m_vertexCount);
    for (size_t i = 0; i < n; ++i, packed += PACKED_VERTEX_SIZE)
    {
        // The file's z axis is the engine's up axis and its y axis the engine's -z.
        out[i] = CVector3(packed[0] * f.scale[0] + f.translate[0],
                          packed[2] * f.scale[2] + f.translate[2],
                          -(packed[1] * f.scale[1] + f.translate[1]));
    }
    ComputeBox(out, n, boxMin, boxMax);
}

void CKeyFrames::ComputeNormals(int frame) const
{
    const CVector3* positions = Vertices(frame);
    Scratch& s = *m_scratch;
    if (!s.useCountsReady)
    {
        for (size_t f = 0; f + 3 <= m_corners.size(); f += 3)
        {
            ForEachDistinctCorner(&m_corners[f],
                                  [&s](int v) { ++s.useCounts[static_cast<size_t>(v)]; });
        }
        for (size_t i = 0; i < s.useCounts.size(); ++i)
        {
            if (s.useCounts[i] > 0)
            {
                s.divisors[i] = static_cast<float>(s.useCounts[i]);
            }
        }
        s.useCountsReady = true;
    }
    const size_t index = static_cast<size_t>(frame);
    CVector3* out = m_normals.get() + index * static_cast<size_t>(m_vertexCount);
#if KYREL_KEYFRAMES_SSE2
    if (m_vectorMath)
    {
        NormalsVector(positions, out);
        m_state[index] |= HAS_NORMALS;
        return;
    }
#endif
    NormalsScalar(positions, out);
    m_state[index] |= HAS_NORMALS;
}

void CKeyFrames::NormalsScalar(const CVector3* p, CVector3* out) const
{
    Scratch& s = *m_scratch;
    s.normalSums.assign(s.normalSums.size(), CVector3());
    for (size_t f = 0; f + 3 <= m_corners.size(); f += 3)
    {
        const int* v = &m_corners[f];
        const CVector3 normal = Cross(p[v[0]] - p[v[2]], p[v[2]] - p[v[1]]);
        ForEachDistinctCorner(v, [&](int corner)
                              { s.normalSums[corner] = s.normalSums[corner] + normal; });
    }
    for (size_t i = 0; i < s.normalSums.size(); ++i)
    {
        CVector3 sum = s.normalSums[i];
        if (s.useCounts[i] > 0)
        {
            const float divisor = static_cast<float>(s.useCounts[i]);
            sum = CVector3(sum.x / divisor, sum.y / divisor, sum.z / divisor);
            sum.Normalize();
        }
        out[i] = sum;
    }
}

#if KYREL_KEYFRAMES_SSE2
// Every step below does, lane by lane, the plain path's operations in the plain path's order, and
// IEEE division and square root round the same in either unit, so the bits agree. The minimum and
// maximum intrinsics pick their second operand when either is NaN, which is what the plain
// comparisons do with the operands in this order.
namespace
{
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
}  // namespace

void CKeyFrames::DecodeVector(const uint8_t* record, CVector3* out, CVector3& boxMin,
                              CVector3& boxMax) const
{
    const FramePlacement f = PlacementOf(record);
    const __m128 scale = _mm_setr_ps(f.scale[0], f.scale[1], f.scale[2], 0.0f);
    const __m128 translate = _mm_setr_ps(f.translate[0], f.translate[1], f.translate[2], 0.0f);
    const __m128 negateZ = _mm_setr_ps(0.0f, 0.0f, -0.0f, 0.0f);
    const __m128i zero = _mm_setzero_si128();
    __m128 low = _mm_set1_ps(MODEL_BOX_START);
    __m128 high = _mm_set1_ps(-MODEL_BOX_START);
    const uint8_t* packed = record + FRAME_HEADER_SIZE;
    const size_t n = static_cast<size_t>(m_vertexCount);
    __m128 p = _mm_setzero_ps();
    for (size_t i = 0; i < n; ++i, packed += PACKED_VERTEX_SIZE)
    {
        // Sixteen bytes go out a vertex; the fourth lane is rewritten by the next vertex's store.
        if (i > 0)
        {
            _mm_storeu_ps(&out[i - 1].x, p);
        }
        int32_t bytes;
        std::memcpy(&bytes, packed, sizeof bytes);
        const __m128i wide =
            _mm_unpacklo_epi16(_mm_unpacklo_epi8(_mm_cvtsi32_si128(bytes), zero), zero);
        const __m128 fileAxes = _mm_add_ps(_mm_mul_ps(_mm_cvtepi32_ps(wide), scale), translate);
        // File (x, y, z) to engine (x, z, -y).
        p = _mm_xor_ps(_mm_shuffle_ps(fileAxes, fileAxes, _MM_SHUFFLE(3, 1, 2, 0)), negateZ);
        low = _mm_min_ps(p, low);
        high = _mm_max_ps(p, high);
    }
    // The last vertex may end the frame's room: it is written as three floats.
    out[n - 1] = ToVector(p);
    boxMin = ToVector(low);
    boxMax = ToVector(high);
}

void CKeyFrames::NormalsVector(const CVector3* positionArray, CVector3* out) const
{
    // The fourth lane of each position is the next vertex's x: it only reaches fourth lanes.
    const float* positions = &positionArray[0].x;
    const __m128 zero = _mm_setzero_ps();
    Scratch& s = *m_scratch;
    Lanes4* sums = s.normalSums4.data();
    std::memset(static_cast<void*>(sums), 0, s.normalSums4.size() * sizeof(Lanes4));
    for (size_t f = 0; f + 3 <= m_corners.size(); f += 3)
    {
        const int* v = &m_corners[f];
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
    float* normals = &s.normals[0].x;
    for (size_t i = 0; i < s.groupedCount; i += 4)
    {
        __m128 x = _mm_load_ps(sums[i].lane);
        __m128 y = _mm_load_ps(sums[i + 1].lane);
        __m128 z = _mm_load_ps(sums[i + 2].lane);
        __m128 w = _mm_load_ps(sums[i + 3].lane);
        _MM_TRANSPOSE4_PS(x, y, z, w);
        const __m128 divisor = _mm_loadu_ps(&s.divisors[i]);
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
    std::memcpy(static_cast<void*>(out), s.normals.data(),
                static_cast<size_t>(m_vertexCount) * sizeof(CVector3));
}
#endif

void CKeyFrames::BoundingSphere(CVector3& centre, float& radius) const
{
    if (!m_sphereMeasured)
    {
        MeasureSphere();
        m_sphereMeasured = true;
    }
    centre = m_sphereCentre;
    radius = m_sphereRadius;
}

void CKeyFrames::MeasureSphere() const
{
    const size_t n = static_cast<size_t>(m_vertexCount);
    // The centre sums hundreds of thousands of positions: a double keeps it from drifting.
    double sum[3] = {0.0, 0.0, 0.0};
    for (int frame = 0; frame < m_frameCount; ++frame)
    {
        const CVector3* p = Vertices(frame);
        for (size_t i = 0; i < n; ++i)
        {
            sum[0] += p[i].x;
            sum[1] += p[i].y;
            sum[2] += p[i].z;
        }
    }
    const double count = static_cast<double>(n) * m_frameCount;
    const CVector3 centre(static_cast<float>(sum[0] / count), static_cast<float>(sum[1] / count),
                          static_cast<float>(sum[2] / count));
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
    for (int frame = 0; frame < m_frameCount; ++frame)
    {
        const CVector3* p = Vertices(frame);
        size_t i = 0;
#if KYREL_KEYFRAMES_SSE2
        if (m_vectorMath)
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
                ToLanes(&p[i].x, x, y, z);
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
        for (; i < n; ++i)
        {
            widen(p[i]);
        }
    }
    m_sphereCentre = centre;
    m_sphereRadius = farthestSquared >= 0.0 ? static_cast<float>(std::sqrt(farthestSquared))
                                            : SPHERE_RADIUS_START;
}
