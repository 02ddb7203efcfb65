// Reads a model file with the engine's readers before any window opens, so that a file the
// viewer cannot show is refused with one line instead of an empty window; also counts what the
// statistics panel shows.
#ifndef KYREL_VIEWER_MODELCHECK_H
#define KYREL_VIEWER_MODELCHECK_H

#include <string>

enum class ModelKind
{
    Unknown,
    Xml,
    Obj,
    Md2,
    ThreeDS
};

// The kind named by the file's extension, whatever its letter case.
ModelKind KindFromPath(const std::string& path);
const char* KindName(ModelKind kind);

struct ModelStats
{
    int objects = 0;  // MD2: key frames
    int vertices = 0;
    int triangles = 0;
    int materials = 0;
    int animations = 0;
};

// True when the file is a model of its kind with at least one triangle; otherwise why not.
bool CheckModel(ModelKind kind, const std::string& path, bool swapAxes, ModelStats& stats,
                std::string& reason);

#endif
