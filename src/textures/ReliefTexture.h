/// \file
/// A height map repacked for a relief-marching fragment program: the height and the two
/// neighbours its normal is taken from in one texel, so one bilinear blend reads all three.
#ifndef KYREL_RELIEFTEXTURE_H
#define KYREL_RELIEFTEXTURE_H

#include <GL/glew.h>

/// Texels between a height and the neighbours packed beside it (to the right and one way up).
const int RELIEF_NORMAL_TEXELS = 2;

/// A new RGBA texture from level 0's red channel of heightMap: red the height, green the height
/// RELIEF_NORMAL_TEXELS to the right, blue the one as far along the rows (neighbours wrap around,
/// as the repeating texture does), alpha opaque. Repeating, bilinear, no mipmaps, no anisotropy;
/// 0 when heightMap is not a texture with a picture.
/// The bound texture of the active unit is left as it was.
GLuint BuildReliefTexture(GLuint heightMap);

#endif
