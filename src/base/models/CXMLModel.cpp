// Reads the engine's XML model documents: materials and height maps (pictures loaded as they are
// met), sub-objects with vertices and faces, face normals, boxes; tangent frames on request.
#include "models/CXMLModel.h"

#include "io/Report.h"
#include "math/TangentSpace.h"
#include "xml/xmlParser.h"

#include <cfloat>
#include <charconv>
#include <cstring>
#include <cstdio>
#include <cstdlib>

const char* const XML_MODEL_ROOT_TAG = "KyrelModelFormat";
const char* const XML_RELIEF_ATTRIBUTE = "relief";

namespace
{
const char* const MSG_MODEL_NAME =
    "\nModel Name not found in the xml! Not a valid Kyrel Engine Model file!";
const char* const MSG_NUM_SUBOBJECTS =
    "\nnumsubobjects tag not found in the xml! Not a valid Kyrel Engine Model file!";
const char* const MSG_NUM_MATERIALS =
    "\nnummaterials tag not found in the xml! Not a valid Kyrel Engine Model file!";
const char* const MSG_NUM_PARALLAX_MAPS =
    "\nnumofparallaxmap tag not found in the xml! Not a valid Kyrel Engine Model file!";
const char* const MSG_MATERIAL_NAME =
    "\nname tag not found in material tag! Not a valid Kyrel Engine Model file!";
const char* const MSG_MATERIAL_OPACITY =
    "\nopacity attribute not found in material tag! Not a valid Kyrel Engine Model file!";
const char* const MSG_COLORMAP =
    "\ncolormap attribute not found in the texture tag! Not a valid Kyrel Engine Model file!";
const char* const MSG_HEIGHTMAP =
    "\nheightmap attribute not found in the texture tag! Not a valid Kyrel Engine Model file!";
const char* const MSG_NO_COLORMAP = "\nWARNING: No colormap information found.";
const char* const MSG_NO_HEIGHTMAP = "\nWARNING: No heightmap information found.";
const char* const MSG_NUM_FACES = "\nNum of faces: %d";

// The colour messages, by colour element and component r, g, b, a. The diffuse "b" message says
// "gb": files and tools written against the engine expect that exact text.
const char* const MSG_COLOR[3][4] = {
    {"\nr attribute not found in the ambient tag! Not a valid Kyrel Engine Model file!",
     "\ng attribute not found in the ambient tag! Not a valid Kyrel Engine Model file!",
     "\nb attribute not found in the ambient tag! Not a valid Kyrel Engine Model file!",
     "\na attribute not found in the ambient tag! Not a valid Kyrel Engine Model file!"},
    {"\nr attribute not found in the diffuse tag! Not a valid Kyrel Engine Model file!",
     "\ng attribute not found in the diffuse tag! Not a valid Kyrel Engine Model file!",
     "\ngb attribute not found in the diffuse tag! Not a valid Kyrel Engine Model file!",
     "\na attribute not found in the diffuse tag! Not a valid Kyrel Engine Model file!"},
    {"\nr attribute not found in the specular tag! Not a valid Kyrel Engine Model file!",
     "\ng attribute not found in the specular tag! Not a valid Kyrel Engine Model file!",
     "\nb attribute not found in the specular tag! Not a valid Kyrel Engine Model file!",
     "\na attribute not found in the specular tag! Not a valid Kyrel Engine Model file!"}};
const char* const COLOR_ELEMENTS[3] = {"ambient", "diffuse", "specular"};
const char* const COLOR_COMPONENTS[4] = {"r", "g", "b", "a"};

// Diagnostics of data the reader refuses to use, on standard error.
const char* const MSG_SHORT_LIST = "The model %s declares %u %s elements but holds %u.\n";
const char* const MSG_BAD_FACE =
    "The model %s: face %u of object %u names a vertex outside the object; face dropped.\n";

// True when text equals name (lower-case ASCII) with ASCII letters of text compared without case.
bool SameNameNoCase(const char* text, const char* name)
{
    if (!text)
    {
        return false;
    }
    for (;; ++text, ++name)
    {
        char c = *text;
        if (c >= 'A' && c <= 'Z')
        {
            c = static_cast<char>(c - 'A' + 'a');
        }
        if (c != *name)
        {
            return false;
        }
        if (c == '\0')
        {
            return true;
        }
    }
}

// atoi without its undefined behaviour: text beyond the 32-bit range wraps modulo 2^32, as the C
// library's atoi does on this platform, instead of being undefined.
int ToInt(const char* text)
{
    if (!text)
    {
        return 0;
    }
    long long value = std::strtoll(text, nullptr, 10);
    return static_cast<int>(static_cast<unsigned int>(value));
}

// Counts go through atoi and are then taken as unsigned, so "-1" is a very large count.
unsigned int ToUnsigned(const char* text)
{
    return static_cast<unsigned int>(ToInt(text));
}

// The values of several attributes found in one pass over the element's attributes: for each name,
// the first attribute of that name without regard to case (none when it has no value), exactly
// what FindAttribute answers for each name on its own.
template <size_t N>
void GatherAttributes(const CXmlElement& element, const char* const (&names)[N],
                      const char* (&values)[N])
{
    bool found[N] = {};
    for (size_t k = 0; k < N; ++k)
    {
        values[k] = nullptr;
    }
    const int count = element.AttributeCount();
    for (int i = 0; i < count; ++i)
    {
        const XmlAttribute attribute = element.AttributeAt(i);
        for (size_t k = 0; k < N; ++k)
        {
            if (!found[k] && SameNameNoCase(attribute.name, names[k]))
            {
                found[k] = true;
                values[k] = attribute.value;
                break;
            }
        }
    }
}

// The state of one read: the picture loader, whether a required attribute was missing, and a
// name for diagnostics.
class ModelReader
{
public:
    ModelReader(CXMLModel& target, const CXMLModel::ImageLoader& loader)
        : model(target), loadImage(loader)
    {
    }

