// The picture a BMP, PCX or DDS reader decodes into memory, and the one step that turns it into a
// GL texture. Decoding never touches GL, so the readers run (and are tested) without a context.
#ifndef KYREL_CDECODEDIMAGE_H
#define KYREL_CDECODEDIMAGE_H

#include <GL/glew.h>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

class CByteReader;

struct CDecodedImage
{
    int width = 0;
    int height = 0;
    GLenum format = GL_RGB;  // GL_RGB for BMP and PCX, the S3TC format for DDS
    int components = 3;
    GLuint textureName = 0;  // set by the upload
    int mipmapCount = 0;     // stored levels, DDS only
    // BMP and PCX: width * height * 3 bytes of R, G, B, first row = bottom row of the picture.
    // DDS: every byte after the file header, level 0 first.
    std::unique_ptr<unsigned char[]> data;
    size_t dataSize = 0;

    // Gives the record width * height * 3 bytes of pixel data, contents undefined.
    void AllocateRgb(int pictureWidth, int pictureHeight);
};

// Largest side any reader accepts; larger pictures are taken as corrupt headers.
const int MAX_IMAGE_SIDE = 16384;

// Width and height that a reader may allocate for: both in 1..MAX_IMAGE_SIDE, and
// width * height * 4 fits in memory sizes.
bool IsAcceptedImageSize(long long width, long long height);

// The next count bytes of a reader, without a copy when it reads from memory; null (reader
// unchanged or at its end) when fewer bytes remain.
const uint8_t* ReadBlock(CByteReader& reader, size_t count, std::vector<uint8_t>& scratch);

// Opens an image file for a reader; false, after the readers' shared message on standard error,
// when it cannot be opened.
bool OpenImageFile(CByteReader& reader, const char* path);

// Uploads an RGB picture as a mipmapped texture and deletes the record; 0 (record still
// deleted) when there is nothing to upload. The texture stays bound.
GLuint UploadDecodedImage(CDecodedImage* image, bool useAnisotropy);

// Deletes one texture name.
void DeleteTexture(GLuint textureName);

#endif
