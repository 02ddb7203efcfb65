// 3DS reading: the chunk tree is walked with every chunk's end checked against its parent's, the
// chunks the engine uses are decoded into objects and materials, everything else is stepped over
// by seeking, and the finished model gets smooth normals, boxes and its bounding sphere. A file is
// taken whole or not at all: any failure prints one message and leaves the caller's model as it
// was.
#include "models/C3DSReader.h"

#include "io/CByteReader.h"
#include "io/Report.h"
#include "models/CObjReader.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <utility>

namespace
{
const char* const MISSING_FILE_MESSAGE = "Unable to find the file: %s!";
const char* const NO_MAIN_CHUNK_MESSAGE = "Unable to load PRIMARY chuck from file: %s!";
const char* const VERSION_WARNING = "This 3DS file is over version 3 so it may load incorrectly";
const char* const INVALID_FILE_MESSAGE = "Invalid 3DS file (%s): %s!";
const char* const DROPPED_FACES_MESSAGE =
    "3DS file %s: %d faces name vertices outside their object and were skipped";

const char* const REASON_HEADER = "Chunk header past its parent";
const char* const REASON_LENGTH = "Chunk length outside its parent";
const char* const REASON_COUNT = "Count past its chunk";
const char* const REASON_DEPTH = "Chunks nested too deep";
const char* const REASON_SHORT_READ = "File shorter than its chunks";

// Bytes of one record in the vertex, face and texture-coordinate lists.
const size_t VERTEX_RECORD_SIZE = 12;   // x, y, z floats
const size_t FACE_RECORD_SIZE = 8;      // three vertex indices and a flags word
const size_t TEXCOORD_RECORD_SIZE = 8;  // u, v floats
const size_t COLOR_24_SIZE = 3;
const size_t COLOR_FLOAT_SIZE = 12;

// The radius search starts below any distance.
const float SPHERE_RADIUS_START = -1000000000.0f;
// A material without a colour chunk is drawn white, as an object without a material is.
const unsigned char DEFAULT_COLOR_BYTE = 255;

// Loader messages begin with a line break and end the line at once.
void PrintLine(const char* format, const char* text)
{
    Report(ReportStream::Out, "\n");
    Report(ReportStream::Out, format, text);
    Report(ReportStream::Out, "\n");
    std::fflush(stdout);
}

float LeFloat(const uint8_t* bytes)
{
    const uint32_t raw = CByteReader::Le32(bytes);
    float value;
    std::memcpy(&value, &raw, sizeof value);
    return value;
}

void ComputeBoundingSphere(CModelData& model)
{
    // Sums of many positions drift in single precision.
    double sumX = 0.0;
    double sumY = 0.0;
    double sumZ = 0.0;
    size_t pointCount = 0;
    for (const ModelObject& object : model.objects)
    {
        for (const CVector3& p : object.vertices)
        {
            sumX += p.x;
            sumY += p.y;
            sumZ += p.z;
        }
        pointCount += object.vertices.size();
    }
    // A model without vertices has a point sphere at the origin rather than a centre of 0 / 0.
    if (pointCount == 0)
    {
        model.sphereCenter = CVector3();
        model.sphereRadius = 0.0f;
        return;
    }
    const double count = static_cast<double>(pointCount);
    const CVector3 centre(static_cast<float>(sumX / count), static_cast<float>(sumY / count),
                          static_cast<float>(sumZ / count));
    // Squares of coordinates beyond about 1.8e19 overflow a float: distances are measured in
    // double, and only the radius found is rounded back.
    double farthestSquared = -1.0;
    for (const ModelObject& object : model.objects)
    {
        for (const CVector3& p : object.vertices)
        {
            const double dx = static_cast<double>(p.x) - centre.x;
            const double dy = static_cast<double>(p.y) - centre.y;
            const double dz = static_cast<double>(p.z) - centre.z;
            farthestSquared = std::max(farthestSquared, dx * dx + dy * dy + dz * dz);
        }
    }
    model.sphereCenter = centre;
    model.sphereRadius = farthestSquared >= 0.0 ? static_cast<float>(std::sqrt(farthestSquared))
                                                : SPHERE_RADIUS_START;
}
}  // namespace