    bool Read(const CXmlElement& root);

private:
    // The value of a required attribute, or none after printing its message.
    const char* Required(const CXmlElement& element, const char* attribute, const char* message)
    {
        const char* value = element.FindAttribute(attribute);
        if (!value)
        {
            Report(ReportStream::Out, "%s\n", message);
            std::fflush(stdout);
            complete = false;
        }
        return value;
    }
    void RequiredFloat(const CXmlElement& element, const char* attribute, const char* message,
                       float& out)
    {
        if (const char* value = Required(element, attribute, message))
        {
            out = XmlModelFloat(value);
        }
    }
    void RequiredUnsigned(const CXmlElement& element, const char* attribute, const char* message,
                          unsigned int& out)
    {
        if (const char* value = Required(element, attribute, message))
        {
            out = ToUnsigned(value);
        }
    }
    static float Float(const CXmlElement& element, const char* attribute)
    {
        return XmlModelFloat(element.FindAttribute(attribute));
    }

    void ReadModelAttributes(const CXmlElement& modelElement);
    void ReadMaterials(const CXmlElement& modelElement, unsigned int declared);
    void ReadMaterial(const CXmlElement& element, XMLMaterial& material);
    void ReadHeightMaps(const CXmlElement& modelElement, unsigned int declared);
    void ReadPicture(const CXmlElement& owner, const char* attribute, const char* missingMessage,
                     const char* warning, XMLMaterial& record);
    void ReadSubObjects(const CXmlElement& modelElement, unsigned int declared);
    void ReadSubObject(const CXmlElement& element, unsigned int objectIndex,
                       XMLSubObject& subObject);
    void ReadVertices(const CXmlElement& element, unsigned int declared, XMLSubObject& subObject);
    static void ReadVertex(const CXmlElement& element, XMLVertex& vertex);
    void ReadFaces(const CXmlElement& element, unsigned int objectIndex, unsigned int declared,
                   XMLSubObject& subObject);
    static void ComputeBox(XMLSubObject& subObject, CVector3& modelMin, CVector3& modelMax);
    void ReportShortList(unsigned int declared, const char* elementName, size_t held) const
    {
        Report(ReportStream::Err, MSG_SHORT_LIST, model.path.c_str(), declared, elementName,
               static_cast<unsigned int>(held));
    }

