// Turns a CXMLModel into the element tree of its document and writes it.
#include "models/XMLModelWriter.h"

#include <charconv>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>

namespace
{
const char* const COLOR_NAMES[3] = {"ambient", "diffuse", "specular"};
const char* const COMPONENT_NAMES[4] = {"r", "g", "b", "a"};

// Same bits, so that -0 and 0 count as different and a NaN as itself.
bool ReadsBackAs(const char* text, float value)
{
    const float back = XmlModelFloat(text);
    uint32_t backBits = 0;
    uint32_t valueBits = 0;
    std::memcpy(&backBits, &back, sizeof back);
    std::memcpy(&valueBits, &value, sizeof value);
    return backBits == valueBits;
}

void AddFloat(CXmlElement& element, const char* name, float value)
{
    char text[MODEL_FLOAT_TEXT_SIZE];
    FormatModelFloat(value, text);
    element.AddAttribute(name, text);
}

void AddInt(CXmlElement& element, const char* name, long long value)
{
    char text[MODEL_FLOAT_TEXT_SIZE];
    *std::to_chars(text, text + sizeof text - 1, value).ptr = '\0';
    element.AddAttribute(name, text);
}

void AddMaterial(CXmlElement& modelElement, const XMLMaterial& material)
{
    CXmlElement element = modelElement.AddChild("material");
    element.AddAttribute("name", material.name.c_str());
    AddFloat(element, "opacity", material.opacity);
    const float* colors[3] = {material.ambient, material.diffuse, material.specular};
    for (int c = 0; c < 3; ++c)
    {
        CXmlElement color = element.AddChild(COLOR_NAMES[c]);
        for (int k = 0; k < 4; ++k)
        {
            AddFloat(color, COMPONENT_NAMES[k], colors[c][k]);
        }
    }
    if (!material.textureFile.empty())
    {
        element.AddChild("texture").AddAttribute("colormap", material.textureFile.c_str());
    }
}

void AddHeightMap(CXmlElement& modelElement, const XMLMaterial& heightMap)
{
    CXmlElement element = modelElement.AddChild("parallaxmap");
    if (!heightMap.textureFile.empty())
    {
        element.AddChild("texture").AddAttribute("heightmap", heightMap.textureFile.c_str());
    }
}

void AddVertex(CXmlElement& objectElement, const XMLVertex& vertex)
{
    CXmlElement element = objectElement.AddChild("vertex");
    AddFloat(element, "x", vertex.x);
    AddFloat(element, "y", vertex.y);
    AddFloat(element, "z", vertex.z);
    if (vertex.u0 != XML_NO_TEXCOORD)
    {
        AddFloat(element, "u0", vertex.u0);
    }
    AddFloat(element, "v0", vertex.v0);
    const char* const spareNames[6] = {"u1", "v1", "u2", "v2", "u3", "v3"};
    const float spare[6] = {vertex.u1, vertex.v1, vertex.u2, vertex.v2, vertex.u3, vertex.v3};
    for (int k = 0; k < 6; ++k)
    {
        if (spare[k] != 0.0f)
        {
            AddFloat(element, spareNames[k], spare[k]);
        }
    }
    AddFloat(element, "r", vertex.r);
    AddFloat(element, "g", vertex.g);
    AddFloat(element, "b", vertex.b);
    AddFloat(element, "a", vertex.a);
}

void AddFace(CXmlElement& objectElement, const XMLFace& face)
{
    CXmlElement element = objectElement.AddChild("face");
    AddInt(element, "a", face.a);
    AddInt(element, "b", face.b);
    AddInt(element, "c", face.c);
    if (face.IsQuad())
    {
        AddInt(element, "d", face.d);
    }
    if (face.materialIndex != XML_NO_INDEX)
    {
        AddInt(element, "materialindex", face.materialIndex);
    }
    if (face.parallaxMapIndex != XML_NO_INDEX)
    {
        AddInt(element, "parallaxmapindex", face.parallaxMapIndex);
    }
}

void AddSubObject(CXmlElement& modelElement, const XMLSubObject& subObject)
{
    CXmlElement element = modelElement.AddChild("object");
    if (!subObject.name.empty())
    {
        element.AddAttribute("name", subObject.name.c_str());
    }
    if (subObject.relief)
    {
        element.AddAttribute(XML_RELIEF_ATTRIBUTE, "1");
    }
    AddInt(element, "numvertices", static_cast<long long>(subObject.vertices.size()));
    AddInt(element, "numfaces", static_cast<long long>(subObject.faces.size()));
    CXmlElement position = element.AddChild("position");
    AddFloat(position, "x", subObject.position.x);
    AddFloat(position, "y", subObject.position.y);
    AddFloat(position, "z", subObject.position.z);
    CXmlElement orientation = element.AddChild("orientation");
    AddFloat(orientation, "angle", subObject.orientationAngle);
    AddFloat(orientation, "x", subObject.orientationAxis.x);
    AddFloat(orientation, "y", subObject.orientationAxis.y);
    AddFloat(orientation, "z", subObject.orientationAxis.z);
    for (const XMLVertex& vertex : subObject.vertices)
    {
        AddVertex(element, vertex);
    }
    for (const XMLFace& face : subObject.faces)
    {
        AddFace(element, face);
    }
}
}  // namespace

// The shortest text for a float may still round differently once read as a double and then
// narrowed (two roundings); nine significant digits, then seventeen, settle those rare values.
void FormatModelFloat(float value, char (&text)[MODEL_FLOAT_TEXT_SIZE])
{
    std::to_chars_result result = std::to_chars(text, text + MODEL_FLOAT_TEXT_SIZE - 1, value);
    *result.ptr = '\0';
    if (ReadsBackAs(text, value))
    {
        return;
    }
    std::snprintf(text, MODEL_FLOAT_TEXT_SIZE, "%.9g", static_cast<double>(value));
    if (!ReadsBackAs(text, value))
    {
        std::snprintf(text, MODEL_FLOAT_TEXT_SIZE, "%.17g", static_cast<double>(value));
    }
}

CXmlElement BuildModelDocument(const CXMLModel& model)
{
    const std::string emptyRoot = std::string("<") + XML_MODEL_ROOT_TAG + "/>";
    CXmlElement root = ParseText(emptyRoot.c_str());
    CXmlElement modelElement = root.AddChild("model");
    modelElement.AddAttribute("name", model.name.c_str());
    AddInt(modelElement, "numsubobjects", static_cast<long long>(model.subObjects.size()));
    AddInt(modelElement, "nummaterials", static_cast<long long>(model.materials.size()));
    AddInt(modelElement, "numofparallaxmap", static_cast<long long>(model.heightMaps.size()));
    for (const XMLMaterial& material : model.materials)
    {
        AddMaterial(modelElement, material);
    }
    for (const XMLMaterial& heightMap : model.heightMaps)
    {
        AddHeightMap(modelElement, heightMap);
    }
    for (const XMLSubObject& subObject : model.subObjects)
    {
        AddSubObject(modelElement, subObject);
    }
    return root;
}

XmlError SaveXMLModel(const CXMLModel& model, const char* path)
{
    return BuildModelDocument(model).SaveToFile(path);
}
