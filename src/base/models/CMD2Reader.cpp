// MD2 reading: the header is checked against the file's real size before anything is allocated,
// then texture coordinates and triangles are read into the model and the frame records kept packed
// in its key frames, which decode a frame (positions, normals, box) when it is first used. A file is rejected whole: every
// failure prints one "Invalid file format (...)" line and leaves the caller's model as it was.
#include "models/CMD2Reader.h"

#include "io/CByteReader.h"
#include "io/Report.h"

#include <cstdio>
#include <cstring>
#include <memory>
#include <utility>

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
    const float width = static_cast<float>(m_header.skinWidth);
    const float height = static_cast<float>(m_header.skinHeight);
    firstFrame.texCoords.resize(count);
    const uint8_t* record = raw.data();
    for (ModelTexCoord& coord : firstFrame.texCoords)
    {
        const int16_t s = static_cast<int16_t>(CByteReader::Le16(record));
        const int16_t t = static_cast<int16_t>(CByteReader::Le16(record + 2));
        record += MD2_TEXCOORD_SIZE;
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
    firstFrame.faces.resize(static_cast<size_t>(triangleCount));
    const uint8_t* record = raw.data();
    for (ModelFace& face : firstFrame.faces)
    {
        // Three vertex indices, then three texture-coordinate indices, each signed 16-bit.
        for (int k = 0; k < 3; ++k)
        {
            face.vertIndex[k] = static_cast<int16_t>(CByteReader::Le16(record + 2 * k));
            face.coordIndex[k] = static_cast<int16_t>(CByteReader::Le16(record + 6 + 2 * k));
        }
        record += MD2_TRIANGLE_SIZE;
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
    // The records stay packed as the file has them (its bytes read in one call, or copied from
    // memory once); frames are decoded when first used. Not zero-filled: every byte is read over.
    const size_t frameSize = static_cast<size_t>(m_header.frameSize);
    const size_t sectionSize = frameSize * static_cast<size_t>(m_header.numFrames);
    std::unique_ptr<uint8_t[]> records(new uint8_t[sectionSize]);
    if (!reader.Seek(static_cast<size_t>(m_header.offsetFrames)) ||
        !reader.ReadBytes(records.get(), sectionSize))
    {
        return REASON_PAST_END;
    }
    const std::vector<ModelFace>& faces = model.objects[0].faces;
    std::vector<int> corners(faces.size() * 3);
    for (size_t f = 0; f < faces.size(); ++f)
    {
        std::memcpy(&corners[3 * f], faces[f].vertIndex, sizeof faces[f].vertIndex);
    }
    model.keyFrames = CKeyFrames(std::move(records), frameSize, m_header.numFrames,
                                 m_header.numVertices, std::move(corners), m_vectorMath);
    names.clear();
    names.reserve(model.objects.size());
    for (int i = 0; i < m_header.numFrames; ++i)
    {
        size_t length = 0;
        const char* name = model.keyFrames.NameOf(i, length);
        names.emplace_back(name, length);
        ModelObject& frame = model.objects[static_cast<size_t>(i)];
        frame.vertexCount = m_header.numVertices;
        frame.texCoordCount = m_header.numTexCoords;
        frame.faceCount = m_header.numTriangles;
    }
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