    CXMLModel& model;
    const CXMLModel::ImageLoader& loadImage;
    bool complete = true;
    unsigned int declaredSubObjects = 0;
    unsigned int declaredMaterials = 0;
    unsigned int declaredHeightMaps = 0;
};

bool ModelReader::Read(const CXmlElement& root)
{
    CXmlElement modelElement = root.FindChild("model");
    ReadModelAttributes(modelElement);
    ReadMaterials(modelElement, declaredMaterials);
    ReadHeightMaps(modelElement, declaredHeightMaps);
    ReadSubObjects(modelElement, declaredSubObjects);
    model.materialCount = static_cast<unsigned int>(model.materials.size());
    model.heightMapCount = static_cast<unsigned int>(model.heightMaps.size());
    model.subObjectCount = static_cast<unsigned int>(model.subObjects.size());
    return complete;
}

void ModelReader::ReadModelAttributes(const CXmlElement& modelElement)
{
    if (const char* value = Required(modelElement, "name", MSG_MODEL_NAME))
    {
        model.name = value;
    }
    RequiredUnsigned(modelElement, "numsubobjects", MSG_NUM_SUBOBJECTS, declaredSubObjects);
    RequiredUnsigned(modelElement, "nummaterials", MSG_NUM_MATERIALS, declaredMaterials);
    RequiredUnsigned(modelElement, "numofparallaxmap", MSG_NUM_PARALLAX_MAPS, declaredHeightMaps);
}

// Lists are walked with one cursor, so the n-th element is found without rescanning. A count
// larger than the elements present stops at the last one: the records are never invented.
void ModelReader::ReadMaterials(const CXmlElement& modelElement, unsigned int declared)
{
    int cursor = 0;
    for (unsigned int i = 0; i < declared; ++i)
    {
        CXmlElement element = modelElement.FindChild("material", &cursor);
        if (element.IsNull())
        {
            // A missing material lacks every required attribute: say so once, then stop.
            XMLMaterial ignored;
            ReadMaterial(element, ignored);
            ReportShortList(declared, "material", model.materials.size());
            return;
        }
        model.materials.emplace_back();
        ReadMaterial(element, model.materials.back());
    }
}

void ModelReader::ReadMaterial(const CXmlElement& element, XMLMaterial& material)
{
    if (const char* value = Required(element, "name", MSG_MATERIAL_NAME))
    {
        material.name = value;
    }
    RequiredFloat(element, "opacity", MSG_MATERIAL_OPACITY, material.opacity);
    float* colors[3] = {material.ambient, material.diffuse, material.specular};
    for (int colorIndex = 0; colorIndex < 3; ++colorIndex)
    {
        CXmlElement colorElement = element.FindChild(COLOR_ELEMENTS[colorIndex]);
        for (int component = 0; component < 4; ++component)
        {
            RequiredFloat(colorElement, COLOR_COMPONENTS[component],
                          MSG_COLOR[colorIndex][component], colors[colorIndex][component]);
        }
    }
    ReadPicture(element, "colormap", MSG_COLORMAP, MSG_NO_COLORMAP, material);
}

void ModelReader::ReadHeightMaps(const CXmlElement& modelElement, unsigned int declared)
{
    int cursor = 0;
    for (unsigned int i = 0; i < declared; ++i)
    {
        CXmlElement element = modelElement.FindChild("parallaxmap", &cursor);
        if (element.IsNull())
        {
            ReportShortList(declared, "parallaxmap", model.heightMaps.size());
            return;
        }
        model.heightMaps.emplace_back();
        ReadPicture(element, "heightmap", MSG_HEIGHTMAP, MSG_NO_HEIGHTMAP, model.heightMaps.back());
    }
}

// The first texture child names the picture; without one the record has no texture.
void ModelReader::ReadPicture(const CXmlElement& owner, const char* attribute,
                              const char* missingMessage, const char* warning, XMLMaterial& record)
{
    CXmlElement texture = owner.FindChild("texture");
    if (texture.IsNull())
    {
        Report(ReportStream::Out, "%s\n", warning);
        std::fflush(stdout);
        record.textureFile.clear();
        record.texture = XML_NO_TEXTURE;
        return;
    }
    if (const char* file = Required(texture, attribute, missingMessage))
    {
        record.textureFile = file;
        record.texture = static_cast<int>(loadImage(file));
    }
}

void ModelReader::ReadSubObjects(const CXmlElement& modelElement, unsigned int declared)
{
    model.vertexCount = 0;
    int cursor = 0;
    for (unsigned int i = 0; i < declared; ++i)
    {
        CXmlElement element = modelElement.FindChild("object", &cursor);
        if (element.IsNull())
        {
            ReportShortList(declared, "object", model.subObjects.size());
            return;
        }
        model.subObjects.emplace_back();
        XMLSubObject& subObject = model.subObjects.back();
        ReadSubObject(element, i, subObject);
        model.vertexCount += subObject.vertexCount;
        ComputeBox(subObject, model.boundsMin, model.boundsMax);
    }
}

void ModelReader::ReadSubObject(const CXmlElement& element, unsigned int objectIndex,
                                XMLSubObject& subObject)
{
    if (const char* value = element.FindAttribute("name"))
    {
        subObject.name = value;
    }
    if (const char* value = element.FindAttribute(XML_RELIEF_ATTRIBUTE))
    {
        subObject.relief = ToInt(value) != 0;
    }
    unsigned int declaredVertices = ToUnsigned(element.FindAttribute("numvertices"));
    unsigned int declaredFaces = ToUnsigned(element.FindAttribute("numfaces"));
    CXmlElement position = element.FindChild("position");
    subObject.position = CVector3(Float(position, "x"), Float(position, "y"), Float(position, "z"));
    CXmlElement orientation = element.FindChild("orientation");
    subObject.orientationAngle = Float(orientation, "angle");
    subObject.orientationAxis =
        CVector3(Float(orientation, "x"), Float(orientation, "y"), Float(orientation, "z"));
    ReadVertices(element, declaredVertices, subObject);
    Report(ReportStream::Out, MSG_NUM_FACES, static_cast<int>(declaredFaces));
    ReadFaces(element, objectIndex, declaredFaces, subObject);
}

void ModelReader::ReadVertices(const CXmlElement& element, unsigned int declared,
                               XMLSubObject& subObject)
{
    int cursor = 0;
    for (unsigned int i = 0; i < declared; ++i)
    {
        CXmlElement vertexElement = element.FindChild("vertex", &cursor);
        if (vertexElement.IsNull())
        {
            ReportShortList(declared, "vertex", subObject.vertices.size());
            break;
        }
        subObject.vertices.emplace_back();
        ReadVertex(vertexElement, subObject.vertices.back());
    }
    subObject.vertexCount = static_cast<unsigned int>(subObject.vertices.size());
}

void ModelReader::ReadVertex(const CXmlElement& element, XMLVertex& vertex)
{
    static const char* const NAMES[] = {"x",  "y",  "z",  "u0", "v0", "u1", "v1", "u2",
                                        "v2", "u3", "v3", "r",  "g",  "b",  "a"};
    float* const fields[] = {&vertex.x,  &vertex.y,  &vertex.z,  &vertex.u0, &vertex.v0,
                             &vertex.u1, &vertex.v1, &vertex.u2, &vertex.v2, &vertex.u3,
                             &vertex.v3, &vertex.r,  &vertex.g,  &vertex.b,  &vertex.a};
    const char* values[15];
    GatherAttributes(element, NAMES, values);
    for (int k = 0; k < 15; ++k)
    {
        *fields[k] = XmlModelFloat(values[k]);
    }
    const int U0 = 3;
    if (!values[U0])
    {
        vertex.u0 = XML_NO_TEXCOORD;
    }
}

void ModelReader::ReadFaces(const CXmlElement& element, unsigned int objectIndex,
                            unsigned int declared, XMLSubObject& subObject)
{
    const std::vector<XMLVertex>& vertices = subObject.vertices;
    const int held = static_cast<int>(vertices.size());
    auto valid = [held](int index) { return index >= 0 && index < held; };
    int cursor = 0;
    for (unsigned int i = 0; i < declared; ++i)
    {
        CXmlElement faceElement = element.FindChild("face", &cursor);
        if (faceElement.IsNull())
        {
            ReportShortList(declared, "face", subObject.faces.size());
            break;
        }
        static const char* const NAMES[] = {
            "a", "b", "c", "d", "materialindex", "parallaxmapindex"};
        const char* values[6];
        GatherAttributes(faceElement, NAMES, values);
        XMLFace face;
        face.a = ToInt(values[0]);
        face.b = ToInt(values[1]);
        face.c = ToInt(values[2]);
        face.d = values[3] ? ToInt(values[3]) : XML_NO_INDEX;
        if (!valid(face.a) || !valid(face.b) || !valid(face.c) || (face.IsQuad() && !valid(face.d)))
        {
            Report(ReportStream::Err, MSG_BAD_FACE, model.path.c_str(), i, objectIndex);
            continue;
        }
        CVector3 p0 = vertices[face.a].Position();
        face.normal = Cross(vertices[face.b].Position() - p0, vertices[face.c].Position() - p0);
        face.normal.Normalize();
        face.materialIndex = values[4] ? ToInt(values[4]) : XML_NO_INDEX;
        face.parallaxMapIndex = values[5] ? ToInt(values[5]) : XML_NO_INDEX;
        subObject.faces.push_back(face);
    }
    subObject.faceCount = static_cast<unsigned int>(subObject.faces.size());
}

void WidenBox(const XMLVertex& vertex, CVector3& boxMin, CVector3& boxMax)
{
    boxMin.x = vertex.x < boxMin.x ? vertex.x : boxMin.x;
    boxMin.y = vertex.y < boxMin.y ? vertex.y : boxMin.y;
    boxMin.z = vertex.z < boxMin.z ? vertex.z : boxMin.z;
    boxMax.x = vertex.x > boxMax.x ? vertex.x : boxMax.x;
    boxMax.y = vertex.y > boxMax.y ? vertex.y : boxMax.y;
    boxMax.z = vertex.z > boxMax.z ? vertex.z : boxMax.z;
}

void ModelReader::ComputeBox(XMLSubObject& subObject, CVector3& modelMin, CVector3& modelMax)
{
    for (const XMLVertex& vertex : subObject.vertices)
    {
        WidenBox(vertex, subObject.boundsMin, subObject.boundsMax);
        WidenBox(vertex, modelMin, modelMax);
    }
}
}  // namespace

