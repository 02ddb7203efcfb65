// The upload of decoded pictures: texture name, sampling parameters, then the pixel levels.
#include "textures/TextureUpload.h"

#include "images/CBmpReader.h"
#include "images/CDdsReader.h"
#include "images/CDecodedImage.h"
#include "images/CJpegDecoder.h"
#include "images/CPcxReader.h"

#include <SDL/SDL.h>
#include <GL/glu.h>
#include <algorithm>
#include <cstring>
#include <memory>
#include <new>

static_assert(IMAGE_FORMAT_RGB == GL_RGB && IMAGE_FORMAT_RGBA == GL_RGBA &&
                  IMAGE_FORMAT_DXT1 == GL_COMPRESSED_RGBA_S3TC_DXT1_EXT &&
                  IMAGE_FORMAT_DXT3 == GL_COMPRESSED_RGBA_S3TC_DXT3_EXT &&
                  IMAGE_FORMAT_DXT5 == GL_COMPRESSED_RGBA_S3TC_DXT5_EXT,
              "decoded formats are handed to GL unchanged");

namespace
{
void SetSampling(const CTextureSampling& sampling)
{
    if (sampling.repeat)
    {
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_REPEAT);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_REPEAT);
    }
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, sampling.minFilter);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    // Anisotropic filtering picks among mip levels; on a linear-only minification it adds
    // nothing a viewer sees, while a software renderer (Mesa's llvmpipe) then probes level 0
    // without bound and takes seconds over one frame of a minified model.
    const bool mipmapped = sampling.minFilter != GL_LINEAR && sampling.minFilter != GL_NEAREST;
    if (sampling.maxAnisotropy && mipmapped)
    {
        GLfloat maximumAnisotropy = 1.0f;
        glGetFloatv(GL_MAX_TEXTURE_MAX_ANISOTROPY_EXT, &maximumAnisotropy);
        glTexParameterf(GL_TEXTURE_2D, GL_TEXTURE_MAX_ANISOTROPY_EXT, maximumAnisotropy);
    }
}

// One call per level the record holds in full, level 0 first.
void UploadCompressedLevels(const CDecodedImage& image)
{
    int blockBytes = DdsBlockBytes(image.format);
    int width = image.width;
    int height = image.height;
    size_t offset = 0;
    for (int level = 0; level < image.mipmapCount; ++level)
    {
        size_t size = DdsLevelSize(width, height, blockBytes);
        if (size > image.dataSize - offset)
        {
            break;
        }
        glCompressedTexImage2D(GL_TEXTURE_2D, level, image.format, width, height, 0,
                               static_cast<GLsizei>(size), image.data.get() + offset);
        width = std::max(width / 2, 1);
        height = std::max(height / 2, 1);
        offset += size;
    }
}

void UploadPixels(const CDecodedImage& image, const CTextureSampling& sampling)
{
    GLint internalFormat =
        sampling.componentsAsInternalFormat ? image.components : static_cast<GLint>(image.format);
    // Rows are packed with no padding; GL's default alignment of 4 would skew every picture whose
    // row is not a multiple of 4 bytes long and read past the buffer's end. The caller's
    // alignment is put back for whatever it uploads next.
    GLint savedAlignment = 4;
    glGetIntegerv(GL_UNPACK_ALIGNMENT, &savedAlignment);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    if (sampling.levels != BUILT_MIPS)
    {
        glTexImage2D(GL_TEXTURE_2D, 0, internalFormat, image.width, image.height, 0, image.format,
                     GL_UNSIGNED_BYTE, image.data.get());
    }
    if (sampling.levels != LEVEL_ZERO_ONLY)
    {
        gluBuild2DMipmaps(GL_TEXTURE_2D, internalFormat, image.width, image.height, image.format,
                          GL_UNSIGNED_BYTE, image.data.get());
    }
    glPixelStorei(GL_UNPACK_ALIGNMENT, savedAlignment);
}

// Decodes a file and uploads it as sampling describes; 0 after the reader's message.
GLuint LoadImageFile(const char* path, ImageDecoder decode, const CTextureSampling& sampling,
                     bool flipRows = false)
{
    std::unique_ptr<CDecodedImage> image(DecodeImageFile(path, decode));
    if (image && flipRows)
    {
        image->FlipRows();
    }
    return image ? UploadTexture(*image, sampling) : 0;
}
}  // namespace