bool C3DSReader::Load(CModelData* model, const char* path, int swapAxes)
{
    CByteReader reader;
    if (model == nullptr || !reader.OpenFile(path))
    {
        PrintLine(MISSING_FILE_MESSAGE, path ? path : "");
        return false;
    }
    m_swapAxes = swapAxes;
    return Read(*model, reader, path);
}

bool C3DSReader::LoadFromMemory(CModelData* model, const void* data, size_t size, const char* name,
                                int swapAxes)
{
    if (model == nullptr)
    {
        return false;
    }
    CByteReader reader(data, size);
    m_swapAxes = swapAxes;
    return Read(*model, reader, name ? name : "");
}

bool C3DSReader::Read(CModelData& model, CByteReader& reader, const char* name)
{
    m_reader = &reader;
    m_version = 0;
    m_droppedFaces = 0;
    m_failure = nullptr;

    uint8_t header[CHUNK_HEADER_SIZE];
    if (!reader.ReadBytes(header, sizeof header) || CByteReader::Le16(header) != CHUNK_MAIN)
    {
        PrintLine(NO_MAIN_CHUNK_MESSAGE, name);
        m_reader = nullptr;
        return false;
    }
    // The main chunk's parent is the file.
    const uint32_t length = CByteReader::Le32(header + 2);
    CModelData built;
    if (length < CHUNK_HEADER_SIZE || length > reader.Size())
    {
        Fail(REASON_LENGTH);
    }
    else
    {
        ReadMainChildren(built, length, 1);
    }
    m_reader = nullptr;
    if (m_failure != nullptr)
    {
        Report(ReportStream::Out, "\n");
        Report(ReportStream::Out, INVALID_FILE_MESSAGE, m_failure, name);
        Report(ReportStream::Out, "\n");
        std::fflush(stdout);
        return false;
    }
    if (m_droppedFaces > 0)
    {
        Report(ReportStream::Out, "\n");
        Report(ReportStream::Out, DROPPED_FACES_MESSAGE, name, m_droppedFaces);
        Report(ReportStream::Out, "\n");
        std::fflush(stdout);
    }

    CObjReader::ComputeNormals(built);
    CObjReader::ComputeBoxes(built);
    ComputeBoundingSphere(built);
    model = std::move(built);
    return true;
}

bool C3DSReader::Fail(const char* reason)
{
    if (m_failure == nullptr)
    {
        m_failure = reason;
    }
    return false;
}

// Chunk bookkeeping works with offsets: a chunk is finished when the reader stands at its end,
// which is the running bytes-read count reaching the chunk's length.
bool C3DSReader::ReadChunkHeader(size_t parentEnd, Chunk& chunk)
{
    const size_t position = m_reader->Tell();
    if (position > parentEnd || parentEnd - position < CHUNK_HEADER_SIZE)
    {
        return Fail(REASON_HEADER);
    }
    uint8_t header[CHUNK_HEADER_SIZE];
    if (!m_reader->ReadBytes(header, sizeof header))
    {
        return Fail(REASON_SHORT_READ);
    }
    const uint32_t length = CByteReader::Le32(header + 2);
    if (length < CHUNK_HEADER_SIZE || length > parentEnd - position)
    {
        return Fail(REASON_LENGTH);
    }
    chunk.id = CByteReader::Le16(header);
    chunk.start = position;
    chunk.end = position + length;
    return true;
}

bool C3DSReader::FinishChunk(const Chunk& chunk)
{
    // Seeking, not reading: skipped chunks can be of any size.
    return m_reader->Seek(chunk.end) || Fail(REASON_SHORT_READ);
}

bool C3DSReader::ReadRecordList(const Chunk& chunk, size_t recordSize, uint16_t& count)
{
    if (chunk.end - m_reader->Tell() < sizeof count || !m_reader->ReadU16LE(count))
    {
        return Fail(REASON_COUNT);
    }
    const size_t bytes = count * recordSize;
    if (bytes > chunk.end - m_reader->Tell())
    {
        return Fail(REASON_COUNT);
    }
    m_scratch.resize(bytes);
    return m_reader->ReadBytes(m_scratch.data(), bytes) || Fail(REASON_SHORT_READ);
}

