// Loads a TGA picture into a GL texture: the base library decodes it, the shared upload makes the
// texture (linear filters, no mipmaps, GL's default wrap modes).
#include "textures/CTgaImage.h"

#include "images/CTgaReader.h"
#include "io/CByteReader.h"
#include "textures/TextureUpload.h"

#include <cstring>
#include <iostream>

namespace
{
const char* const MSG_CANNOT_OPEN = "Could not open texture file: ";
}

bool CTgaImage::Load(const char* path)
{
    CByteReader file;
    if (!file.OpenFile(path))
    {
        std::cout << MSG_CANNOT_OPEN << (path ? path : "") << std::endl;
        return false;
    }
    GLint maxTextureSize = 0;
    glGetIntegerv(GL_MAX_TEXTURE_SIZE, &maxTextureSize);
    if (maxTextureSize <= 0)
    {
        maxTextureSize = TGA_MAX_DIMENSION;
    }
    CTgaFileBytes fileBytes;
    std::unique_ptr<CDecodedImage> image(DecodeTGA(file, path, maxTextureSize, &fileBytes));
    memcpy(header, fileBytes.header, sizeof header);
    memcpy(info, fileBytes.info, sizeof info);
    if (!image)
    {
        pixels.reset();
        return false;
    }
    width = image->width;
    height = image->height;
    glFormat = image->format;
    bytesPerPixel = image->components;
    bitsPerPixel = static_cast<unsigned int>(bytesPerPixel * 8);
    imageSize = static_cast<int>(image->dataSize);
    textureName = UploadTexture(*image, TGA_SAMPLING);
    pixels = std::move(image->data);
    return true;
}
