// Uploads of the pictures the engine's own readers decode.
#include "textures/TextureUpload.h"

#include "images/CBmpReader.h"
#include "images/CDdsReader.h"
#include "images/CDecodedImage.h"
#include "images/CJpegDecoder.h"
#include "images/CPcxReader.h"

#include <GL/glu.h>
#include <algorithm>
#include <cstdint>
#include <memory>

static_assert(IMAGE_FORMAT_RGB == GL_RGB && IMAGE_FORMAT_RGBA == GL_RGBA &&
                  IMAGE_FORMAT_DXT1 == GL_COMPRESSED_RGBA_S3TC_DXT1_EXT &&
                  IMAGE_FORMAT_DXT3 == GL_COMPRESSED_RGBA_S3TC_DXT3_EXT &&
                  IMAGE_FORMAT_DXT5 == GL_COMPRESSED_RGBA_S3TC_DXT5_EXT,
              "decoded formats are handed to GL unchanged");

GLuint UploadDecodedImage(CDecodedImage* image, bool useAnisotropy)
{
    std::unique_ptr<CDecodedImage> owned(image);
    if (!image || !image->data)
    {
        return 0;
    }
    glGenTextures(1, &image->textureName);
    glBindTexture(GL_TEXTURE_2D, image->textureName);
    if (useAnisotropy)
    {
        GLfloat maximumAnisotropy = 1.0f;
        glGetFloatv(GL_MAX_TEXTURE_MAX_ANISOTROPY_EXT, &maximumAnisotropy);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_REPEAT);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_REPEAT);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
        glTexParameterf(GL_TEXTURE_2D, GL_TEXTURE_MAX_ANISOTROPY_EXT, maximumAnisotropy);
    }
    else
    {
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR_MIPMAP_LINEAR);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    }
    // Rows are packed R, G, B with no padding; GL's default alignment of 4 would skew every
    // picture whose width * 3 is not a multiple of 4 and read past the buffer's end.
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    glTexImage2D(GL_TEXTURE_2D, 0, image->components, image->width, image->height, 0, image->format,
                 GL_UNSIGNED_BYTE, image->data.get());
    gluBuild2DMipmaps(GL_TEXTURE_2D, image->components, image->width, image->height, image->format,
                      GL_UNSIGNED_BYTE, image->data.get());
    return image->textureName;
}

void DeleteTexture(GLuint textureName)
{
    glDeleteTextures(1, &textureName);
}

GLuint LoadBMP(const char* path, bool useAnisotropy)
{
    return UploadDecodedImage(DecodeBMP(path), useAnisotropy);
}

GLuint LoadPCX(const char* path, bool useAnisotropy)
{
    return UploadDecodedImage(DecodePCX(path), useAnisotropy);
}

GLuint LoadDDS(const char* path)
{
    std::unique_ptr<CDecodedImage> image(DecodeDDS(path));
    if (!image || !image->data)
    {
        return 0;
    }
    glGenTextures(1, &image->textureName);
    glBindTexture(GL_TEXTURE_2D, image->textureName);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR_MIPMAP_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    int blockBytes = DdsBlockBytes(image->format);
    int width = image->width;
    int height = image->height;
    size_t offset = 0;
    for (int level = 0; level < image->mipmapCount; ++level)
    {
        size_t size = DdsLevelSize(width, height, blockBytes);
        if (size > image->dataSize - offset)
        {
            break;
        }
        glCompressedTexImage2D(GL_TEXTURE_2D, level, image->format, width, height, 0,
                               static_cast<GLsizei>(size), image->data.get() + offset);
        width = std::max(width / 2, 1);
        height = std::max(height / 2, 1);
        offset += size;
    }
    return image->textureName;
}

GLuint LoadJPEG(const char* path, bool useAnisotropy)
{
    int width = 0;
    int height = 0;
    uint8_t* pixels = DecodeJPEG(path, width, height);
    if (!pixels)
    {
        return 0;
    }
    GLuint textureName = 0;
    glGenTextures(1, &textureName);
    glBindTexture(GL_TEXTURE_2D, textureName);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_REPEAT);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_REPEAT);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR_MIPMAP_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    if (useAnisotropy)
    {
        GLfloat maxAnisotropy = 0.0f;
        glGetFloatv(GL_MAX_TEXTURE_MAX_ANISOTROPY_EXT, &maxAnisotropy);
        glTexParameterf(GL_TEXTURE_2D, GL_TEXTURE_MAX_ANISOTROPY_EXT, maxAnisotropy);
    }
    // Row 0 of the texture is the top row of the picture.
    gluBuild2DMipmaps(GL_TEXTURE_2D, 4, width, height, GL_RGBA, GL_UNSIGNED_BYTE, pixels);
    delete[] pixels;
    return textureName;
}
