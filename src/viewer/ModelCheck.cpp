// GL-free model check: the file read by its kind's base reader, counted, and judged by what it holds.
#include "viewer/ModelCheck.h"

#include <sys/stat.h>

bool CheckModel(const ModelKind* kind, const std::string& path, bool swapAxes, ModelStats& stats,
                std::string& reason)
{
    stats = ModelStats();
    if (!kind)
    {
        reason = "not a model file (expected " + ModelKindExtensions() + ")";
        return false;
    }
    struct stat info;
    if (stat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode))
    {
        reason = "cannot read the file";
        return false;
    }
    if (info.st_size == 0)
    {
        reason = "the file is empty";
        return false;
    }
    ModelSource source;
    source.path = path.c_str();
    source.swapAxes = swapAxes;
    if (!kind->count(source, stats) || stats.triangles == 0)
    {
        reason = std::string("not a readable ") + kind->name + " model";
        return false;
    }
    return true;
}
