/// \file
/// The model kinds the engine reads, one row each: the file extension, the name messages use, the
/// GL-free check through the kind's base reader, the entity that draws it and how it is drawn.
/// Adding a kind is one row here plus its reader (src/base/models/) and entity (src/models/).
#ifndef KYREL_MODELKINDS_H
#define KYREL_MODELKINDS_H

#include <string>

class CEntity;
struct CRay;

/// What a model holds, counted from its file by the kind's base reader.
struct ModelCounts
{
    int objects = 0;     ///< key-frame models: frames
    int vertices = 0;    ///< of all objects (key-frame models: of one frame)
    int triangles = 0;   ///< of all objects (key-frame models: of one frame)
    int materials = 0;   ///< materials the file defines
    int animations = 0;  ///< key-frame models only
};

/// Everything any kind's load may need; each kind takes what it uses.
struct ModelSource
{
    const char* path = "";           ///< the model file
    const char* texturePath = "";    ///< MD2, OBJ: the one picture the caller gives ("" for none)
    const char* textureFolder = "";  ///< 3DS: joined as given with its material's file names
    bool swapAxes = false;           ///< 3DS: the file's z-up turned into the engine's y-up
};

/// One row of the model kind table: what the game object, the viewer and the converter need to
/// read, draw and describe a kind without naming its classes.
struct ModelKind
{
    int kind;               ///< the value CGameObject::GetKind reports
    const char* extension;  ///< lower case, without the dot
    const char* name;       ///< as messages name it: "not a readable OBJ model"
    /// True when the file reads as this kind; fills the counts.
    bool (*count)(const ModelSource& source, ModelCounts& counts);
    /// Creates the entity and loads the file into it; never null.
    CEntity* (*load)(const ModelSource& source);
    /// The entity's own draw for this kind, textures bound only when textured.
    void (*draw)(CEntity* entity, bool textured);
    void (*setAngle)(CEntity* entity, float angle);    ///< degrees; refreshes the world box
    void (*drawBoxes)(CEntity* entity);                ///< the kind's debug boxes as lines
    void (*intersectRay)(CEntity* entity, CRay* ray);  ///< null: rays pass through
    void (*setAnimation)(CEntity* entity, int index);  ///< null: not animated
    void (*setAnimationSpeed)(CEntity* entity, float framesPerSecond);  ///< null: not animated
    int cullFace;         ///< GL face culled while drawing; 0 leaves culling as it is
    bool alwaysTextured;  ///< draws its own textures whatever the pass asks
};

/// The row of a CGameObject kind; null for a value no row has.
const ModelKind* ModelKindOf(int kind);
/// The row named by the file's extension, whatever its letter case; null when none is.
const ModelKind* ModelKindFromPath(const std::string& path);
/// The extensions of every row, for messages: ".xml, .obj, .md2 or .3ds".
std::string ModelKindExtensions();

#endif
