// Reading, picture placement and the all-or-nothing write of one conversion.
#include "convert/ModelConverter.h"

#include "convert/HeightMap.h"
#include "convert/MeshConversion.h"
#include "game/CGameObject.h"
#include "game/ModelKinds.h"
#include "images/CDecodedImage.h"
#include "io/FindFile.h"
#include "models/C3DSReader.h"
#include "models/CMD2Reader.h"
#include "models/CObjReader.h"
#include "models/XMLModelWriter.h"
#include "textures/CUtils.h"
#include "textures/TextureUpload.h"

#include <SDL/SDL_image.h>
#include <cstdio>
#include <filesystem>
#include <iostream>
#include <map>
#include <unistd.h>

namespace fs = std::filesystem;

namespace
{
const char* const HEIGHT_AUTO = "auto";
const char* const HEIGHT_SUFFIX = "_height.tga";
const char* const PARTIAL_SUFFIX = ".partial";

std::string BaseName(const std::string& path)
{
    const size_t slash = path.find_last_of("/\\");
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string Stem(const std::string& path)
{
    const std::string base = BaseName(path);
    const size_t dot = base.find_last_of('.');
    return dot == std::string::npos || dot == 0 ? base : base.substr(0, dot);
}

bool IsReadableFile(const std::string& path)
{
    std::error_code error;
    return fs::is_regular_file(path, error) && access(path.c_str(), R_OK) == 0;
}

// Copies source to target unless both are the same file already.
bool PlaceFile(const std::string& source, const std::string& target, std::string& error)
{
    std::error_code code;
    if (fs::exists(target, code) && fs::equivalent(source, target, code))
    {
        return true;
    }
    if (!fs::copy_file(source, target, fs::copy_options::overwrite_existing, code))
    {
        error = "cannot write " + target;
        return false;
    }
    return true;
}

// A colour map's height map, turned to the row order the engine will load its colour map in.
bool WriteAutoHeightMap(const std::string& picture, const std::string& target, float scale,
                        std::string& error)
{
    SDL_Surface* surface = IMG_Load(picture.c_str());
    CDecodedImage image;
    const bool packed = surface && PackSurfacePixels(surface, false, image);
    if (surface)
    {
        SDL_FreeSurface(surface);
    }
    if (!packed)
    {
        error = "cannot read the picture " + picture;
        return false;
    }
    HeightMap map =
        MakeHeightMap(image.data.get(), image.width, image.height, image.components, scale);
    // Pictures the engine keeps bottom row first put their first row at v = 0; the TGA, read top
    // row first, must then start with the colour map's last row.
    if (CUtils::KeepsRowOrder(picture.c_str()))
    {
        FlipHeightMapRows(map);
    }
    if (!WriteHeightMapTga(map, target))
    {
        error = "cannot write " + target;
        return false;
    }
    return true;
}

// The pictures of every material: found, placed beside the document, and given height maps.
class PicturePlacer
{
public:
    PicturePlacer(const ConvertOptions& convertOptions)
        : options(convertOptions), outputFolder(FolderOf(convertOptions.outputPath)),
          inputFolder(FolderOf(convertOptions.inputPath))
    {
    }

    bool Place(const CModelData& mesh, MeshConversion& conversion, std::string& error);

private:
    bool PlaceOne(const std::string& asWritten, MaterialPicture& picture,
                  MeshConversion& conversion, std::string& error);

    const ConvertOptions& options;
    std::string outputFolder;
    std::string inputFolder;
    // Each picture once, by the path it was found at: its entry in the document.
    std::map<std::string, MaterialPicture> placed;
};

bool PicturePlacer::Place(const CModelData& mesh, MeshConversion& conversion, std::string& error)
{
    if (!options.height.empty() && options.height != HEIGHT_AUTO)
    {
        if (!IsReadableFile(options.height))
        {
            error = "cannot read " + options.height;
            return false;
        }
        const std::string name = BaseName(options.height);
        if (!PlaceFile(options.height, outputFolder + name, error))
        {
            return false;
        }
        conversion.heightMapFiles.push_back(name);
    }
    conversion.pictures.resize(static_cast<size_t>(mesh.materialCount) + 1);
    for (int i = 0; i <= mesh.materialCount; ++i)
    {
        std::string asWritten = options.texturePath;
        if (asWritten.empty() && i < mesh.materialCount)
        {
            asWritten = mesh.materials[static_cast<size_t>(i)].textureFile;
        }
        if (!asWritten.empty() &&
            !PlaceOne(asWritten, conversion.pictures[static_cast<size_t>(i)], conversion, error))
        {
            return false;
        }
    }
    conversion.relief = !conversion.heightMapFiles.empty();
    return true;
}

bool PicturePlacer::PlaceOne(const std::string& asWritten, MaterialPicture& picture,
                             MeshConversion& conversion, std::string& error)
{
    const std::string found = options.texturePath.empty()
                                  ? FindTextureFile(asWritten, inputFolder)
                                  : (IsReadableFile(asWritten) ? asWritten : std::string());
    if (found.empty())
    {
        if (!options.texturePath.empty())
        {
            error = "cannot read " + asWritten;
            return false;
        }
        std::cerr << "kyrel-convert: " << options.inputPath << ": picture " << asWritten
                  << " not found; its material has no colour map" << std::endl;
        return true;
    }
    auto known = placed.find(found);
    if (known != placed.end())
    {
        picture = known->second;
        return true;
    }
    picture.fileName = BaseName(found);
    picture.flipV = !CUtils::KeepsRowOrder(picture.fileName.c_str());
    if (!PlaceFile(found, outputFolder + picture.fileName, error))
    {
        return false;
    }
    if (options.height == HEIGHT_AUTO)
    {
        const std::string name = Stem(found) + HEIGHT_SUFFIX;
        if (!WriteAutoHeightMap(found, outputFolder + name, options.heightScale, error))
        {
            return false;
        }
        conversion.heightMapFiles.push_back(name);
    }
    if (!conversion.heightMapFiles.empty())
    {
        picture.heightMap = static_cast<int>(conversion.heightMapFiles.size() - 1);
    }
    placed[found] = picture;
    return true;
}

// The whole document under a temporary name beside OUT, then renamed: a failed write leaves no
// partial document behind, and an old one stays as it was.
bool WriteDocument(const CXMLModel& model, const std::string& path, std::string& error)
{
    const std::string partial = path + PARTIAL_SUFFIX;
    if (SaveXMLModel(model, partial.c_str()) != XML_ERROR_NONE ||
        std::rename(partial.c_str(), path.c_str()) != 0)
    {
        std::remove(partial.c_str());
        error = "cannot write " + path;
        return false;
    }
    return true;
}
}  // namespace

bool ReadSourceMesh(const ConvertOptions& options, CModelData& mesh, bool& keyFrames,
                    std::string& error)
{
    const std::string& path = options.inputPath;
    const ModelKind* kind = ModelKindFromPath(path);
    keyFrames = kind && kind->kind == CGameObject::KIND_MD2;
    if (!kind || kind->kind == CGameObject::KIND_XML)
    {
        error = path + ": not a model to convert (expected .obj, .md2 or .3ds)";
        return false;
    }
    if (!IsReadableFile(path))
    {
        error = "cannot read " + path;
        return false;
    }
    bool read = false;
    if (kind->kind == CGameObject::KIND_OBJ)
    {
        read = CObjReader().Load(&mesh, path.c_str());
    }
    else if (keyFrames)
    {
        read = CMD2Reader().Load(&mesh, path.c_str(), nullptr);
    }
    else
    {
        read = C3DSReader().Load(&mesh, path.c_str(), options.swapAxes ? 1 : 0);
    }
    size_t faces = 0;
    for (const ModelObject& part : mesh.objects)
    {
        faces += part.faces.size();
    }
    if (!read || faces == 0)
    {
        error = path + ": not a readable " + kind->name + " model";
        return false;
    }
    if (keyFrames && static_cast<size_t>(options.frame) >= mesh.objects.size())
    {
        error = path + ": no frame " + std::to_string(options.frame) + " (the model has " +
                std::to_string(mesh.objects.size()) + ")";
        return false;
    }
    return true;
}

bool ConvertModelFile(const ConvertOptions& options, std::string& error)
{
    CModelData mesh;
    MeshConversion conversion;
    if (!ReadSourceMesh(options, mesh, conversion.keyFrames, error))
    {
        return false;
    }
    conversion.frame = options.frame;
    conversion.modelName = Stem(options.inputPath);
    PicturePlacer placer(options);
    if (!placer.Place(mesh, conversion, error))
    {
        return false;
    }
    return WriteDocument(ConvertMesh(mesh, conversion), options.outputPath, error);
}
