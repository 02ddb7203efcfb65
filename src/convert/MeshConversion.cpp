// Mesh model to XML model: materials, one vertex per distinct (position, texture coordinate,
// material) corner, and the faces in the mesh's order.
#include "convert/MeshConversion.h"

#include <algorithm>
#include <unordered_map>

namespace
{
const char* const NO_MATERIAL_NAME = "default";
const int NO_OUTPUT = -1;

// A material colour byte as the float the mesh entities hand GL (glColor3ub).
float ColorFloat(unsigned char component)
{
    return static_cast<float>(component) / 255.0f;
}

XMLMaterial ConvertMaterial(const ModelMaterial* source, const MaterialPicture& picture)
{
    XMLMaterial material;
    material.name = source ? source->name : NO_MATERIAL_NAME;
    material.opacity = 1.0f;
    for (int k = 0; k < 3; ++k)
    {
        const float value = source ? ColorFloat(source->color[k]) : 1.0f;
        material.ambient[k] = value;
        material.diffuse[k] = value;
    }
    material.ambient[3] = 1.0f;
    material.diffuse[3] = 1.0f;
    material.specular[3] = 1.0f;
    material.textureFile = picture.fileName;
    return material;
}

// Gives each distinct corner of one part its vertex in the sub-object. Most corners of a part
// name a position with the same texture coordinate and material every time: the first pairing
// of each position is kept in a plain array, and only other pairings go to a hash map.
class CornerMap
{
public:
    CornerMap(size_t positions, std::vector<XMLVertex>& target) : first(positions), vertices(target)
    {
    }

    int Find(int position, int texCoord, int material, const XMLVertex& vertex)
    {
        Entry& entry = first[static_cast<size_t>(position)];
        if (entry.output == NO_OUTPUT)
        {
            entry = {texCoord, material, Add(vertex)};
            return entry.output;
        }
        if (entry.texCoord == texCoord && entry.material == material)
        {
            return entry.output;
        }
        const unsigned long long key =
            (static_cast<unsigned long long>(position) << 32) ^
            (static_cast<unsigned long long>(static_cast<unsigned int>(texCoord)) << 12) ^
            static_cast<unsigned long long>(static_cast<unsigned int>(material));
        std::vector<Entry>& list = others[key];
        for (const Entry& other : list)
        {
            if (other.texCoord == texCoord && other.material == material)
            {
                return other.output;
            }
        }
        list.push_back({texCoord, material, Add(vertex)});
        return list.back().output;
    }

private:
    struct Entry
    {
        int texCoord = 0;
        int material = 0;
        int output = NO_OUTPUT;
    };
    int Add(const XMLVertex& vertex)
    {
        vertices.push_back(vertex);
        return static_cast<int>(vertices.size() - 1);
    }