CTextureSampling DecodedImageSampling(bool useAnisotropy)
{
    if (useAnisotropy)
    {
        return {true, GL_LINEAR, true, LEVEL_ZERO_AND_BUILT_MIPS, true};
    }
    return {false, GL_LINEAR_MIPMAP_LINEAR, false, LEVEL_ZERO_AND_BUILT_MIPS, true};
}

CTextureSampling JpegSampling(bool useAnisotropy)
{
    return {true, GL_LINEAR_MIPMAP_LINEAR, useAnisotropy, BUILT_MIPS, true};
}

CTextureSampling SdlImageSampling(bool useAnisotropy, bool componentsAsInternalFormat)
{
    return {true, GL_LINEAR, useAnisotropy, BUILT_MIPS, componentsAsInternalFormat};
}

GLuint UploadTexture(CDecodedImage& image, const CTextureSampling& sampling)
{
    if (!image.data)
    {
        return 0;
    }
    glGenTextures(1, &image.textureName);
    glBindTexture(GL_TEXTURE_2D, image.textureName);
    SetSampling(sampling);
    if (sampling.levels == STORED_COMPRESSED_LEVELS)
    {
        UploadCompressedLevels(image);
    }
    else
    {
        UploadPixels(image, sampling);
    }
    return image.textureName;
}

GLuint UploadDecodedImage(CDecodedImage* image, bool useAnisotropy)
{
    std::unique_ptr<CDecodedImage> owned(image);
    return image ? UploadTexture(*image, DecodedImageSampling(useAnisotropy)) : 0;
}

void DeleteTexture(GLuint textureName)
{
    glDeleteTextures(1, &textureName);
}

GLuint LoadBMP(const char* path, bool useAnisotropy)
{
    return UploadDecodedImage(DecodeImageFile(path, DecodeBMP), useAnisotropy);
}

GLuint LoadPCX(const char* path, bool useAnisotropy)
{
    return UploadDecodedImage(DecodeImageFile(path, DecodePCX), useAnisotropy);
}

GLuint LoadDDS(const char* path)
{
    return LoadImageFile(path, DecodeDDS, DDS_SAMPLING);
}

GLuint LoadJPEG(const char* path, bool useAnisotropy, bool flipRows)
{
    // Row 0 of the texture is the top row of the picture unless flipped.
    return LoadImageFile(path, DecodeJPEG, JpegSampling(useAnisotropy), flipRows);
}

bool PackSurfacePixels(SDL_Surface* surface, bool withAlpha, CDecodedImage& image)
{
#if SDL_BYTEORDER == SDL_LIL_ENDIAN
    const Uint32 redMask = 0x000000FF, greenMask = 0x0000FF00, blueMask = 0x00FF0000;
    const Uint32 alphaMask = withAlpha ? 0xFF000000 : 0;
#else
    const Uint32 redMask = withAlpha ? 0xFF000000 : 0x00FF0000;
    const Uint32 greenMask = withAlpha ? 0x00FF0000 : 0x0000FF00;
    const Uint32 blueMask = withAlpha ? 0x0000FF00 : 0x000000FF;
    const Uint32 alphaMask = withAlpha ? 0x000000FF : 0;
#endif
    int bytesPerPixel = withAlpha ? 4 : 3;
    SDL_Surface* layout = SDL_CreateRGBSurface(SDL_SWSURFACE, 1, 1, bytesPerPixel * 8, redMask,
                                               greenMask, blueMask, alphaMask);
    if (!layout)
    {
        return false;
    }
    SDL_Surface* converted = SDL_ConvertSurface(surface, layout->format, SDL_SWSURFACE);
    SDL_FreeSurface(layout);
    if (!converted)
    {
        return false;
    }
    size_t rowBytes = static_cast<size_t>(converted->w) * bytesPerPixel;
    image.width = converted->w;
    image.height = converted->h;
    image.format = withAlpha ? IMAGE_FORMAT_RGBA : IMAGE_FORMAT_RGB;
    image.components = bytesPerPixel;
    image.dataSize = rowBytes * static_cast<size_t>(converted->h);
    image.data.reset(new (std::nothrow) unsigned char[image.dataSize]);
    if (image.data)
    {
        SDL_LockSurface(converted);
        const unsigned char* source = static_cast<const unsigned char*>(converted->pixels);
        for (int row = 0; row < converted->h; ++row)
        {
            memcpy(image.data.get() + row * rowBytes, source + row * converted->pitch, rowBytes);
        }
        SDL_UnlockSurface(converted);
    }
    SDL_FreeSurface(converted);
    return image.data != nullptr;
}
