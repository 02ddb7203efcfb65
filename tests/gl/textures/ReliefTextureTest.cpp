// The parallax program's relief texture: each texel holds the 2 x 2 heights a bilinear blend at
// its corner needs, wrapping at the edges, without mipmaps.
#include "textures/ReliefTexture.h"
#include "gl/textures/TextureTestSupport.h"

#include <gtest/gtest.h>

using namespace texture_test;

TEST(ReliefTextureGL, PacksEachHeightWithItsWrappedNeighbours)
{
    kyrel_test::Engine();
    // 3 x 3 heights, as RGB with the height in red and noise in green and blue, which the
    // relief must ignore.
    const unsigned char heights[3][3] = {{10, 20, 30}, {40, 50, 60}, {70, 80, 90}};
    Bytes rgb;
    for (const auto& row : heights)
    {
        for (unsigned char h : row)
        {
            rgb.insert(rgb.end(), {h, 200, 7});
        }
    }
    GLuint heightMap = 0;
    glGenTextures(1, &heightMap);
    glBindTexture(GL_TEXTURE_2D, heightMap);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGB, 3, 3, 0, GL_RGB, GL_UNSIGNED_BYTE, rgb.data());
    glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
    GLuint other = 0;
    glGenTextures(1, &other);
    glBindTexture(GL_TEXTURE_2D, other);

    const GLuint relief = BuildReliefTexture(heightMap);
    ASSERT_NE(0u, relief);
    EXPECT_EQ(GLint(other), BoundTexture()) << "the caller's binding stays";

    glBindTexture(GL_TEXTURE_2D, relief);
    // Per texel: its height, then those right, above and above right of it, wrapping around.
    const Bytes expected = {
        10, 20, 40, 50, 20, 30, 50, 60, 30, 10, 60, 40,  //
        40, 50, 70, 80, 50, 60, 80, 90, 60, 40, 90, 70,  //
        70, 80, 10, 20, 80, 90, 20, 30, 90, 70, 30, 10,
    };
    EXPECT_EQ(expected, ReadLevel0(GL_RGBA));
    EXPECT_EQ(GL_LINEAR, Parameter(GL_TEXTURE_MIN_FILTER));
    EXPECT_EQ(GL_REPEAT, Parameter(GL_TEXTURE_WRAP_S));
    EXPECT_EQ(GL_REPEAT, Parameter(GL_TEXTURE_WRAP_T));
    EXPECT_EQ(0, Parameter(GL_TEXTURE_MAX_LEVEL));

    EXPECT_EQ(0u, BuildReliefTexture(0));
    EXPECT_EQ(0u, BuildReliefTexture(other)) << "a texture without a picture";
    glBindTexture(GL_TEXTURE_2D, 0);
    const GLuint names[3] = {heightMap, other, relief};
    glDeleteTextures(3, names);
}
