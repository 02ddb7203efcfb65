// OBJ reading: the whole file is taken into memory and read line by line with the engine's
// rules (a face line becomes triangles, a `v` line after faces starts a new object, `mtllib`
// reads a material library found beside the file), then every object gets its faces' materials,
// smooth vertex normals and a box. The vertex buffers are the entity's.
//
// [SECTION] File bytes and line helpers
// [SECTION] Load, line reading, material statements
// [SECTION] Faces, corners and polygons
// [SECTION] Positions, texture coordinates, finishing an object
// [SECTION] Normals, boxes, corner arrays, materials, messages
#include "models/CObjReader.h"

#include "io/FindFile.h"
#include "io/Report.h"
#include "models/CMtlReader.h"
#include "models/ObjTextScan.h"

#include <cstdio>
#include <cstring>
#include <algorithm>
#include <sys/mman.h>
#include <sys/stat.h>
#include <vector>

// [SECTION] File bytes and line helpers

namespace
{
const char* const OBJ_OPEN_FAILED_MESSAGE = "Unable to find or open the file: %s";
const char* const OBJ_DROPPED_FACES_MESSAGE =
    "OBJ file %s: %d faces refer to vertices or texture coordinates outside their object and "
    "were skipped";
const char* const OBJ_LIBRARY_FAILED_MESSAGE = "Couldn't read material library %s";

// Normal of a vertex with nothing to average: no face uses it, or its faces' normals cancel.
const CVector3 UNUSED_VERTEX_NORMAL(0.0f, 1.0f, 0.0f);

// The bytes of a whole file: mapped when the system allows it (no copy, no fresh pages to
// clear), read into memory otherwise.
class FileBytes
{
public:
    ~FileBytes()
    {
        if (m_mapping != nullptr)
        {
            munmap(m_mapping, m_size);
        }
    }

    bool Open(const char* path)
    {
        FILE* file = std::fopen(path, "rb");
        if (file == nullptr)
        {
            return false;
        }
        struct stat status;
        const bool known = fstat(fileno(file), &status) == 0;
        if (known && S_ISDIR(status.st_mode))
        {
            std::fclose(file);
            return false;  // opens, but has no bytes to read
        }
        if (known && S_ISREG(status.st_mode) && status.st_size > 0)
        {
            m_size = static_cast<size_t>(status.st_size);
            void* mapping =
                mmap(nullptr, m_size, PROT_READ, MAP_PRIVATE | MAP_POPULATE, fileno(file), 0);
            if (mapping != MAP_FAILED)
            {
                m_mapping = mapping;
                std::fclose(file);
                return true;
            }
        }
        ReadStream(file);
        std::fclose(file);
        return true;
    }

    const char* Data() const
    {
        return m_mapping ? static_cast<const char*>(m_mapping) : m_copy.data();
    }
    size_t Size() const { return m_mapping ? m_size : m_copy.size(); }

private:
    void ReadStream(FILE* file)
    {
        const size_t CHUNK = 1 << 20;
        size_t used = 0;
        for (;;)
        {
            m_copy.resize(used + CHUNK);
            size_t got = std::fread(m_copy.data() + used, 1, CHUNK, file);
            used += got;
            if (got < CHUNK)
            {
                break;
            }
        }
        m_copy.resize(used);
    }

    void* m_mapping = nullptr;
    size_t m_size = 0;
    std::vector<char> m_copy;
};

// OBJ indices are 1-based across the file; a negative one counts back from the last element
// read so far (-1 is the newest). Returns the 1-based file index.
int AbsoluteIndex(int index, int countSoFar)
{
    return index < 0 ? countSoFar + 1 + index : index;
}

// The statement's keyword at ptr (just past a line's first character, first), followed by a blank.
bool StartsStatement(const char* ptr, const char* end, const char* keywordRest)
{
    const size_t length = std::strlen(keywordRest);
    return static_cast<size_t>(end - ptr) > length && std::memcmp(ptr, keywordRest, length) == 0 &&
           obj_scan::IsBlank(ptr[length]);
}

// The rest of the line from ptr, without the blanks around it.
void TrimmedLineRest(const char* ptr, const char* end, const char*& from, const char*& to)
{
    const void* lineFeed = std::memchr(ptr, '\n', static_cast<size_t>(end - ptr));
    to = lineFeed ? static_cast<const char*>(lineFeed) : end;
    from = SkipBlanks(ptr, to);
    while (to > from && obj_scan::IsBlank(to[-1]))
    {
        --to;
    }
}
}  // namespace

