// Image loading by file name: picks the engine's reader from substrings of the path, else hands
// the file to SDL_image. Also the SDL-based bitmap path used when anisotropic filtering is on.
#include "textures/CUtils.h"
#include "images/CBmpReader.h"
#include "images/CDecodedImage.h"
#include "images/ImageFileKind.h"
#include "io/CByteReader.h"
#include "io/FindFile.h"
#include "io/Report.h"
#include "platform/CGraphicsCore.h"
#include "textures/TextureUpload.h"

#include <SDL/SDL.h>
#include <SDL/SDL_image.h>
#include <cassert>
#include <cstring>
#include <iostream>
#include <memory>
#include <new>

namespace
{
const char* const MSG_IMAGE_LOAD_FAILED = "\nFailed to load the image: ";
const char* const MSG_LOADING_TEXTURE = "Loading Texture: ";
const char* const MSG_TEXTURE_FOUND_AS = "Texture %s found as %s\n";
const char* const MSG_SDL_BITMAP_FAILED = "Failed to load the image: ";
const char* const MSG_SDL_BITMAP_ERROR = ", Error: ";
const char* const MSG_SDL_DECODE_FAILED = " Failed loading ";
const char* const MSG_SDL_DECODE_SEPARATOR = " : ";

// Images are loaded once the engine is up, and the graphics core is up before anything loads.
bool AnisotropicFilteringInUse()
{
    assert(gGraphicsCore);
    return gGraphicsCore->IsAnisotropicFilteringOn();
}

// SDL_image surfaces are top row first, whatever the file stored (TGA of either origin too).
GLuint LoadWithSdlImage(const char* path, bool useAnisotropy, bool flipRows)
{
    SDL_Surface* surface = IMG_Load(path);
    if (!surface)
    {
        std::cout << MSG_IMAGE_LOAD_FAILED << path << std::endl;
        return 0;
    }
    CDecodedImage image;
    bool packed = PackSurfacePixels(surface, surface->format->Amask != 0, image);
    SDL_FreeSurface(surface);
    if (!packed)
    {
        std::cout << MSG_IMAGE_LOAD_FAILED << path << std::endl;
        return 0;
    }
    if (flipRows)
    {
        image.FlipRows();
    }
    return UploadTexture(image, SdlImageSampling(useAnisotropy, false));
}

// Reads the surface's pixel at (x, row) as a value of its own format, least significant byte
// first, as SDL stores pixels on this engine's little-endian targets.
Uint32 SurfacePixel(const SDL_Surface* surface, int x, int row)
{
    int bytesPerPixel = surface->format->BytesPerPixel;
    const Uint8* bytes = static_cast<const Uint8*>(surface->pixels) +
                         static_cast<size_t>(row) * surface->pitch +
                         static_cast<size_t>(x) * bytesPerPixel;
    Uint32 value = 0;
    for (int i = 0; i < bytesPerPixel; ++i)
    {
        value |= static_cast<Uint32>(bytes[i]) << (8 * i);
    }
    return value;
}

// The bitmap as the engine's reader decodes it, or null when the file does not open (SDL then
// says so in its own words) or the reader refuses it (after the reader's message).
std::unique_ptr<CDecodedImage> DecodeBitmapWithOwnReader(const char* path)
{
    CByteReader reader;
    if (!reader.OpenFile(path) || !IsDecodableBMP(reader) || !reader.Seek(0))
    {
        return nullptr;
    }
    return std::unique_ptr<CDecodedImage>(DecodeBMP(reader, path));
}
}  // namespace

GLuint CUtils::LoadImage(const char* path, ImageRowOrder rows)
{
    // BMP, PCX and DDS readers give their rows bottom first (DDS as stored); the others top first.
    const bool flipTopFirst = rows == ROWS_BOTTOM_FIRST;
    if (!path)
    {
        return 0;
    }
    bool useAnisotropy = AnisotropicFilteringInUse();
    switch (ImageFileKindOf(path))
    {
    case ImageFileKind::Bmp:
        return useAnisotropy ? LoadBitmapFiltered(path) : LoadBMP(path, false);
    case ImageFileKind::Pcx:
        return LoadPCX(path, useAnisotropy);
    case ImageFileKind::Dds:
        return LoadDDS(path);
    case ImageFileKind::Jpeg:
        return LoadJPEG(path, useAnisotropy, flipTopFirst);
    case ImageFileKind::Other:
        break;
    }
    return LoadWithSdlImage(path, useAnisotropy, flipTopFirst);
}