// atof, narrowed to float with overflow going to infinity rather than undefined. Plain decimal
// numbers take from_chars, which rounds exactly as strtod does in the C locale but several times
// faster; everything else (spaces, '+', hexadecimal, out of range) still goes through strtod.
float XmlModelFloat(const char* text)
{
    if (!text)
    {
        return 0.0f;
    }
    double value = 0.0;
    const char* digits = text[0] == '-' ? text + 1 : text;
    const bool plainDecimal =
        (digits[0] >= '0' && digits[0] <= '9' && digits[1] != 'x' && digits[1] != 'X') ||
        digits[0] == '.';
    bool parsed = false;
    if (plainDecimal)
    {
        std::from_chars_result result = std::from_chars(text, text + std::strlen(text), value);
        parsed = result.ec == std::errc();
    }
    if (!parsed)
    {
        value = std::strtod(text, nullptr);
    }
    if (value > FLT_MAX)
    {
        return HUGE_VALF;
    }
    if (value < -FLT_MAX)
    {
        return -HUGE_VALF;
    }
    return static_cast<float>(value);
}

CXMLModel* CXMLModel::Load(const char* path, const ImageLoader& loadImage)
{
    CXmlElement root = LoadDocument(path, XML_MODEL_ROOT_TAG);
    return ReadDocument(root, path, loadImage) ? this : nullptr;
}

