// Shared upload of decoded BMP and PCX pictures, and the size limits every reader applies.
#include "textures/CDecodedImage.h"
#include "core/CByteReader.h"

#include <GL/glu.h>
#include <cstdint>
#include <cstdio>

namespace
{
const char* const MSG_COULDNT_OPEN = "error: couldn't open \"%s\"!\n";
}

void CDecodedImage::AllocateRgb(int pictureWidth, int pictureHeight)
{
    width = pictureWidth;
    height = pictureHeight;
    dataSize = static_cast<size_t>(pictureWidth) * static_cast<size_t>(pictureHeight) * 3;
    data.reset(new unsigned char[dataSize]);
}

bool IsAcceptedImageSize(long long width, long long height)
{
    size_t bytes = 0;
    return width <= MAX_IMAGE_SIDE && height <= MAX_IMAGE_SIDE &&
           CheckedImageSize(width, height, 4, SIZE_MAX, bytes);
}

bool OpenImageFile(CByteReader& reader, const char* path)
{
    if (!reader.OpenFile(path))
    {
        fprintf(stderr, MSG_COULDNT_OPEN, path);
        return false;
    }
    return true;
}

const uint8_t* ReadBlock(CByteReader& reader, size_t count, std::vector<uint8_t>& scratch)
{
    if (count > reader.Remaining())
    {
        return nullptr;
    }
    if (const uint8_t* direct = reader.Current())
    {
        reader.Skip(count);
        return direct;
    }
    if (scratch.size() < count || scratch.empty())
    {
        scratch.resize(count > 0 ? count : 1);
    }
    return reader.ReadBytes(scratch.data(), count) ? scratch.data() : nullptr;
}

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
