/// \file
/// The picture an image reader (TGA, BMP, JPEG, PCX, DDS) decodes into memory, and the one shape
/// every reader has. Decoding never touches GL, so the readers run (and are tested) without a
/// context; the engine's texture upload takes it from here.
#ifndef KYREL_CDECODEDIMAGE_H
#define KYREL_CDECODEDIMAGE_H

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

class CByteReader;

/// Pixel formats by the numbers OpenGL gives them, so that the upload hands them on unchanged.
enum ImageFormat : unsigned int
{
    IMAGE_FORMAT_RGB = 0x1907,   ///< GL_RGB
    IMAGE_FORMAT_RGBA = 0x1908,  ///< GL_RGBA
    IMAGE_FORMAT_DXT1 = 0x83F1,  ///< GL_COMPRESSED_RGBA_S3TC_DXT1_EXT
    IMAGE_FORMAT_DXT3 = 0x83F2,  ///< GL_COMPRESSED_RGBA_S3TC_DXT3_EXT
    IMAGE_FORMAT_DXT5 = 0x83F3,  ///< GL_COMPRESSED_RGBA_S3TC_DXT5_EXT
};

/// A decoded picture: size, pixel format and the pixel bytes; the readers create it with new and
/// the caller owns it.
struct CDecodedImage
{
    /// Size in pixels (of level 0 for DDS).
    ///@{
    int width = 0;
    int height = 0;
    ///@}
    /// RGB for BMP and PCX, RGBA for JPEG, either for TGA, the S3TC format for DDS.
    unsigned int format = IMAGE_FORMAT_RGB;
    int components = 3;            ///< bytes per pixel of uncompressed data
    unsigned int textureName = 0;  ///< set by the upload
    int mipmapCount = 0;           ///< stored levels, DDS only
    /// BMP and PCX: width * height * 3 bytes of R, G, B, first row = bottom row of the picture.
    /// JPEG: width * height * 4 bytes of R, G, B, A, top row first. TGA: R, G, B (, A) rows in
    /// the file's order. DDS: every byte after the file header, level 0 first.
    std::unique_ptr<unsigned char[]> data;
    size_t dataSize = 0;  ///< bytes in data

    /// Gives the record width * height * 3 bytes of pixel data, contents undefined.
    void AllocateRgb(int pictureWidth, int pictureHeight);
    /// Reverses the order of the rows (top first <-> bottom first) of uncompressed pixel data;
    /// compressed data (DDS) is left as stored.
    void FlipRows();
};

/// Largest side any reader accepts; larger pictures are taken as corrupt headers.
const int MAX_IMAGE_SIDE = 16384;

/// Width and height that a reader may allocate for: both in 1..MAX_IMAGE_SIDE, and
/// width * height * 4 fits in memory sizes.
bool IsAcceptedImageSize(long long width, long long height);

/// The next count bytes of a reader, without a copy when it reads from memory; null (reader
/// unchanged or at its end) when fewer bytes remain.
const uint8_t* ReadBlock(CByteReader& reader, size_t count, std::vector<uint8_t>& scratch);

/// Every reader's shape: decodes from an open reader over a file or memory; name is used in
/// messages. A new record (the caller owns it), or null after the reader's message.
using ImageDecoder = CDecodedImage* (*)(CByteReader& reader, const char* name);

/// Opens path and decodes it with decode; null after a message on standard error when the file
/// cannot be opened or decoded.
CDecodedImage* DecodeImageFile(const char* path, ImageDecoder decode);

#endif
