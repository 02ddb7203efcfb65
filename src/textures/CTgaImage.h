/// \file
/// A TGA picture as a GL texture: the bitmap font's glyph sheet. The picture is decoded by the
/// base library's TGA reader; this class keeps what the font reads and creates the texture.
#ifndef KYREL_CTGAIMAGE_H
#define KYREL_CTGAIMAGE_H

#include <memory>

/// A TGA picture loaded into a GL texture, with its decoded pixels kept; needs the video mode open.
class CTgaImage
{
public:
    /// Nothing loaded: no pixels, texture name 0.
    CTgaImage() = default;
    /// Releases neither the pixels' texture nor the texture name: textures live as long as the
    /// GL context.
    ~CTgaImage() = default;

    /// Reads the file and creates the texture, leaving it bound to GL_TEXTURE_2D. Width and height
    /// above the driver's texture size limit are refused as invalid information.
    /// False, after the reader's message, when the file cannot be read; the texture name is then
    /// left as it was.
    bool Load(const char* path);

    /// Decoded image: width * height * bytesPerPixel bytes, rows in file order, R, G, B (, A). Kept
    /// after the upload; released when a load fails.
    std::unique_ptr<unsigned char[]> pixels;
    unsigned int textureName = 0;   ///< GL texture name; 0 before a successful load
    unsigned int bitsPerPixel = 0;  ///< 24 or 32
    /// Size in pixels.
    ///@{
    int width = 0;
    int height = 0;
    ///@}
    unsigned int glFormat = 0;  ///< GL_RGB or GL_RGBA
    /// Bytes 1 to 11 and 12 to 17 of the file as read.
    ///@{
    unsigned char header[11] = {};
    unsigned char info[6] = {};
    ///@}
    int bytesPerPixel = 0;  ///< 3 or 4
    int imageSize = 0;      ///< bytes of pixels
};

#endif
