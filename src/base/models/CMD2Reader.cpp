// MD2 reading: the header is checked against the file's real size before anything is allocated,
// then texture coordinates, triangles and frames are read and decoded into the model, which is
// finished with its animation list, normals, boxes and sphere. A file is rejected whole: every
// failure prints one "Invalid file format (...)" line and leaves the caller's model as it was.
#include "models/CMD2Reader.h"

#include "io/CByteReader.h"

#include <cmath>
#include <cstdio>
#include <cstring>
#include <utility>

namespace
{
const char* const MD2_MISSING_MESSAGE = "Unable to find the file: %s!\n";
const char* const MD2_INVALID_MESSAGE = "Invalid file format (%s): %s!\n";

const char* const REASON_SHORT_HEADER = "Header too short";
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
        std::fprintf(stderr, MD2_MISSING_MESSAGE, path ? path : "");
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
        std::fprintf(stderr, MD2_INVALID_MESSAGE, failure, name);
        return false;
    }

    BuildAnimations(built, frameNames);
    ComputeNormals(built);
    ComputeBoxesAndSphere(built);
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

const char* CMD2Reader::ReadFrames(CByteReader& reader, CModelData& model,
                                   std::vector<std::string>& names) const
{
    if (!reader.Seek(static_cast<size_t>(m_header.offsetFrames)))
    {
        return REASON_PAST_END;
    }
    const size_t vertexCount = static_cast<size_t>(m_header.numVertices);
    // One frame at a time, through a buffer the header has already bounded.
    std::vector<uint8_t> frameBytes(static_cast<size_t>(m_header.frameSize));
    const uint8_t* const buffer = frameBytes.data();
    names.clear();
    names.reserve(model.objects.size());
    for (ModelObject& frame : model.objects)
    {
        if (!reader.ReadBytes(frameBytes.data(), frameBytes.size()))
        {
            return REASON_PAST_END;
        }
        CByteReader record(buffer, frameBytes.size());
        float scale[3];
        float translate[3];
        for (float& value : scale)
        {
            record.ReadFloatLE(value);
        }
        for (float& value : translate)
        {
            record.ReadFloatLE(value);
        }
        const char* name = reinterpret_cast<const char*>(buffer + 2 * sizeof scale);
        names.emplace_back(name, strnlen(name, MD2_FRAME_NAME_SIZE));

        frame.vertexCount = m_header.numVertices;
        frame.texCoordCount = m_header.numTexCoords;
        frame.faceCount = m_header.numTriangles;
        frame.vertices.resize(vertexCount);
        const uint8_t* packed = buffer + MD2_FRAME_HEADER_SIZE;
        for (size_t i = 0; i < vertexCount; ++i, packed += MD2_VERTEX_SIZE)
        {
            // The file's z axis is the engine's up axis and its y axis the engine's -z.
            CVector3& vertex = frame.vertices[i];
            vertex.x = packed[0] * scale[0] + translate[0];
            vertex.y = packed[2] * scale[2] + translate[2];
            vertex.z = -(packed[1] * scale[1] + translate[1]);
        }
    }
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

void CMD2Reader::ComputeNormals(CModelData& model)
{
    // Every frame shares the first frame's faces, so the faces around each vertex are listed once
    // (in face order, a face naming a vertex twice counting once) and each frame's vertex normals
    // are gathered from its face normals: the same sums, in the same order, as adding every face
    // normal into its corners, without writing each sum back to memory six times.
    const std::vector<ModelFace>& faces = model.objects[0].faces;
    const size_t vertexCount = model.objects[0].vertices.size();
    std::vector<int> firstUser(vertexCount + 1, 0);
    const auto forEachUse = [&faces](auto&& use)
    {
        for (size_t f = 0; f < faces.size(); ++f)
        {
            const int* v = faces[f].vertIndex;
            use(v[0], f);
            if (v[1] != v[0])
            {
                use(v[1], f);
            }
            if (v[2] != v[0] && v[2] != v[1])
            {
                use(v[2], f);
            }
        }
    };
    forEachUse([&firstUser](int v, size_t) { ++firstUser[static_cast<size_t>(v) + 1]; });
    for (size_t i = 0; i < vertexCount; ++i)
    {
        firstUser[i + 1] += firstUser[i];
    }
    std::vector<int> users(static_cast<size_t>(firstUser[vertexCount]));
    std::vector<int> cursor(firstUser.begin(), firstUser.end() - 1);
    forEachUse([&](int v, size_t f)
               { users[static_cast<size_t>(cursor[v]++)] = static_cast<int>(f); });

    std::vector<CVector3> faceNormals(faces.size());
    for (ModelObject& frame : model.objects)
    {
        const std::vector<CVector3>& p = frame.vertices;
        for (size_t f = 0; f < faces.size(); ++f)
        {
            const int* v = faces[f].vertIndex;
            faceNormals[f] = Cross(p[v[0]] - p[v[2]], p[v[2]] - p[v[1]]);
        }
        frame.normals.resize(vertexCount);
        for (size_t i = 0; i < vertexCount; ++i)
        {
            // A vertex no face uses keeps a zero normal.
            CVector3 sum;
            for (int k = firstUser[i]; k < firstUser[i + 1]; ++k)
            {
                sum = sum + faceNormals[static_cast<size_t>(users[static_cast<size_t>(k)])];
            }
            const int count = firstUser[i + 1] - firstUser[i];
            if (count > 0)
            {
                const float divisor = static_cast<float>(count);
                sum = CVector3(sum.x / divisor, sum.y / divisor, sum.z / divisor);
                sum.Normalize();
            }
            frame.normals[i] = sum;
        }
    }
    model.totalVertexCount = 3 * static_cast<int>(faces.size());
}

void CMD2Reader::ComputeBoxesAndSphere(CModelData& model)
{
    // The centre sums hundreds of thousands of positions: a double keeps it from drifting.
    double sumX = 0.0;
    double sumY = 0.0;
    double sumZ = 0.0;
    size_t pointCount = 0;
    for (ModelObject& frame : model.objects)
    {
        ComputeBox(frame.vertices, frame.boundsMin, frame.boundsMax);
        for (const CVector3& p : frame.vertices)
        {
            sumX += p.x;
            sumY += p.y;
            sumZ += p.z;
        }
        pointCount += frame.vertices.size();
    }
    const double count = static_cast<double>(pointCount);
    const CVector3 centre(static_cast<float>(sumX / count), static_cast<float>(sumY / count),
                          static_cast<float>(sumZ / count));
    // The square root grows with its argument, so the farthest point is found by the squared
    // distances and only its distance is taken.
    float farthestSquared = -1.0f;
    for (const ModelObject& frame : model.objects)
    {
        for (const CVector3& p : frame.vertices)
        {
            const CVector3 d = p - centre;
            const float squared = d.x * d.x + d.y * d.y + d.z * d.z;
            if (squared > farthestSquared)
            {
                farthestSquared = squared;
            }
        }
    }
    model.sphereCenter = centre;
    model.sphereRadius = farthestSquared >= 0.0f ? std::sqrt(farthestSquared) : SPHERE_RADIUS_START;
}
