// Which reader an image file goes to, picked from its name as the engine's image loading always
// has (a substring anywhere in the path), so that a program checking a picture before any window
// opens picks the same reader the load will.
#ifndef KYREL_IMAGEFILEKIND_H
#define KYREL_IMAGEFILEKIND_H

enum class ImageFileKind
{
    Bmp,
    Pcx,
    Dds,
    Jpeg,
    Other  // SDL_image's, whatever it recognises
};

ImageFileKind ImageFileKindOf(const char* path);

#endif