// Reads the children of one chunk up to end, handing each header to visit and moving past each
// child however much of it visit read; a child whose header does not fit ends the walk.
template <class Visit> bool C3DSReader::WalkChildren(size_t end, int depth, Visit visit)
{
    if (depth > MAX_CHUNK_DEPTH)
    {
        return Fail(REASON_DEPTH);
    }
    while (m_reader->Tell() < end)
    {
        Chunk chunk;
        if (!ReadChunkHeader(end, chunk) || !visit(chunk) || !FinishChunk(chunk))
        {
            return false;
        }
    }
    return true;
}

bool C3DSReader::ReadMainChildren(CModelData& model, size_t end, int depth)
{
    return WalkChildren(end, depth,
                        [&](const Chunk& chunk)
                        {
                            bool ok = true;
                            switch (chunk.id)
                            {
                            case CHUNK_VERSION:
                                ok = ReadVersion(chunk);
                                break;
                            case CHUNK_EDITOR:
                                // Its children are read as the main chunk's: the mesh version
                                // usually comes first, but exporters may put an object or a
                                // material there.
                                ok = ReadMainChildren(model, chunk.end, depth + 1);
                                break;
                            case CHUNK_OBJECT:
                                ok = ReadObject(model, chunk, depth + 1);
                                break;
                            case CHUNK_MATERIAL:
                                model.materials.emplace_back();
                                model.materialCount += 1;
                                std::memset(model.materials.back().color, DEFAULT_COLOR_BYTE,
                                            sizeof model.materials.back().color);
                                ok = ReadMaterialChildren(model.materials.back(), chunk.end,
                                                          depth + 1);
                                break;
                            default:
                                break;
                            }
                            return ok;
                        });
}

bool C3DSReader::ReadVersion(const Chunk& chunk)
{
    // A version field cut short reads as if its missing bytes were 0.
    uint8_t bytes[4] = {0, 0, 0, 0};
    const size_t available = std::min(sizeof bytes, chunk.end - m_reader->Tell());
    if (!m_reader->ReadBytes(bytes, available))
    {
        return Fail(REASON_SHORT_READ);
    }
    m_version = CByteReader::Le32(bytes);
    if (m_version > NEWEST_KNOWN_VERSION)
    {
        Report(ReportStream::Out, "\n%s\n", VERSION_WARNING);
        std::fflush(stdout);
    }
    return true;
}

bool C3DSReader::ReadObject(CModelData& model, const Chunk& chunk, int depth)
{
    model.objects.emplace_back();
    model.objectCount += 1;
    ModelObject& object = model.objects.back();
    // Until a face-material chunk says otherwise, the object uses material 0.
    object.materialIndex = 0;

    // The name runs to its zero; what does not fit the field is read and dropped.
    size_t length = 0;
    uint8_t byte = 1;
    while (m_reader->Tell() < chunk.end)
    {
        if (!m_reader->ReadU8(byte))
        {
            return Fail(REASON_SHORT_READ);
        }
        if (byte == 0)
        {
            break;
        }
        if (length + 1 < MODEL_NAME_LENGTH)
        {
            object.name[length++] = static_cast<char>(byte);
        }
    }
    object.name[length] = '\0';

    const bool ok = ReadObjectChildren(model, object, chunk.end, depth);
    FinishObject(object);
    return ok;
}

bool C3DSReader::ReadObjectChildren(CModelData& model, ModelObject& object, size_t end, int depth)
{
    return WalkChildren(end, depth,
                        [&](const Chunk& chunk)
                        {
                            bool ok = true;
                            switch (chunk.id)
                            {
                            case CHUNK_TRIANGLE_MESH:
                                ok = ReadObjectChildren(model, object, chunk.end, depth + 1);
                                break;
                            case CHUNK_VERTICES:
                                ok = ReadVertices(object, chunk);
                                break;
                            case CHUNK_FACES:
                                ok = ReadFaces(model, object, chunk, depth + 1);
                                break;
                            case CHUNK_FACE_MATERIAL:
                                ok = ReadFaceMaterial(model, object, chunk);
                                break;
                            case CHUNK_TEXCOORDS:
                                ok = ReadTexCoords(object, chunk);
                                break;
                            default:
                                break;
                            }
                            return ok;
                        });
}

