// Reads TGA images (uncompressed and run-length encoded true colour, 24 or 32 bits) into GL
// textures. Decoding needs no GL context; only the upload does.
#ifndef KYREL_CTGAIMAGE_H
#define KYREL_CTGAIMAGE_H

#include <cstddef>
#include <vector>

class CByteReader;

class CTgaImage
{
public:
    // Without a GL context there is no texture size limit to ask for; a 16-bit size field can
    // never exceed this one.
    static const int MAX_DIMENSION_WITHOUT_GL = 65535;

    CTgaImage() = default;
    // Releases neither the pixels' texture nor the texture name: textures live as long as the
    // GL context.
    ~CTgaImage() = default;

    // Reads the file and creates the texture, leaving it bound to GL_TEXTURE_2D.
    bool Load(const char* path);

    // Reads the file's header and pixels into the fields below without touching GL. Width and
    // height above maxDimension are rejected. path is only used in messages.
    bool Decode(CByteReader& file, const char* path, int maxDimension = MAX_DIMENSION_WITHOUT_GL);

    // Decoded image: width * height * bytesPerPixel bytes, rows in file order, R, G, B (, A).
    std::vector<unsigned char> pixels;
    unsigned int textureName = 0;
    unsigned int bitsPerPixel = 0;
    int width = 0;
    int height = 0;
    unsigned int glFormat = 0;
    // Bytes 1 to 11 and 12 to 17 of the file as read.
    unsigned char header[11] = {};
    unsigned char info[6] = {};
    int bytesPerPixel = 0;
    int imageSize = 0;

private:
    bool LoadUncompressed(const char* path, CByteReader& file);
    bool LoadCompressed(const char* path, CByteReader& file);
    bool ReadInfo(const char* path, CByteReader& file);
    bool StoreRlePixel(const char* path, const unsigned char* pixel, size_t totalPixels);
    void Fail(const char* message, const char* path);
    void Upload();

    // Length of the identification field that sits between the header and the pixels.
    unsigned char idLength = 0;
    int maxDimension = MAX_DIMENSION_WITHOUT_GL;
};

#endif