bool CXMLModel::ReadDocument(const CXmlElement& root, const char* documentPath,
                             const ImageLoader& loadImage)
{
    *this = CXMLModel();
    path = documentPath ? documentPath : "";
    ModelReader reader(*this, loadImage);
    return reader.Read(root);
}

void CXMLModel::BuildTangentFrames()
{
    for (XMLSubObject& subObject : subObjects)
    {
        const std::vector<XMLVertex>& vertices = subObject.vertices;
        for (XMLFace& face : subObject.faces)
        {
            face.tangent = CVector3();
            face.binormal = CVector3();
            const XMLVertex* corners[3] = {&vertices[face.a], &vertices[face.b], &vertices[face.c]};
            float positions[3][3];
            float texCoords[3][2];
            for (int k = 0; k < 3; ++k)
            {
                positions[k][0] = corners[k]->x;
                positions[k][1] = corners[k]->y;
                positions[k][2] = corners[k]->z;
                texCoords[k][0] = corners[k]->u0;
                texCoords[k][1] = corners[k]->v0;
            }
            float tangent[3] = {0.0f, 0.0f, 0.0f};
            float binormal[3] = {0.0f, 0.0f, 0.0f};
            ComputeTangentSpace(positions[0], positions[1], positions[2], texCoords[0],
                                texCoords[1], texCoords[2], tangent, binormal);
            face.tangent = CVector3(tangent[0], tangent[1], tangent[2]);
            face.binormal = CVector3(binormal[0], binormal[1], binormal[2]);
        }
    }
}

int CXMLModel::MaterialTexture(int materialIndex) const
{
    const XMLMaterial* material = FindMaterial(materialIndex);
    return material ? material->texture : XML_NO_TEXTURE;
}

int CXMLModel::HeightMapTexture(int parallaxMapIndex) const
{
    if (parallaxMapIndex < 0 || static_cast<size_t>(parallaxMapIndex) >= heightMaps.size())
    {
        return XML_NO_TEXTURE;
    }
    return heightMaps[parallaxMapIndex].texture;
}

const XMLMaterial* CXMLModel::FindMaterial(int materialIndex) const
{
    if (materialIndex < 0 || static_cast<size_t>(materialIndex) >= materials.size())
    {
        return nullptr;
    }
    return &materials[materialIndex];
}
