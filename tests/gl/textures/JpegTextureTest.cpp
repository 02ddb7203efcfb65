// The JPEG loader's texture: the decoded pixels on level 0 with the top row first, a mipmap chain,
// the filters and wrap modes, the anisotropy setting, and 0 for files it cannot decode.
#include "gl/GLTestEnvironment.h"
#include "images/CJpegDecoder.h"
#include "textures/TextureUpload.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

namespace
{
const std::string FIXTURES = KYREL_TEST_DATA_DIR "/jpeg/";
// A picture in another format: the decoder refuses it.
const std::string NOT_A_JPEG = KYREL_TEST_DATA_DIR "/bmp/rgb24_5x3.bmp";

GLint TexParameter(GLenum name)
{
    GLint value = 0;
    glGetTexParameteriv(GL_TEXTURE_2D, name, &value);
    return value;
}

GLint LevelParameter(GLint level, GLenum name)
{
    GLint value = 0;
    glGetTexLevelParameteriv(GL_TEXTURE_2D, level, name, &value);
    return value;
}
}  // namespace

TEST(JpegTextureGL, UploadsDecodedPixelsTopRowFirstWithMipmaps)
{
    ASSERT_NE(nullptr, kyrel_test::Engine());
    const std::string path = FIXTURES + "rose_64x32_420.jpg";
    std::unique_ptr<CDecodedImage> image(DecodeImageFile(path.c_str(), DecodeJPEG));
    ASSERT_TRUE(image);
    const int width = image->width;
    const int height = image->height;
    const uint8_t* decoded = image->data.get();

    GLuint texture = LoadJPEG(path.c_str(), false);
    ASSERT_NE(0u, texture);
    GLint bound = 0;
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &bound);
    EXPECT_EQ(static_cast<GLint>(texture), bound);

    EXPECT_EQ(GL_REPEAT, TexParameter(GL_TEXTURE_WRAP_S));
    EXPECT_EQ(GL_REPEAT, TexParameter(GL_TEXTURE_WRAP_T));
    EXPECT_EQ(GL_LINEAR_MIPMAP_LINEAR, TexParameter(GL_TEXTURE_MIN_FILTER));
    EXPECT_EQ(GL_LINEAR, TexParameter(GL_TEXTURE_MAG_FILTER));

    GLint levelWidth = LevelParameter(0, GL_TEXTURE_WIDTH);
    GLint levelHeight = LevelParameter(0, GL_TEXTURE_HEIGHT);
    ASSERT_EQ(width, levelWidth);
    ASSERT_EQ(height, levelHeight);
    EXPECT_EQ(width / 2, LevelParameter(1, GL_TEXTURE_WIDTH));
    EXPECT_EQ(height / 2, LevelParameter(1, GL_TEXTURE_HEIGHT));
    std::vector<uint8_t> uploaded(static_cast<size_t>(width) * height * 4);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glGetTexImage(GL_TEXTURE_2D, 0, GL_RGBA, GL_UNSIGNED_BYTE, uploaded.data());
    EXPECT_EQ(0, memcmp(decoded, uploaded.data(), uploaded.size()));
    EXPECT_EQ(static_cast<GLenum>(GL_NO_ERROR), glGetError());
}

TEST(JpegTextureGL, PowerOfTwoPictureIsUploadedUnchanged)
{
    ASSERT_NE(nullptr, kyrel_test::Engine());
    const std::string path = FIXTURES + "grey_16x16.jpg";
    std::unique_ptr<CDecodedImage> image(DecodeImageFile(path.c_str(), DecodeJPEG));
    ASSERT_TRUE(image);
    const uint8_t* decoded = image->data.get();
    GLuint texture = LoadJPEG(path.c_str(), false);
    ASSERT_NE(0u, texture);
    ASSERT_EQ(16, LevelParameter(0, GL_TEXTURE_WIDTH));
    ASSERT_EQ(16, LevelParameter(0, GL_TEXTURE_HEIGHT));
    std::vector<uint8_t> uploaded(16 * 16 * 4);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glGetTexImage(GL_TEXTURE_2D, 0, GL_RGBA, GL_UNSIGNED_BYTE, uploaded.data());
    EXPECT_EQ(0, memcmp(decoded, uploaded.data(), uploaded.size()));
    // The gradient runs from white at the top to black at the bottom: row 0 is the top row.
    EXPECT_GT(uploaded[0], uploaded[15 * 16 * 4]);
    EXPECT_EQ(1, LevelParameter(4, GL_TEXTURE_WIDTH));  // 16, 8, 4, 2, 1
}

TEST(JpegTextureGL, AnisotropyIsSetToTheMaximumWhenAsked)
{
    ASSERT_NE(nullptr, kyrel_test::Engine());
    if (!GLEW_EXT_texture_filter_anisotropic)
    {
        GTEST_SKIP() << "GL_EXT_texture_filter_anisotropic not offered by this driver";
    }
    GLfloat maximum = 0.0f;
    glGetFloatv(GL_MAX_TEXTURE_MAX_ANISOTROPY_EXT, &maximum);
    GLuint plain = LoadJPEG((FIXTURES + "rose_444.jpg").c_str(), false);
    ASSERT_NE(0u, plain);
    GLfloat value = 0.0f;
    glGetTexParameterfv(GL_TEXTURE_2D, GL_TEXTURE_MAX_ANISOTROPY_EXT, &value);
    EXPECT_EQ(1.0f, value);
    GLuint anisotropic = LoadJPEG((FIXTURES + "rose_444.jpg").c_str(), true);
    ASSERT_NE(0u, anisotropic);
    EXPECT_NE(plain, anisotropic);  // every load makes a new texture
    glGetTexParameterfv(GL_TEXTURE_2D, GL_TEXTURE_MAX_ANISOTROPY_EXT, &value);
    EXPECT_EQ(maximum, value);
}

// A colour map that is missing or cannot be decoded says why, and takes no texture name.
TEST(JpegTextureGL, UndecodableFilesAreReportedGiveZeroAndCreateNothing)
{
    ASSERT_NE(nullptr, kyrel_test::Engine());
    GLuint before = 0;
    glGenTextures(1, &before);
    struct Case
    {
        std::string path;
        std::string message;
    };
    const Case cases[] = {
        {NOT_A_JPEG, NOT_A_JPEG + " is not a valid JPEG file!\n"},
        {FIXTURES + "missing.jpg", "error: couldn't open \"" + FIXTURES + "missing.jpg\"!\n"},
        {FIXTURES, "error: couldn't open \"" + FIXTURES + "\"!\n"},
    };
    for (const Case& c : cases)
    {
        testing::internal::CaptureStdout();
        testing::internal::CaptureStderr();
        EXPECT_EQ(0u, LoadJPEG(c.path.c_str(), true)) << c.path;
        EXPECT_EQ(c.message, testing::internal::GetCapturedStderr());
        EXPECT_EQ("", testing::internal::GetCapturedStdout());
    }
    GLuint after = 0;
    glGenTextures(1, &after);
    EXPECT_EQ(before + 1, after);  // no texture name was taken in between
    EXPECT_EQ(static_cast<GLenum>(GL_NO_ERROR), glGetError());
}
