/// \file
/// The engine's own model format in memory: materials with colour maps, a list of height maps, and
/// sub-objects of explicit vertices and triangle or quad faces, with per-face normal and tangent frame.
#ifndef KYREL_CXMLMODEL_H
#define KYREL_CXMLMODEL_H

#include "math/CVector3.h"

#include <functional>
#include <string>
#include <vector>

class CXmlElement;

/// Root element of a model document.
extern const char* const XML_MODEL_ROOT_TAG;
/// u0 of a vertex that has no texture coordinate.
const float XML_NO_TEXCOORD = -1.0f;
/// Texture of a material or height map without a picture; also what drawing uses for a face whose
/// material or height-map index falls outside its list.
const int XML_NO_TEXTURE = -1;
/// d of a triangle; material and height-map index of a face that names none.
const int XML_NO_INDEX = -1;

/// One record type serves materials and height maps; a height map uses only textureFile and texture.
struct XMLMaterial
{
    std::string name;         ///< as the document names it
    std::string textureFile;  ///< empty when the document names no picture
    /// RGBA, 0..1 as the document gives them.
    ///@{
    float ambient[4] = {0.0f, 0.0f, 0.0f, 0.0f};
    float diffuse[4] = {0.0f, 0.0f, 0.0f, 0.0f};
    float specular[4] = {0.0f, 0.0f, 0.0f, 0.0f};
    ///@}
    int texture = XML_NO_TEXTURE;  ///< GL texture name; 0 when the picture failed to load
    float opacity = 0.0f;          ///< 0..1, stored as read
};

/// 17 floats; the shadow volume reuses this layout for its own vertex records.
struct XMLVertex
{
    /// Position in the model's space.
    ///@{
    float x = 0.0f, y = 0.0f, z = 0.0f;
    ///@}
    /// Four texture coordinate sets; drawing reads set 0 for the colour and height maps.
    ///@{
    float u0 = XML_NO_TEXCOORD, v0 = 0.0f;
    float u1 = 0.0f, v1 = 0.0f;
    float u2 = 0.0f, v2 = 0.0f;
    float u3 = 0.0f, v3 = 0.0f;
    ///@}
    float reserved[2] = {0.0f, 0.0f};  ///< kept for the layout; nothing reads them
    /// Vertex colour, RGBA 0..1.
    ///@{
    float r = 0.0f, g = 0.0f, b = 0.0f, a = 0.0f;
    ///@}

    /// (x, y, z) as a vector.
    CVector3 Position() const { return CVector3(x, y, z); }
};

/// A triangle a-b-c, or a quad a-b-c-d, with its material, height map and tangent frame.
struct XMLFace
{
    /// 0-based into the owning sub-object's vertices; every index of a loaded face is valid.
    ///@{
    int a = 0, b = 0, c = 0;
    ///@}
    int d = XML_NO_INDEX;                 ///< a quad a-b-c-d when not XML_NO_INDEX
    int materialIndex = XML_NO_INDEX;     ///< into CXMLModel::materials
    int reserved[3] = {0, 0, 0};          ///< kept for the layout; nothing reads them
    int parallaxMapIndex = XML_NO_INDEX;  ///< into CXMLModel::heightMaps
    CVector3 normal;                      ///< from a, b, c, computed while loading
    CVector3 tangent;                     ///< zero until BuildTangentFrames
    CVector3 binormal;                    ///< zero until BuildTangentFrames

    /// True for a quad (d is set).
    bool IsQuad() const { return d != XML_NO_INDEX; }
};

/// Starting corners of every box: a box that saw no vertex keeps them, its minimum above its maximum.
const float XML_BOX_START = 1000000.0f;

/// One sub-object of a model: its own vertices and the faces that index them.
struct XMLSubObject
{
    /// Counts of the records actually held (the document's counts when they match its elements).
    ///@{
    unsigned int vertexCount = 0;
    unsigned int faceCount = 0;
    ///@}
    std::string name;                 ///< empty when the object has none
    std::vector<XMLVertex> vertices;  ///< vertexCount records
    std::vector<XMLFace> faces;       ///< faceCount records
    /// Stored only: drawing uses the vertices as they are, in the model's space.
    ///@{
    CVector3 position;
    float orientationAngle = 0.0f;  ///< degrees
    CVector3 orientationAxis;
    ///@}
    /// Box of the sub-object's vertices (see XML_BOX_START for an empty one).
    ///@{
    CVector3 boundsMin = CVector3(XML_BOX_START, XML_BOX_START, XML_BOX_START);
    CVector3 boundsMax = CVector3(-XML_BOX_START, -XML_BOX_START, -XML_BOX_START);
    ///@}
    CVector3 center;  ///< not computed
};

/// A model of the engine's own XML format (root element KyrelModelFormat), as CKObject draws it.
///
/// Holds no GL objects of its own beyond the texture names loadImage returned; those are not
/// released with the model.
class CXMLModel
{
public:
    /// Turns an image path, exactly as the document writes it, into a GL texture name (0 on failure).
    using ImageLoader = std::function<unsigned int(const char* path)>;

    /// Reads the document at path, loading every picture through loadImage, and returns this
    /// model. A document that cannot be parsed ends the process in the XML reader; one that lacks
    /// required attributes is read to its end, all messages printed, and gives null.
    CXMLModel* Load(const char* path, const ImageLoader& loadImage);

    /// Fills the model from a parsed document (its root element); path is only stored. Prints the
    /// reader's messages and returns false when any required attribute was missing.
    bool ReadDocument(const CXmlElement& root, const char* path, const ImageLoader& loadImage);

    /// Tangent and binormal of every face from the positions and (u0, v0) of its a, b, c.
    void BuildTangentFrames();

    /// Texture of the material or height map an index selects; XML_NO_TEXTURE outside the list.
    ///@{
    int MaterialTexture(int materialIndex) const;
    int HeightMapTexture(int parallaxMapIndex) const;
    ///@}
    /// The material an index selects, or none outside the list.
    const XMLMaterial* FindMaterial(int materialIndex) const;

    std::string name;  ///< the root element's name attribute
    std::string path;  ///< the document's path as Load was given it
    /// Sizes of the three lists: the document's counts when they match its elements.
    ///@{
    unsigned int subObjectCount = 0;
    unsigned int materialCount = 0;
    unsigned int heightMapCount = 0;
    ///@}
    std::vector<XMLMaterial> materials;    ///< indexed by XMLFace::materialIndex
    std::vector<XMLSubObject> subObjects;  ///< drawn in this order
    std::vector<XMLMaterial> heightMaps;   ///< indexed by XMLFace::parallaxMapIndex
    /// Box of every vertex of the model (see XML_BOX_START for an empty one).
    ///@{
    CVector3 boundsMin = CVector3(XML_BOX_START, XML_BOX_START, XML_BOX_START);
    CVector3 boundsMax = CVector3(-XML_BOX_START, -XML_BOX_START, -XML_BOX_START);
    ///@}
    CVector3 center;               ///< not computed
    unsigned int vertexCount = 0;  ///< vertices of all sub-objects
};

#endif