bool C3DSReader::ReadVertices(ModelObject& object, const Chunk& chunk)
{
    uint16_t count = 0;
    if (!ReadRecordList(chunk, VERTEX_RECORD_SIZE, count))
    {
        return false;
    }
    object.vertexCount = count;
    object.vertices.resize(count);
    const uint8_t* record = m_scratch.data();
    const bool swap = m_swapAxes == 1;
    for (CVector3& vertex : object.vertices)
    {
        const float x = LeFloat(record);
        const float y = LeFloat(record + 4);
        const float z = LeFloat(record + 8);
        record += VERTEX_RECORD_SIZE;
        // The file's z axis is up; swapped, it becomes the engine's y and the file's y its -z.
        vertex = swap ? CVector3(x, z, -y) : CVector3(x, y, z);
    }
    return true;
}

bool C3DSReader::ReadFaces(CModelData& model, ModelObject& object, const Chunk& chunk, int depth)
{
    uint16_t count = 0;
    if (!ReadRecordList(chunk, FACE_RECORD_SIZE, count))
    {
        return false;
    }
    object.faces.resize(count);
    const uint8_t* record = m_scratch.data();
    for (ModelFace& face : object.faces)
    {
        face = ModelFace();
        face.vertIndex[0] = CByteReader::Le16(record);
        face.vertIndex[1] = CByteReader::Le16(record + 2);
        face.vertIndex[2] = CByteReader::Le16(record + 4);
        record += FACE_RECORD_SIZE;  // the flags word is not used
    }
    object.faceCount = count;
    // The chunks stored after the faces (face materials, smoothing groups) belong to the mesh.
    return ReadObjectChildren(model, object, chunk.end, depth);
}

bool C3DSReader::ReadFaceMaterial(const CModelData& model, ModelObject& object, const Chunk& chunk)
{
    char name[MODEL_NAME_LENGTH];
    if (!ReadNameField(chunk, name))
    {
        return false;
    }
    object.materialIndex = -1;
    object.hasTexture = false;
    for (size_t i = 0; i < model.materials.size(); ++i)
    {
        // Case matters: "wood" is not "Wood".
        if (std::strcmp(model.materials[i].name, name) == 0)
        {
            object.materialIndex = static_cast<int>(i);
            object.hasTexture = model.materials[i].textureFile[0] != '\0';
            break;
        }
    }
    return true;
}

bool C3DSReader::ReadTexCoords(ModelObject& object, const Chunk& chunk)
{
    uint16_t count = 0;
    if (!ReadRecordList(chunk, TEXCOORD_RECORD_SIZE, count))
    {
        return false;
    }
    object.texCoordCount = count;
    object.texCoords.resize(count);
    const uint8_t* record = m_scratch.data();
    for (ModelTexCoord& coord : object.texCoords)
    {
        coord.u = LeFloat(record);
        coord.v = LeFloat(record + 4);
        record += TEXCOORD_RECORD_SIZE;
    }
    return true;
}

bool C3DSReader::ReadMaterialChildren(ModelMaterial& material, size_t end, int depth)
{
    return WalkChildren(end, depth,
                        [&](const Chunk& chunk)
                        {
                            bool ok = true;
                            switch (chunk.id)
                            {
                            case CHUNK_MATERIAL_NAME:
                                ok = ReadNameField(chunk, material.name);
                                break;
                            case CHUNK_DIFFUSE:
                                ok = ReadColor(material, chunk);
                                break;
                            case CHUNK_TEXTURE_MAP:
                                ok = ReadMaterialChildren(material, chunk.end, depth + 1);
                                break;
                            case CHUNK_TEXTURE_FILE:
                                ok = ReadNameField(chunk, material.textureFile);
                                break;
                            default:
                                break;
                            }
                            return ok;
                        });
}

