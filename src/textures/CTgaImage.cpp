// Reads TGA images (uncompressed and run-length encoded true colour, 24 or 32 bits) into GL
// textures: header checks, the two pixel decoders, then one small upload step.
#include "textures/CTgaImage.h"

#include "io/CByteReader.h"

#include <GL/glew.h>
#include <algorithm>
#include <climits>
#include <cstring>
#include <iostream>
#include <new>

namespace
{
const char* const MSG_CANNOT_OPEN = "Could not open texture file: ";
const char* const MSG_NO_COMMENT = "Failed to read TGAcomment!";
const char* const MSG_NO_HEADER = "Could not read file header: ";
const char* const MSG_WRONG_TYPE = "TGA file be type 2 or type 10, Invalid Image: ";
const char* const MSG_NO_INFO = "Could not read info header: ";
const char* const MSG_BAD_INFO = "Invalid texture information: ";
const char* const MSG_NO_MEMORY = "Could not allocate memory for image: ";
const char* const MSG_NO_IMAGE_DATA = "Could not read image data: ";
const char* const MSG_NO_RLE_HEADER = "Could not read RLE header: ";
const char* const MSG_NO_RUN_PIXEL = "Could not read from file: ";
const char* const MSG_TOO_MANY_PIXELS = "Too many pixels read: ";

const int TYPE_UNCOMPRESSED = 2;
const int TYPE_COMPRESSED = 10;
// Offset of the image type inside the 11-byte header block (file byte 2).
const int HEADER_TYPE_INDEX = 1;
const int MAX_PIXEL_BYTES = 4;
// A run packet header carries its pixel count minus one in the low seven bits.
const unsigned RUN_PACKET_FLAG = 128;
const size_t MAX_PACKET_PIXELS = 128;

bool MatchesTemplate(const unsigned char header[11], int imageType)
{
    unsigned char expected[11] = {};
    expected[HEADER_TYPE_INDEX] = static_cast<unsigned char>(imageType);
    return memcmp(header, expected, sizeof expected) == 0;
}

void SwapRedBlue(unsigned char* pixel)
{
    std::swap(pixel[0], pixel[2]);
}
}  // namespace

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
        maxTextureSize = MAX_DIMENSION_WITHOUT_GL;
    }
    if (!Decode(file, path, maxTextureSize))
    {
        return false;
    }
    Upload();
    return true;
}

bool CTgaImage::Decode(CByteReader& file, const char* path, int maxSize)
{
    maxDimension = maxSize;
    if (!file.ReadU8(idLength))
    {
        std::cout << MSG_NO_COMMENT << std::endl;
        return false;
    }
    if (!file.ReadBytes(header, sizeof header))
    {
        Fail(MSG_NO_HEADER, path);
        return false;
    }
    if (MatchesTemplate(header, TYPE_UNCOMPRESSED))
    {
        return LoadUncompressed(path, file);
    }
    if (MatchesTemplate(header, TYPE_COMPRESSED))
    {
        return LoadCompressed(path, file);
    }
    Fail(MSG_WRONG_TYPE, path);
    return false;
}

// The part both kinds share: size and depth from the info block, then past the identification
// field so that the pixel data are read from where they really start.
bool CTgaImage::ReadInfo(const char* path, CByteReader& file)
{
    if (!file.ReadBytes(info, sizeof info))
    {
        Fail(MSG_NO_INFO, path);
        return false;
    }
    width = info[0] + 256 * info[1];
    height = info[2] + 256 * info[3];
    bitsPerPixel = info[4];

    size_t size = 0;
    bool depthOk = bitsPerPixel == 24 || bitsPerPixel == 32;
    if (width == 0 || height == 0 || !depthOk || width > maxDimension || height > maxDimension ||
        !CheckedImageSize(width, height, bitsPerPixel / 8, INT_MAX, size))
    {
        Fail(MSG_BAD_INFO, path);
        return false;
    }
    glFormat = bitsPerPixel == 24 ? GL_RGB : GL_RGBA;
    bytesPerPixel = static_cast<int>(bitsPerPixel / 8);
    imageSize = static_cast<int>(size);

    // A field that runs past the end leaves the reader at the end, so the first pixel read
    // reports the truncation.
    file.Skip(idLength);
    return true;
}