// SDL 1.2 takes the palette of 108- and 124-byte headers (ImageMagick's default) from the wrong
// place. The engine's reader gives the same pixels and rows as SDL for the files both read, so it
// decodes what it can; SDL keeps the rest (16-bit and bit-field files).
GLuint CUtils::LoadBitmapFiltered(const char* path)
{
    std::unique_ptr<CDecodedImage> image = DecodeBitmapWithOwnReader(path);
    if (!image)
    {
        return LoadBMPWithSDL(path);
    }
    std::cout << MSG_LOADING_TEXTURE << path << std::endl;
    return UploadTexture(*image, SdlImageSampling(true, true));
}

GLuint CUtils::LoadBMPWithSDL(const char* path)
{
    std::cout << MSG_LOADING_TEXTURE << path << std::endl;
    std::unique_ptr<SdlBitmap> bitmap(DecodeBMPWithSDL(path));
    if (!bitmap)
    {
        std::cout << MSG_SDL_BITMAP_FAILED << path << MSG_SDL_BITMAP_ERROR << SDL_GetError()
                  << std::endl;
        return 0;
    }
    // The record takes the bitmap's pixels over rather than copying them.
    CDecodedImage image;
    image.width = bitmap->width;
    image.height = bitmap->height;
    image.components = bitmap->components;
    image.format = bitmap->components == 4 ? IMAGE_FORMAT_RGBA : IMAGE_FORMAT_RGB;
    image.dataSize = static_cast<size_t>(bitmap->width) * bitmap->height * bitmap->components;
    image.data.reset(bitmap->data);
    bitmap->data = nullptr;
    return UploadTexture(image, SdlImageSampling(AnisotropicFilteringInUse(), true));
}

GLuint CUtils::LoadModelTexture(const std::string& asWritten, const std::string& folder,
                                ImageRowOrder rows, std::string* used)
{
    std::string path = FindTextureFile(asWritten, folder);
    if (path.empty())
    {
        path = asWritten;
    }
    if (used)
    {
        *used = path;
    }
    else if (path != asWritten)
    {
        Report(ReportStream::Out, MSG_TEXTURE_FOUND_AS, asWritten.c_str(), path.c_str());
    }
    return LoadImage(path.c_str(), rows);
}

CUtils::SdlBitmap* CUtils::DecodeBMPWithSDL(const char* path)
{
    SDL_RWops* stream = SDL_RWFromFile(path, "rb");
    SDL_Surface* surface = stream ? SDL_LoadBMP_RW(stream, 1) : nullptr;
    if (surface && !IsAcceptedImageSize(surface->w, surface->h))
    {
        SDL_FreeSurface(surface);
        surface = nullptr;
        SDL_SetError("image size out of range");
    }
    if (!surface)
    {
        std::cerr << MSG_SDL_DECODE_FAILED << path << MSG_SDL_DECODE_SEPARATOR << SDL_GetError()
                  << std::endl;
        return nullptr;
    }
    std::unique_ptr<SdlBitmap> bitmap(new SdlBitmap);
    bitmap->components = 3;
    bitmap->width = surface->w;
    bitmap->height = surface->h;
    bitmap->data = new unsigned char[static_cast<size_t>(surface->w) * surface->h * 3];
    SDL_LockSurface(surface);
    unsigned char* out = bitmap->data;
    // Rows are read through the surface's pitch, bottom row first.
    for (int row = surface->h - 1; row >= 0; --row)
    {
        for (int x = 0; x < surface->w; ++x)
        {
            SDL_GetRGB(SurfacePixel(surface, x, row), surface->format, out, out + 1, out + 2);
            out += 3;
        }
    }
    SDL_UnlockSurface(surface);
    SDL_FreeSurface(surface);
    return bitmap.release();
}