// The first colour chunk inside the diffuse chunk gives the colour: bytes as they stand, floats
// scaled to bytes; any other kind, or one too short for its form, leaves the colour as it was.
bool C3DSReader::ReadColor(ModelMaterial& material, const Chunk& diffuse)
{
    if (m_reader->Tell() >= diffuse.end)
    {
        return true;
    }
    Chunk color;
    if (!ReadChunkHeader(diffuse.end, color))
    {
        return false;
    }
    const size_t available = color.end - m_reader->Tell();
    const bool isBytes = color.id == CHUNK_COLOR_24 || color.id == CHUNK_LINEAR_COLOR_24;
    const bool isFloats = color.id == CHUNK_COLOR_FLOAT || color.id == CHUNK_LINEAR_COLOR_FLOAT;
    uint8_t bytes[COLOR_FLOAT_SIZE];
    if (isBytes && available >= COLOR_24_SIZE)
    {
        if (!m_reader->ReadBytes(bytes, COLOR_24_SIZE))
        {
            return Fail(REASON_SHORT_READ);
        }
        std::memcpy(material.color, bytes, COLOR_24_SIZE);
    }
    else if (isFloats && available >= COLOR_FLOAT_SIZE)
    {
        if (!m_reader->ReadBytes(bytes, COLOR_FLOAT_SIZE))
        {
            return Fail(REASON_SHORT_READ);
        }
        for (int i = 0; i < 3; ++i)
        {
            material.color[i] = ColorComponentByte(LeFloat(bytes + 4 * i));
        }
    }
    return FinishChunk(color);
}

bool C3DSReader::ReadNameField(const Chunk& chunk, char* field)
{
    const size_t available = chunk.end - m_reader->Tell();
    const size_t length = std::min(available, MODEL_NAME_LENGTH - 1);
    char bytes[MODEL_NAME_LENGTH];
    if (!m_reader->ReadBytes(bytes, length))
    {
        return Fail(REASON_SHORT_READ);
    }
    CopyModelName(field, MODEL_NAME_LENGTH, bytes, length);
    return true;
}

void C3DSReader::FinishObject(ModelObject& object)
{
    const int vertexCount = static_cast<int>(object.vertices.size());
    size_t kept = 0;
    for (const ModelFace& face : object.faces)
    {
        if (face.vertIndex[0] < vertexCount && face.vertIndex[1] < vertexCount &&
            face.vertIndex[2] < vertexCount)
        {
            ModelFace& target = object.faces[kept++];
            target = face;
            // One texture-coordinate pair per vertex.
            std::copy(face.vertIndex, face.vertIndex + 3, target.coordIndex);
        }
    }
    m_droppedFaces += static_cast<int>(object.faces.size() - kept);
    object.faces.resize(kept);
    object.faceCount = static_cast<int>(kept);
    object.bufferVertexCount = 3 * object.faceCount;
    // Coordinates are looked up by vertex index: a short list is padded so every vertex has one.
    if (!object.texCoords.empty() && object.texCoords.size() < object.vertices.size())
    {
        object.texCoords.resize(object.vertices.size());
        object.texCoordCount = static_cast<int>(object.texCoords.size());
    }
}

void C3DSReader::ObjectColor(const CModelData& model, const ModelObject& object, float rgb[3])
{
    const int index = object.materialIndex;
    if (index < 0 || static_cast<size_t>(index) >= model.materials.size())
    {
        rgb[0] = rgb[1] = rgb[2] = 1.0f;
        return;
    }
    const unsigned char* color = model.materials[static_cast<size_t>(index)].color;
    for (int i = 0; i < 3; ++i)
    {
        rgb[i] = color[i] / 255.0f;
    }
}

void C3DSReader::BuildColorArray(const CModelData& model, const ModelObject& object,
                                 std::vector<float>& colors)
{
    float rgb[3];
    ObjectColor(model, object, rgb);
    const size_t corners = 3 * object.faces.size();
    colors.resize(3 * corners);
    for (size_t corner = 0; corner < corners; ++corner)
    {
        std::copy(rgb, rgb + 3, colors.begin() + static_cast<std::ptrdiff_t>(3 * corner));
    }
}
