// The parallax program's relief texture: each texel holds its height and the two neighbours the
// normal is taken from, wrapping at the edges, read through a plain bilinear filter.
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
    // Per texel: height, the one two to the right, the one two rows on, opaque.
    const Bytes expected = {
        10, 30, 70, 255, 20, 10, 80, 255, 30, 20, 90, 255,  //
        40, 60, 10, 255, 50, 40, 20, 255, 60, 50, 30, 255,  //
        70, 90, 40, 255, 80, 70, 50, 255, 90, 80, 60, 255,
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