// [SECTION] Load, line reading, material statements

bool CObjReader::Load(CModelData* model, const char* path)
{
    if (model == nullptr || path == nullptr)
    {
        return false;
    }
    FileBytes bytes;
    if (!bytes.Open(path))
    {
        Report(ReportStream::Out, "\n");
        Report(ReportStream::Out, OBJ_OPEN_FAILED_MESSAGE, path);
        Report(ReportStream::Out, "\n");
        std::fflush(stdout);
        return false;
    }
    return ReadFromMemory(model, bytes.Data(), bytes.Size(), path);
}

bool CObjReader::ReadFromMemory(CModelData* model, const char* data, size_t size, const char* name)
{
    if (model == nullptr || (data == nullptr && size > 0))
    {
        return false;
    }
    Reset(*model);
    const char* slash = name != nullptr ? std::strrchr(name, '/') : nullptr;
    m_folder = slash != nullptr ? std::string(name, static_cast<size_t>(slash - name)) : "";
    ReadLines(*model, data, data + size);
    AssignFaceMaterials(*model);
    ComputeNormals(*model);
    ComputeBoxes(*model);
    if (m_droppedFaces > 0)
    {
        ReportDroppedFaces(name);
    }
    return true;
}

void CObjReader::Reset(CModelData& model)
{
    model.objectCount = 0;
    model.materialCount = 0;
    model.animationCount = 0;
    model.objects.clear();
    model.materials.clear();
    m_positions.clear();
    m_faces.clear();
    m_texCoords.clear();
    m_texCoordsSeen = false;
    m_facesSeen = false;
    m_positionBase = 0;
    m_texCoordBase = 0;
    m_normalCount = 0;
    m_droppedFaces = 0;
    m_faceUses.clear();
    m_useNames.clear();
    m_useNumbers.clear();
    m_currentUse = -1;
    m_libraryMaterials = 0;
}

void CObjReader::ReadLines(CModelData& model, const char* ptr, const char* end)
{
    while (ptr < end)
    {
        char first = *ptr++;
        if (first == 'f')
        {
            ptr = SkipLineRest(ReadFace(ptr, end), end);
        }
        else if (first == 'v')
        {
            if (m_facesSeen)
            {
                FinishObject(model);
            }
            if (ptr == end)
            {
                break;
            }
            char kind = *ptr++;
            if (kind == '\n')
            {
                continue;  // a bare "v" line: nothing more to skip
            }
            if (kind == ' ')
            {
                ptr = ReadPosition(ptr, end);
            }
            else if (kind == 't')
            {
                ptr = ReadTexCoord(ptr, end);
            }
            else if (kind == 'n')
            {
                m_normalCount += 1;
            }
            ptr = SkipLineRest(ptr, end);
        }
        else if (first != '\n')
        {
            // Material statements are read to their real line end, but the line is left as every
            // other skipped line is, so they change nothing else the file gives.
            if (first == 'm' && StartsStatement(ptr, end, "tllib"))
            {
                ReadMaterialLibrary(model, ptr + 5, end);
            }
            else if (first == 'u' && StartsStatement(ptr, end, "semtl"))
            {
                ReadUseMaterial(ptr + 5, end);
            }
            ptr = SkipLineRest(ptr, end);
        }
    }
    FinishObject(model);
}

