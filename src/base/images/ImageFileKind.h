/// \file
/// Which reader an image file goes to, picked from its name as the engine's image loading always
/// has (a substring anywhere in the path), so that a program checking a picture before any window
/// opens picks the same reader the load will.
#ifndef KYREL_IMAGEFILEKIND_H
#define KYREL_IMAGEFILEKIND_H

/// The reader an image file goes to.
enum class ImageFileKind
{
    Bmp,   ///< the engine's bitmap reader, or SDL's for the bitmaps it leaves
    Pcx,   ///< the engine's PCX reader
    Dds,   ///< the engine's DDS reader
    Jpeg,  ///< the engine's JPEG decoder
    Other  ///< SDL_image, whatever it recognises
};

/// The reader the engine's image loading picks for path: "bmp" or "BMP", then "pcx", "dds",
/// "jpg" or "jpeg" anywhere in it, else SDL_image.
ImageFileKind ImageFileKindOf(const char* path);

#endif
