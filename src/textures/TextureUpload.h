/// \file
/// Turns decoded pictures into GL textures: the one upload and sampling set-up behind every image
/// loader (the engine's own readers, SDL_image pictures and the TGA glyph sheet).
#ifndef KYREL_TEXTUREUPLOAD_H
#define KYREL_TEXTUREUPLOAD_H

#include <GL/glew.h>

struct CDecodedImage;
struct SDL_Surface;

/// Row order a caller of image loading asks for.
enum ImageRowOrder
{
    ROWS_AS_DECODED,   ///< whatever order the format's reader gives
    ROWS_BOTTOM_FIRST  ///< texture row 0 is the picture's bottom row
};

/// Which levels of the texture an upload stores.
enum TextureLevels
{
    LEVEL_ZERO_ONLY,            ///< the picture as level 0, no mipmaps
    LEVEL_ZERO_AND_BUILT_MIPS,  ///< level 0, then the whole chain built from the picture
    BUILT_MIPS,                 ///< the whole chain built from the picture
    STORED_COMPRESSED_LEVELS,   ///< the record's own compressed levels, as many as it holds
};

/// How a texture samples and what its upload stores.
struct CTextureSampling
{
    bool repeat;           ///< wrap S and T GL_REPEAT; otherwise GL's defaults stay
    GLint minFilter;       ///< magnification is always linear
    bool maxAnisotropy;    ///< the largest anisotropy the driver offers
    TextureLevels levels;  ///< which levels the upload stores
    /// GL is told the component count (3 or 4) as internal format by the engine's own readers,
    /// the pixel format by the TGA and SDL_image paths.
    bool componentsAsInternalFormat;
};

/// The sampling each loader gives its textures.
const CTextureSampling TGA_SAMPLING = {false, GL_LINEAR, false, LEVEL_ZERO_ONLY, false};
/// DDS: trilinear over the file's own compressed levels.
const CTextureSampling DDS_SAMPLING = {false, GL_LINEAR_MIPMAP_LINEAR, false,
                                       STORED_COMPRESSED_LEVELS, false};
/// BMP and PCX: trilinear, or linear with the largest anisotropy.
CTextureSampling DecodedImageSampling(bool useAnisotropy);
/// JPEG pictures: repeating, trilinear over built mipmaps, with the largest anisotropy if asked.
CTextureSampling JpegSampling(bool useAnisotropy);
/// SDL_image pictures and the SDL-decoded bitmaps.
CTextureSampling SdlImageSampling(bool useAnisotropy, bool componentsAsInternalFormat);
/// Screen images: repeating, linear, levels built though only level 0 is sampled.
const CTextureSampling SCREEN_IMAGE_SAMPLING = {true, GL_LINEAR, false, BUILT_MIPS, false};

/// Creates a texture from the record as sampling describes, leaving it bound; its name (also kept
/// in the record's textureName), or 0 when the record holds no data.
GLuint UploadTexture(CDecodedImage& image, const CTextureSampling& sampling);

/// Uploads a BMP or PCX picture as a mipmapped texture and deletes the record; 0 (record still
/// deleted) when there is nothing to upload. The texture stays bound.
GLuint UploadDecodedImage(CDecodedImage* image, bool useAnisotropy);

/// SDL surfaces come in many layouts (palettes, B, G, R order, padded rows); this packs one into
/// the record as R, G, B or R, G, B, A bytes, top row first, whatever the file held, ready for
/// UploadTexture. False when SDL cannot convert the surface.
bool PackSurfacePixels(SDL_Surface* surface, bool withAlpha, CDecodedImage& image);

/// Deletes one texture name.
void DeleteTexture(GLuint textureName);

/// Each reads a file through its reader and uploads it; the texture name, or 0 after the reader's
/// message.
///@{
GLuint LoadBMP(const char* path, bool useAnisotropy);
GLuint LoadPCX(const char* path, bool useAnisotropy);
GLuint LoadDDS(const char* path);
///@}
/// flipRows: rows handed to GL bottom first instead of the JPEG's top first.
GLuint LoadJPEG(const char* path, bool useAnisotropy, bool flipRows = false);

#endif
