// Turns decoded pictures into GL textures: the upload step of the engine's own image readers.
#ifndef KYREL_TEXTUREUPLOAD_H
#define KYREL_TEXTUREUPLOAD_H

#include <GL/glew.h>

struct CDecodedImage;

// Uploads an RGB picture as a mipmapped texture and deletes the record; 0 (record still
// deleted) when there is nothing to upload. The texture stays bound.
GLuint UploadDecodedImage(CDecodedImage* image, bool useAnisotropy);

// Deletes one texture name.
void DeleteTexture(GLuint textureName);

// Each reads a file through its reader and uploads it; the texture name, or 0.
GLuint LoadBMP(const char* path, bool useAnisotropy);
GLuint LoadPCX(const char* path, bool useAnisotropy);
GLuint LoadDDS(const char* path);
// Decodes a baseline JPEG file into a mipmapped texture.
GLuint LoadJPEG(const char* path, bool useAnisotropy);

#endif
