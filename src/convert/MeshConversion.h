// Turns a mesh model as the OBJ, MD2 and 3DS readers give it into the engine's own XML model:
// one sub-object holding every face, vertices with positions, texture coordinates and colours,
// materials with their colours and colour maps, and optionally height maps with relief.
#ifndef KYREL_CONVERT_MESHCONVERSION_H
#define KYREL_CONVERT_MESHCONVERSION_H

#include "models/CModelData.h"
#include "models/CXMLModel.h"

#include <string>
#include <vector>

// What the conversion needs to know of each material's colour map.
struct MaterialPicture
{
    std::string fileName;  // as the document names it (beside the document); empty: none
    // True when the XML model's picture loading gives the rows in the other order from the mesh
    // entities' (top row first, where they ask for the bottom row first): v becomes 1 - v.
    bool flipV = false;
    int heightMap = XML_NO_INDEX;  // index into the document's height maps
};

struct MeshConversion
{
    std::string modelName;
    // One frame of a key-frame model (MD2): positions from that frame, faces and texture
    // coordinates from the first, corners written a, c, b so that faces turn the way the
    // engine's other models do.
    bool keyFrames = false;
    int frame = 0;
    // One per material of the mesh, plus a last one for faces without a material.
    std::vector<MaterialPicture> pictures;
    std::vector<std::string> heightMapFiles;
    bool relief = false;
};

// Index of the material a face of part uses: its own, the part's, or the extra last material
// (count) for none.
int FaceMaterial(const CModelData& mesh, const ModelObject& part, size_t faceIndex);

// The XML model of mesh: its materials in their order, and after them a white one when some
// faces have no material.
CXMLModel ConvertMesh(const CModelData& mesh, const MeshConversion& conversion);

#endif
