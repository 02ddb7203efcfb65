// The parallax program's height map, repacked at load time. A filtered height blends four
// texels, and the program fetches each itself (a software renderer's own filter costs more);
// with each texel's right, upper and upper-right neighbours packed into it, one fetch gives all
// four. The copy has no mipmaps and no anisotropy, which a software renderer would otherwise pay
// for on every fetch's level look-up.
#include "textures/ReliefTexture.h"

#include <vector>

namespace
{
const int RELIEF_CHANNELS = 4;

// Each texel takes its own height and those of the three texels to its right and above it.
std::vector<unsigned char> PackRelief(const std::vector<unsigned char>& heights, int width,
                                      int height)
{
    std::vector<unsigned char> texels(static_cast<size_t>(width) * height * RELIEF_CHANNELS);
    unsigned char* out = texels.data();
    for (int y = 0; y < height; ++y)
    {
        const unsigned char* row = &heights[static_cast<size_t>(y) * width];
        const unsigned char* rowUp = &heights[static_cast<size_t>((y + 1) % height) * width];
        for (int x = 0; x < width; ++x)
        {
            const int right = (x + 1) % width;
            *out++ = row[x];
            *out++ = row[right];
            *out++ = rowUp[x];
            *out++ = rowUp[right];
        }
    }
    return texels;
}
}  // namespace

GLuint BuildReliefTexture(GLuint heightMap)
{
    if (heightMap == 0 || !glIsTexture(heightMap))
    {
        return 0;
    }
    GLint previous = 0;
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &previous);
    glBindTexture(GL_TEXTURE_2D, heightMap);
    GLint width = 0;
    GLint height = 0;
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_WIDTH, &width);
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_HEIGHT, &height);
    GLuint relief = 0;
    if (width > 0 && height > 0)
    {
        std::vector<unsigned char> heights(static_cast<size_t>(width) * height);
        GLint packAlignment = 4;
        glGetIntegerv(GL_PACK_ALIGNMENT, &packAlignment);
        glPixelStorei(GL_PACK_ALIGNMENT, 1);
        glGetTexImage(GL_TEXTURE_2D, 0, GL_RED, GL_UNSIGNED_BYTE, heights.data());
        glPixelStorei(GL_PACK_ALIGNMENT, packAlignment);
        const std::vector<unsigned char> texels = PackRelief(heights, width, height);

        glGenTextures(1, &relief);
        glBindTexture(GL_TEXTURE_2D, relief);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_REPEAT);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_REPEAT);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAX_LEVEL, 0);
        // RGBA rows are whole words: the default unpack alignment fits any width.
        glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, width, height, 0, GL_RGBA, GL_UNSIGNED_BYTE,
                     texels.data());
    }
    glBindTexture(GL_TEXTURE_2D, static_cast<GLuint>(previous));
    return relief;
}