    std::vector<Entry> first;
    std::unordered_map<unsigned long long, std::vector<Entry>> others;
    std::vector<XMLVertex>& vertices;
};

// points: the part's own positions, or a key frame's (the frame shares the part's faces).
void ConvertPart(const CModelData& mesh, const ModelObject& part, const CVector3* points,
                 size_t pointCount, const MeshConversion& conversion, XMLSubObject& target)
{
    const bool sendTexCoords = !part.texCoords.empty() && (conversion.keyFrames || part.hasTexture);
    CornerMap corners(pointCount, target.vertices);
    // a, b, c; key-frame models a, c, b.
    const int order[3] = {0, conversion.keyFrames ? 2 : 1, conversion.keyFrames ? 1 : 2};
    for (size_t f = 0; f < part.faces.size(); ++f)
    {
        const ModelFace& face = part.faces[f];
        const int material = FaceMaterial(mesh, part, f);
        const MaterialPicture& picture = conversion.pictures[static_cast<size_t>(material)];
        const bool hasPicture = !picture.fileName.empty();
        const ModelMaterial* source = material < mesh.materialCount
                                          ? &mesh.materials[static_cast<size_t>(material)]
                                          : nullptr;
        int out[3];
        for (int k = 0; k < 3; ++k)
        {
            const int position = face.vertIndex[order[k]];
            const int texCoord = sendTexCoords ? face.coordIndex[order[k]] : -1;
            XMLVertex vertex;
            const CVector3& point = points[position];
            vertex.x = point.x;
            vertex.y = point.y;
            vertex.z = point.z;
            if (texCoord >= 0)
            {
                const ModelTexCoord& coord = part.texCoords[static_cast<size_t>(texCoord)];
                vertex.u0 = coord.u;
                vertex.v0 = picture.flipV ? 1.0f - coord.v : coord.v;
            }
            // Pictures show in their own colours; faces without one take their material's.
            const bool white = hasPicture || !source;
            vertex.r = white ? 1.0f : ColorFloat(source->color[0]);
            vertex.g = white ? 1.0f : ColorFloat(source->color[1]);
            vertex.b = white ? 1.0f : ColorFloat(source->color[2]);
            vertex.a = 1.0f;
            out[k] = corners.Find(position, texCoord, material, vertex);
        }
        XMLFace converted;
        converted.a = out[0];
        converted.b = out[1];
        converted.c = out[2];
        converted.materialIndex = material;
        converted.parallaxMapIndex = hasPicture ? picture.heightMap : XML_NO_INDEX;
        target.faces.push_back(converted);
    }
}
}  // namespace

int FaceMaterial(const CModelData& mesh, const ModelObject& part, size_t faceIndex)
{
    const int index =
        faceIndex < part.faceMaterials.size() ? part.faceMaterials[faceIndex] : part.materialIndex;
    return index >= 0 && index < mesh.materialCount ? index : mesh.materialCount;
}

CXMLModel ConvertMesh(const CModelData& mesh, const MeshConversion& conversion)
{
    CXMLModel model;
    model.name = conversion.modelName;
    for (int i = 0; i <= mesh.materialCount; ++i)
    {
        const ModelMaterial* source =
            i < mesh.materialCount ? &mesh.materials[static_cast<size_t>(i)] : nullptr;
        model.materials.push_back(
            ConvertMaterial(source, conversion.pictures[static_cast<size_t>(i)]));
    }
    for (const std::string& file : conversion.heightMapFiles)
    {
        XMLMaterial heightMap;
        heightMap.textureFile = file;
        model.heightMaps.push_back(heightMap);
    }
    model.subObjects.emplace_back();
    XMLSubObject& subObject = model.subObjects.back();
    subObject.name = conversion.modelName;
    subObject.relief = conversion.relief;
    subObject.orientationAxis = CVector3(0.0f, 1.0f, 0.0f);
    if (conversion.keyFrames)
    {
        const CKeyFrames& frames = mesh.keyFrames;
        if (!mesh.objects.empty() && frames.FrameCount() > 0)
        {
            const int frame = conversion.frame < frames.FrameCount() ? conversion.frame : 0;
            ConvertPart(mesh, mesh.objects[0], frames.Vertices(frame),
                        static_cast<size_t>(frames.VertexCount()), conversion, subObject);
        }
    }
    else
    {
        for (const ModelObject& part : mesh.objects)
        {
            ConvertPart(mesh, part, part.vertices.data(), part.vertices.size(), conversion,
                        subObject);
        }
    }
    // The white material for faces without one only where a face has none.
    const int noMaterial = mesh.materialCount;
    if (std::none_of(subObject.faces.begin(), subObject.faces.end(),
                     [noMaterial](const XMLFace& face)
                     { return face.materialIndex == noMaterial; }))
    {
        model.materials.pop_back();
    }
    subObject.vertexCount = static_cast<unsigned int>(subObject.vertices.size());
    subObject.faceCount = static_cast<unsigned int>(subObject.faces.size());
    model.materialCount = static_cast<unsigned int>(model.materials.size());
    model.heightMapCount = static_cast<unsigned int>(model.heightMaps.size());
    model.subObjectCount = 1;
    model.vertexCount = subObject.vertexCount;
    return model;
}