// "mtllib" names one library, or several separated by blanks; a name that is found whole is
// taken whole, as names may hold spaces.
void CObjReader::ReadMaterialLibrary(CModelData& model, const char* ptr, const char* end)
{
    const char* from = nullptr;
    const char* to = nullptr;
    TrimmedLineRest(ptr, end, from, to);
    std::vector<std::string> names = {std::string(from, to)};
    const auto pathOf = [this](const std::string& library)
    {
        const std::string asWritten =
            m_folder.empty() || library[0] == '/' ? library : m_folder + "/" + library;
        return FindTextureFile(asWritten, m_folder);
    };
    if (pathOf(names[0]).empty() && std::find_if(from, to, obj_scan::IsBlank) != to)
    {
        names.clear();
        for (const char* word = from; word < to; word = SkipBlanks(word, to))
        {
            const char* wordEnd = std::find_if(word, to, obj_scan::IsBlank);
            names.emplace_back(word, wordEnd);
            word = wordEnd;
        }
    }
    for (const std::string& library : names)
    {
        const std::string path = library.empty() ? library : pathOf(library);
        if (path.empty() || !CMtlReader::Load(path.c_str(), model.materials))
        {
            ReportLibraryFailure(library);
        }
    }
    model.materialCount = static_cast<int>(model.materials.size());
    m_libraryMaterials = model.materialCount;
}

void CObjReader::ReadUseMaterial(const char* ptr, const char* end)
{
    const char* from = nullptr;
    const char* to = nullptr;
    TrimmedLineRest(ptr, end, from, to);
    const std::string name(from, to);
    const auto known = m_useNumbers.find(name);
    if (known != m_useNumbers.end())
    {
        m_currentUse = known->second;
        return;
    }
    m_currentUse = static_cast<int>(m_useNames.size());
    m_useNumbers.emplace(name, m_currentUse);
    m_useNames.push_back(name);
}

void CObjReader::AssignFaceMaterials(CModelData& model) const
{
    const bool named = m_libraryMaterials > 0 && !m_useNames.empty();
    std::vector<int> materialOfUse(m_useNames.size(), -1);
    for (size_t use = 0; named && use < m_useNames.size(); ++use)
    {
        for (size_t i = 0; i < model.materials.size(); ++i)
        {
            if (m_useNames[use] == model.materials[i].name)
            {
                materialOfUse[use] = static_cast<int>(i);
                break;
            }
        }
    }
    for (ModelObject& object : model.objects)
    {
        if (!named)
        {
            object.faceMaterials.clear();
            continue;
        }
        for (int& material : object.faceMaterials)
        {
            material = material >= 0 ? materialOfUse[static_cast<size_t>(material)] : -1;
        }
    }
}

// [SECTION] Faces, corners and polygons

// Reads the corners of a face line, in the form "v/t" once texture coordinates were seen in this
// object and "v" otherwise, each optionally followed by a normal index ("v//n", "v/t/n"). A face
// of n corners becomes n - 2 triangles (see AddPolygon). Corners are read until the first one
// that does not fit the form; a face left with fewer than three corners, or naming a
// normal that was never read, is dropped whole.
const char* CObjReader::ReadFace(const char* ptr, const char* end)
{
    m_corners.clear();
    bool normalsKnown = true;
    for (;;)
    {
        Corner corner;
        const CornerRead result = ReadCorner(ptr, end, corner);
        if (result == CornerRead::Missing || result == CornerRead::Cut)
        {
            break;
        }
        normalsKnown = normalsKnown && result == CornerRead::Read;
        m_corners.push_back(corner);
    }
    m_facesSeen = true;
    const int cornerCount = static_cast<int>(m_corners.size());
    if (cornerCount < 3 || !normalsKnown)
    {
        m_droppedFaces += cornerCount > 3 ? cornerCount - 2 : 1;
        return ptr;
    }
    AddPolygon();
    return ptr;
}

