// The BMP reader's texture: the shared upload with and without anisotropy, its pixels as GL holds
// them, failures and DeleteTexture.
#include "images/CBmpReader.h"
#include "textures/TextureUpload.h"
#include "platform/CGraphicsCore.h"
#include "gl/textures/TextureTestSupport.h"

#include <gtest/gtest.h>

using namespace texture_test;

TEST(BmpUploadGL, WithoutAnisotropyTrilinearMipmapsOfTheBottomRowFirstPicture)
{
    std::string path = WriteFile("bmp_upload/two.bmp", TwoByTwoBmp());
    GLuint name = LoadBMP(path.c_str(), false);
    ASSERT_NE(0u, name);
    EXPECT_EQ(static_cast<GLint>(name), BoundTexture());
    EXPECT_EQ(GL_LINEAR_MIPMAP_LINEAR, Parameter(GL_TEXTURE_MIN_FILTER));
    EXPECT_EQ(GL_LINEAR, Parameter(GL_TEXTURE_MAG_FILTER));
    EXPECT_EQ(2, LevelParameter(0, GL_TEXTURE_WIDTH));
    EXPECT_EQ(1, LevelParameter(1, GL_TEXTURE_WIDTH)) << "mipmaps built";
    // Rows of 6 bytes: GL must not expect them padded to 4.
    EXPECT_EQ(TwoByTwoBottomFirst(), ReadLevel0());
    EXPECT_EQ(static_cast<GLenum>(GL_NO_ERROR), glGetError());
}

TEST(BmpUploadGL, WithAnisotropyLinearRepeatAndNoAnisotropyOnTheLinearFilter)
{
    kyrel_test::Engine();
    if (!GLEW_EXT_texture_filter_anisotropic)
    {
        GTEST_SKIP() << "the GL driver has no anisotropic filtering";
    }
    std::string path = WriteFile("bmp_upload/two.bmp", TwoByTwoBmp());
    GLuint name = LoadBMP(path.c_str(), true);
    ASSERT_NE(0u, name);
    EXPECT_EQ(GL_LINEAR, Parameter(GL_TEXTURE_MIN_FILTER));
    EXPECT_EQ(GL_LINEAR, Parameter(GL_TEXTURE_MAG_FILTER));
    EXPECT_EQ(GL_REPEAT, Parameter(GL_TEXTURE_WRAP_S));
    EXPECT_EQ(GL_REPEAT, Parameter(GL_TEXTURE_WRAP_T));
    GLfloat maximum = 0, used = 0;
    glGetFloatv(GL_MAX_TEXTURE_MAX_ANISOTROPY_EXT, &maximum);
    glGetTexParameterfv(GL_TEXTURE_2D, GL_TEXTURE_MAX_ANISOTROPY_EXT, &used);
    EXPECT_GT(maximum, 1.0f);
    EXPECT_EQ(1.0f, used) << "anisotropy only where the minification uses mipmaps";
    EXPECT_EQ(1, LevelParameter(1, GL_TEXTURE_WIDTH)) << "mipmaps built";
    EXPECT_EQ(TwoByTwoBottomFirst(), ReadLevel0());
}

TEST(BmpUploadGL, FailuresGiveZeroAndDeleteTextureFreesTheName)
{
    kyrel_test::Engine();
    EXPECT_EQ(0u, UploadDecodedImage(nullptr, false));
    EXPECT_EQ(0u, UploadDecodedImage(new CDecodedImage, false));
    Bytes broken = TwoByTwoBmp();
    broken[1] = 'A';
    std::string path = WriteFile("bmp_upload/broken.bmp", broken);
    testing::internal::CaptureStderr();
    EXPECT_EQ(0u, LoadBMP(path.c_str(), false));
    EXPECT_EQ(path + " is not a valid BMP file!\n", testing::internal::GetCapturedStderr());

    GLuint name = LoadBMP(WriteFile("bmp_upload/two.bmp", TwoByTwoBmp()).c_str(), false);
    ASSERT_TRUE(glIsTexture(name));
    DeleteTexture(name);
    EXPECT_FALSE(glIsTexture(name));
}