bool CTgaImage::LoadUncompressed(const char* path, CByteReader& file)
{
    if (!ReadInfo(path, file))
    {
        return false;
    }
    // A file too short for its pixels is refused before the buffer is made for them.
    if (static_cast<size_t>(imageSize) > file.Remaining())
    {
        Fail(MSG_NO_IMAGE_DATA, path);
        return false;
    }
    try
    {
        pixels.resize(static_cast<size_t>(imageSize));
    }
    catch (const std::bad_alloc&)
    {
        Fail(MSG_NO_MEMORY, path);
        return false;
    }
    if (!file.ReadBytes(pixels.data(), pixels.size()))
    {
        Fail(MSG_NO_IMAGE_DATA, path);
        return false;
    }
    for (size_t offset = 0; offset < pixels.size(); offset += static_cast<size_t>(bytesPerPixel))
    {
        SwapRedBlue(&pixels[offset]);
    }
    return true;
}

bool CTgaImage::LoadCompressed(const char* path, CByteReader& file)
{
    if (!ReadInfo(path, file))
    {
        return false;
    }
    const size_t totalPixels = static_cast<size_t>(width) * static_cast<size_t>(height);
    const size_t pixelBytes = static_cast<size_t>(bytesPerPixel);
    // Every packet takes at least a header byte and one pixel and yields at most 128 pixels,
    // so the buffer grows with the data actually there rather than with what the header claims.
    const size_t packetsThere = file.Remaining() / (1 + pixelBytes) + 1;
    const size_t pixelsThere = std::min(totalPixels, packetsThere * MAX_PACKET_PIXELS);
    unsigned char pixel[MAX_PIXEL_BYTES] = {};
    try
    {
        pixels.clear();
        pixels.reserve(pixelsThere * pixelBytes);
        size_t pixelCount = 0;
        while (pixelCount < totalPixels)
        {
            uint8_t packetHeader = 0;
            if (!file.ReadU8(packetHeader))
            {
                Fail(MSG_NO_RLE_HEADER, path);
                return false;
            }
            if (packetHeader < RUN_PACKET_FLAG)
            {
                for (size_t i = 0; i <= packetHeader; ++i)
                {
                    if (!file.ReadBytes(pixel, pixelBytes))
                    {
                        Fail(MSG_NO_IMAGE_DATA, path);
                        return false;
                    }
                    if (!StoreRlePixel(path, pixel, totalPixels))
                    {
                        return false;
                    }
                    ++pixelCount;
                }
            }
            else
            {
                const size_t runLength = packetHeader - RUN_PACKET_FLAG + 1;
                if (!file.ReadBytes(pixel, pixelBytes))
                {
                    Fail(MSG_NO_RUN_PIXEL, path);
                    return false;
                }
                for (size_t i = 0; i < runLength; ++i)
                {
                    if (!StoreRlePixel(path, pixel, totalPixels))
                    {
                        return false;
                    }
                    ++pixelCount;
                }
            }
        }
    }
    catch (const std::bad_alloc&)
    {
        Fail(MSG_NO_MEMORY, path);
        return false;
    }
    return true;
}

// Appends one pixel read as B, G, R (, A) in R, G, B (, A) order; refuses a pixel beyond the
// image's own count so that a packet running past the end writes nothing outside it.
bool CTgaImage::StoreRlePixel(const char* path, const unsigned char* pixel, size_t totalPixels)
{
    const size_t pixelBytes = static_cast<size_t>(bytesPerPixel);
    if (pixels.size() / pixelBytes >= totalPixels)
    {
        Fail(MSG_TOO_MANY_PIXELS, path);
        return false;
    }
    pixels.push_back(pixel[2]);
    pixels.push_back(pixel[1]);
    pixels.push_back(pixel[0]);
    if (pixelBytes == 4)
    {
        pixels.push_back(pixel[3]);
    }
    return true;
}

void CTgaImage::Fail(const char* message, const char* path)
{
    std::cout << message << (path ? path : "") << std::endl;
    std::vector<unsigned char>().swap(pixels);
}

void CTgaImage::Upload()
{
    glGenTextures(1, &textureName);
    glBindTexture(GL_TEXTURE_2D, textureName);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    // Rows are packed without padding; GL's default 4-byte row alignment would read 24-bit rows
    // of odd widths skewed and past the end of the buffer.
    GLint savedAlignment = 4;
    glGetIntegerv(GL_UNPACK_ALIGNMENT, &savedAlignment);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    glTexImage2D(GL_TEXTURE_2D, 0, static_cast<GLint>(glFormat), width, height, 0, glFormat,
                 GL_UNSIGNED_BYTE, pixels.data());
    glPixelStorei(GL_UNPACK_ALIGNMENT, savedAlignment);
}