// Reads one corner at ptr and moves ptr past what it consumed, as a scan pattern would.
CObjReader::CornerRead CObjReader::ReadCorner(const char*& ptr, const char* end,
                                              Corner& corner) const
{
    const int positionsSoFar = m_positionBase + static_cast<int>(m_positions.size());
    const int texCoordsSoFar = m_texCoordBase + static_cast<int>(m_texCoords.size());
    const char* next = ScanInt(ptr, end, corner.vertex);
    if (next == nullptr)
    {
        return CornerRead::Missing;
    }
    ptr = next;
    corner.vertex = AbsoluteIndex(corner.vertex, positionsSoFar);
    if (ptr >= end || *ptr != '/')
    {
        return m_texCoordsSeen ? CornerRead::Cut : CornerRead::Read;
    }
    if (!m_texCoordsSeen)
    {
        // Only "v//n" fits an object without texture coordinates; "v/t" stops before its slash.
        if (ptr + 1 >= end || ptr[1] != '/')
        {
            return CornerRead::Cut;
        }
        ptr += 2;
        return ReadNormalIndex(ptr, end) ? CornerRead::Read : CornerRead::BadNormal;
    }
    next = ScanInt(ptr + 1, end, corner.texCoord);
    if (next == nullptr)
    {
        ptr += 1;  // "v//n" in an object with texture coordinates
        return CornerRead::Cut;
    }
    ptr = next;
    corner.texCoord = AbsoluteIndex(corner.texCoord, texCoordsSoFar);
    if (ptr >= end || *ptr != '/')
    {
        return CornerRead::Read;
    }
    ptr += 1;
    return ReadNormalIndex(ptr, end) ? CornerRead::Read : CornerRead::BadNormal;
}

// The normal index after a corner's second slash: true when it names a `vn` line read so far.
bool CObjReader::ReadNormalIndex(const char*& ptr, const char* end) const
{
    int normal = 0;
    const char* next = ScanInt(ptr, end, normal);
    if (next == nullptr)
    {
        return false;
    }
    ptr = next;
    normal = AbsoluteIndex(normal, m_normalCount);
    return normal >= 1 && normal <= m_normalCount;
}

// Triangles cut in the polygon's plane when every corner names a position of this object;
// otherwise the fan, whose triangles naming other objects' positions are dropped later.
void CObjReader::AddPolygon()
{
    const size_t count = m_corners.size();
    m_triangles.clear();
    m_polygon.clear();
    for (size_t i = 0; count > 3 && i < count; ++i)
    {
        const long long local = static_cast<long long>(m_corners[i].vertex) - 1 - m_positionBase;
        if (local < 0 || local >= static_cast<long long>(m_positions.size()))
        {
            break;
        }
        m_polygon.push_back(m_positions[static_cast<size_t>(local)]);
    }
    if (m_polygon.size() == count)
    {
        m_triangulator.Triangulate(m_polygon.data(), count, m_triangles);
    }
    else
    {
        CPolygonTriangulator::AppendFan(count, m_triangles);
    }
    for (size_t t = 0; t + 2 < m_triangles.size(); t += 3)
    {
        ModelFace face;
        for (int k = 0; k < 3; ++k)
        {
            const Corner& corner = m_corners[static_cast<size_t>(m_triangles[t + k])];
            face.vertIndex[k] = corner.vertex;
            face.coordIndex[k] = corner.texCoord;
        }
        m_faces.push_back(face);
        m_faceUses.push_back(m_currentUse);
    }
}

// [SECTION] Positions, texture coordinates, finishing an object

const char* CObjReader::ReadPosition(const char* ptr, const char* end)
{
    CVector3 position;
    float* components[3] = {&position.x, &position.y, &position.z};
    for (float* component : components)
    {
        const char* next = ScanFloat(ptr, end, *component);
        if (next == nullptr)
        {
            break;
        }
        ptr = next;
    }
    m_positions.push_back(position);
    return ptr;
}

const char* CObjReader::ReadTexCoord(const char* ptr, const char* end)
{
    ModelTexCoord coord;
    const char* next = ScanFloat(ptr, end, coord.u);
    if (next != nullptr)
    {
        ptr = next;
        next = ScanFloat(ptr, end, coord.v);
        if (next != nullptr)
        {
            ptr = next;
        }
    }
    m_texCoords.push_back(coord);
    m_texCoordsSeen = true;
    return ptr;
}

