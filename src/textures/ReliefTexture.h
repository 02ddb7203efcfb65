/// \file
/// A height map repacked for a relief-marching fragment program: each texel holds the 2 x 2
/// heights a bilinear blend at its corner needs, so one fetch gives them.
#ifndef KYREL_RELIEFTEXTURE_H
#define KYREL_RELIEFTEXTURE_H

#include <GL/glew.h>

/// A new RGBA texture from level 0's red channel of heightMap: the height of each texel, then
/// those of the texel to its right, the one on the next row, and the one right of that
/// (wrapping around at the edges, as the repeating texture does). Repeating, bilinear, no
/// mipmaps, no anisotropy; 0 when heightMap is not a texture with a picture.
/// The bound texture of the active unit is left as it was.
GLuint BuildReliefTexture(GLuint heightMap);

#endif
