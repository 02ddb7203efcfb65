// GL-free model and picture checks: each file read by the reader its load will use, and judged by
// what it holds.
#include "viewer/ModelCheck.h"

#include "images/CBmpReader.h"
#include "images/CDdsReader.h"
#include "images/CDecodedImage.h"
#include "images/CJpegDecoder.h"
#include "images/CPcxReader.h"
#include "images/ImageFileKind.h"
#include "io/CByteReader.h"

#include <SDL/SDL.h>
#include <SDL/SDL_image.h>
#include <memory>
#include <sys/stat.h>

namespace
{
// Empty when path names a file with bytes in it; otherwise why not. Not only regular files: a
// pipe is read as the load would read it.
std::string FileProblem(const std::string& path)
{
    struct stat info;
    if (stat(path.c_str(), &info) != 0)
    {
        return "cannot read the file";
    }
    if (S_ISDIR(info.st_mode))
    {
        return "is a folder, not a file";
    }
    if (S_ISREG(info.st_mode) && info.st_size == 0)
    {
        return "the file is empty";
    }
    return std::string();
}

bool DecodesWithEngineReader(const char* path, CDecodedImage* (*decode)(CByteReader&, const char*))
{
    CByteReader reader;
    if (!reader.OpenFile(path))
    {
        return false;
    }
    std::unique_ptr<CDecodedImage> image(decode(reader, path));
    return image != nullptr;
}

// SDL's own decoders: the bitmaps the engine's reader leaves to SDL, and every other format.
bool DecodesWithSdl(const char* path, bool bitmap)
{
    SDL_Surface* surface = bitmap ? SDL_LoadBMP(path) : IMG_Load(path);
    if (!surface)
    {
        return false;
    }
    SDL_FreeSurface(surface);
    return true;
}

bool IsBitmapForOwnReader(const char* path)
{
    CByteReader reader;
    return reader.OpenFile(path) && IsDecodableBMP(reader);
}

bool Decodes(const char* path)
{
    switch (ImageFileKindOf(path))
    {
    case ImageFileKind::Bmp:
        // As the load does: the engine's reader for the bitmaps it takes, SDL's for the rest.
        return IsBitmapForOwnReader(path) ? DecodesWithEngineReader(path, DecodeBMP)
                                          : DecodesWithSdl(path, true);
    case ImageFileKind::Pcx:
        return DecodesWithEngineReader(path, DecodePCX);
    case ImageFileKind::Dds:
        return DecodesWithEngineReader(path, DecodeDDS);
    case ImageFileKind::Jpeg:
        return DecodesWithEngineReader(path, DecodeJPEG);
    case ImageFileKind::Other:
        break;
    }
    return DecodesWithSdl(path, false);
}
}  // namespace

bool CheckTexture(const std::string& path, std::string& reason)
{
    reason = FileProblem(path);
    if (!reason.empty())
    {
        return false;
    }
    if (!Decodes(path.c_str()))
    {
        reason = "not a picture the engine reads";
        return false;
    }
    return true;
}

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