// Turns file indices into indices of this object's arrays; false when one falls outside them.
bool CObjReader::RebaseFace(ModelFace& face, int vertexCount, int texCoordCount,
                            bool hasTexCoords) const
{
    bool inside = true;
    for (int corner = 0; corner < 3; ++corner)
    {
        // 64-bit so that saturated file values cannot overflow while being lowered.
        long long vertex = static_cast<long long>(face.vertIndex[corner]) - 1 - m_positionBase;
        long long coord = static_cast<long long>(face.coordIndex[corner]) - 1 - m_texCoordBase;
        inside = inside && vertex >= 0 && vertex < vertexCount;
        if (hasTexCoords)
        {
            inside = inside && coord >= 0 && coord < texCoordCount;
        }
        face.vertIndex[corner] = static_cast<int>(vertex);
        face.coordIndex[corner] = static_cast<int>(coord);
    }
    return inside;
}

void CObjReader::FinishObject(CModelData& model)
{
    model.objectCount += 1;
    model.objects.emplace_back();
    ModelObject& object = model.objects.back();

    const int vertexCount = static_cast<int>(m_positions.size());
    const int texCoordCount = static_cast<int>(m_texCoords.size());
    const bool hasTexCoords = texCoordCount > 0;
    size_t kept = 0;
    for (size_t i = 0; i < m_faces.size(); ++i)
    {
        ModelFace face = m_faces[i];
        if (RebaseFace(face, vertexCount, texCoordCount, hasTexCoords))
        {
            m_faceUses[kept] = m_faceUses[i];
            m_faces[kept++] = face;
        }
    }
    m_droppedFaces += static_cast<int>(m_faces.size() - kept);
    m_faces.resize(kept);
    m_faceUses.resize(kept);

    object.vertexCount = vertexCount;
    object.faceCount = static_cast<int>(kept);
    object.bufferVertexCount = 3 * object.faceCount;
    object.texCoordCount = texCoordCount;
    object.hasTexture = hasTexCoords;
    object.materialIndex = -1;
    object.vertices.swap(m_positions);
    object.texCoords.swap(m_texCoords);
    object.faces.swap(m_faces);
    object.faceMaterials.swap(m_faceUses);

    m_positionBase += vertexCount;
    m_texCoordBase += texCoordCount;
    m_positions.clear();
    m_texCoords.clear();
    m_faces.clear();
    m_faceUses.clear();
    m_texCoordsSeen = false;
    m_facesSeen = false;
}

// [SECTION] Normals, boxes, corner arrays, materials, messages

// Smooth normals: every face adds its (unnormalised) normal once to each vertex it uses; the
// sum is divided by minus the number of such faces and normalised.
void CObjReader::ComputeNormals(CModelData& model)
{
    int totalFaces = 0;
    std::vector<CVector3> sums;
    std::vector<int> useCounts;
    for (ModelObject& object : model.objects)
    {
        const size_t vertexCount = object.vertices.size();
        sums.assign(vertexCount, CVector3());
        useCounts.assign(vertexCount, 0);
        for (const ModelFace& face : object.faces)
        {
            const int i0 = face.vertIndex[0];
            const int i1 = face.vertIndex[1];
            const int i2 = face.vertIndex[2];
            const CVector3& p0 = object.vertices[i0];
            const CVector3& p1 = object.vertices[i1];
            const CVector3& p2 = object.vertices[i2];
            const CVector3 n = Cross(p0 - p2, p2 - p1);
            sums[i0] = sums[i0] + n;
            useCounts[i0] += 1;
            if (i1 != i0)
            {
                sums[i1] = sums[i1] + n;
                useCounts[i1] += 1;
            }
            if (i2 != i0 && i2 != i1)
            {
                sums[i2] = sums[i2] + n;
                useCounts[i2] += 1;
            }
        }
        object.normals.resize(vertexCount);
        for (size_t i = 0; i < vertexCount; ++i)
        {
            if (useCounts[i] == 0)
            {
                object.normals[i] = UNUSED_VERTEX_NORMAL;
                continue;
            }
            const float divisor = -static_cast<float>(useCounts[i]);
            CVector3 normal(sums[i].x / divisor, sums[i].y / divisor, sums[i].z / divisor);
            normal.Normalize();
            object.normals[i] = normal == CVector3() ? UNUSED_VERTEX_NORMAL : normal;
        }
        totalFaces += object.faceCount;
    }
    model.totalVertexCount = 3 * totalFaces;
}

