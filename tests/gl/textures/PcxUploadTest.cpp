// The PCX reader's texture through the shared upload.
#include "textures/CPcxReader.h"
#include "gl/textures/TextureTestSupport.h"

#include <gtest/gtest.h>

using namespace texture_test;

TEST(PcxUploadGL, PictureBottomRowFirstWithTrilinearMipmaps)
{
    std::string path = WriteFile("pcx_upload/two.pcx", TwoByTwoPcx());
    GLuint name = LoadPCX(path.c_str(), false);
    ASSERT_NE(0u, name);
    EXPECT_EQ(static_cast<GLint>(name), BoundTexture());
    EXPECT_EQ(GL_LINEAR_MIPMAP_LINEAR, Parameter(GL_TEXTURE_MIN_FILTER));
    EXPECT_EQ(TwoByTwoBottomFirst(), ReadLevel0());
}

TEST(PcxUploadGL, AnisotropyFlagSwitchesToLinearFiltering)
{
    kyrel_test::Engine();
    if (!GLEW_EXT_texture_filter_anisotropic)
    {
        GTEST_SKIP() << "the GL driver has no anisotropic filtering";
    }
    std::string path = WriteFile("pcx_upload/two.pcx", TwoByTwoPcx());
    ASSERT_NE(0u, LoadPCX(path.c_str(), true));
    EXPECT_EQ(GL_LINEAR, Parameter(GL_TEXTURE_MIN_FILTER));
    GLfloat used = 0;
    glGetTexParameterfv(GL_TEXTURE_2D, GL_TEXTURE_MAX_ANISOTROPY_EXT, &used);
    EXPECT_GT(used, 1.0f);
}

TEST(PcxUploadGL, BadFileGivesZero)
{
    Bytes file = TwoByTwoPcx();
    file[3] = 2;  // 2 bits in each of 3 planes
    std::string path = WriteFile("pcx_upload/bad.pcx", file);
    testing::internal::CaptureStderr();
    EXPECT_EQ(0u, LoadPCX(path.c_str(), false));
    EXPECT_EQ("error: unknown 6 bitcount pcx files\n", testing::internal::GetCapturedStderr());
}