void CObjReader::ComputeBoxes(CModelData& model)
{
    model.boundsMin = CVector3(MODEL_BOX_START, MODEL_BOX_START, MODEL_BOX_START);
    model.boundsMax = CVector3(-MODEL_BOX_START, -MODEL_BOX_START, -MODEL_BOX_START);
    for (ModelObject& object : model.objects)
    {
        ComputeBox(object.vertices, object.boundsMin, object.boundsMax);
        WidenBox(object.vertices, model.boundsMin, model.boundsMax);
    }
}

void CObjReader::BuildCornerArrays(const ModelObject& object, std::vector<float>& positions,
                                   std::vector<float>& normals, std::vector<float>& texCoords)
{
    const size_t corners = 3 * object.faces.size();
    const bool textured = object.hasTexture && !object.texCoords.empty();
    positions.resize(3 * corners);
    normals.resize(3 * corners);
    texCoords.resize(textured ? 2 * corners : 0);
    size_t corner = 0;
    for (const ModelFace& face : object.faces)
    {
        for (int k = 0; k < 3; ++k, ++corner)
        {
            const CVector3& position = object.vertices[face.vertIndex[k]];
            const CVector3& normal = object.normals[face.vertIndex[k]];
            positions[3 * corner + 0] = position.x;
            positions[3 * corner + 1] = position.y;
            positions[3 * corner + 2] = position.z;
            normals[3 * corner + 0] = normal.x;
            normals[3 * corner + 1] = normal.y;
            normals[3 * corner + 2] = normal.z;
            if (textured)
            {
                const ModelTexCoord& coord = object.texCoords[face.coordIndex[k]];
                texCoords[2 * corner + 0] = coord.u;
                texCoords[2 * corner + 1] = coord.v;
            }
        }
    }
}

void CObjReader::AddMaterial(CModelData* model, const char* name, const char* textureFile,
                             unsigned char red, unsigned char green, unsigned char blue)
{
    if (model == nullptr)
    {
        return;
    }
    ModelMaterial material;
    CopyModelName(material.name, sizeof material.name, name, MODEL_NAME_LENGTH);
    CopyModelName(material.textureFile, sizeof material.textureFile, textureFile,
                  MODEL_NAME_LENGTH);
    material.color[0] = red;
    material.color[1] = green;
    material.color[2] = blue;
    model->materials.push_back(material);
    model->materialCount += 1;
}

void CObjReader::SetObjectMaterial(CModelData* model, int objectIndex, int materialIndex)
{
    if (model == nullptr || objectIndex < 0 || objectIndex >= model->objectCount ||
        objectIndex >= static_cast<int>(model->objects.size()))
    {
        return;
    }
    model->objects[objectIndex].materialIndex = materialIndex;
}

void CObjReader::ReportDroppedFaces(const char* name) const
{
    Report(ReportStream::Err, "\n");
    Report(ReportStream::Err, OBJ_DROPPED_FACES_MESSAGE, name ? name : "", m_droppedFaces);
    Report(ReportStream::Err, "\n");
}

void CObjReader::ReportLibraryFailure(const std::string& library) const
{
    Report(ReportStream::Err, "\n");
    Report(ReportStream::Err, OBJ_LIBRARY_FAILED_MESSAGE, library.c_str());
    Report(ReportStream::Err, "\n");
}
