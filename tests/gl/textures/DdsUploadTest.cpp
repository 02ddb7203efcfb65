// The DDS reader's compressed upload: one level per stored mipmap, never past the data.
#include "images/CDdsReader.h"
#include "textures/TextureUpload.h"
#include "gl/textures/TextureTestSupport.h"

#include <gtest/gtest.h>
#include <memory>

using namespace texture_test;

namespace
{
bool HasS3tc()
{
    kyrel_test::Engine();
    return GLEW_EXT_texture_compression_s3tc;
}

std::vector<GLint> CompressedLevelSizes()
{
    std::vector<GLint> sizes;
    for (GLint level = 0; LevelParameter(level, GL_TEXTURE_WIDTH) > 0; ++level)
    {
        sizes.push_back(LevelParameter(level, GL_TEXTURE_COMPRESSED_IMAGE_SIZE));
    }
    return sizes;
}
}  // namespace

TEST(DdsUploadGL, EveryStoredLevelUploadedCompressed)
{
    if (!HasS3tc())
    {
        GTEST_SKIP() << "the GL driver has no S3TC textures";
    }
    std::string path = std::string(KYREL_TEST_DATA_DIR) + "/dds/dxt1_16x8_mips.dds";
    GLuint name = LoadDDS(path.c_str());
    ASSERT_NE(0u, name);
    EXPECT_EQ(static_cast<GLint>(name), BoundTexture());
    EXPECT_EQ(GL_LINEAR_MIPMAP_LINEAR, Parameter(GL_TEXTURE_MIN_FILTER));
    EXPECT_EQ(GL_LINEAR, Parameter(GL_TEXTURE_MAG_FILTER));
    EXPECT_EQ(GL_COMPRESSED_RGBA_S3TC_DXT1_EXT, LevelParameter(0, GL_TEXTURE_INTERNAL_FORMAT));
    EXPECT_EQ((std::vector<GLint>{64, 16, 8, 8, 8}), CompressedLevelSizes());
    // The blocks reach GL unchanged.
    std::unique_ptr<CDecodedImage> image(DecodeImageFile(path.c_str(), DecodeDDS));
    ASSERT_TRUE(image);
    Bytes level0(64);
    glGetCompressedTexImage(GL_TEXTURE_2D, 0, level0.data());
    EXPECT_EQ(Bytes(image->data.get(), image->data.get() + 64), level0);
    EXPECT_EQ(static_cast<GLenum>(GL_NO_ERROR), glGetError());
}

TEST(DdsUploadGL, CutFileAndMissingCount)
{
    if (!HasS3tc())
    {
        GTEST_SKIP() << "the GL driver has no S3TC textures";
    }
    std::string dir = std::string(KYREL_TEST_DATA_DIR) + "/dds/";
    ASSERT_NE(0u, LoadDDS((dir + "dxt1_16x16_cut.dds").c_str()));
    EXPECT_EQ((std::vector<GLint>{128, 32}), CompressedLevelSizes());
    ASSERT_NE(0u, LoadDDS((dir + "dxt5_12x4_nocount.dds").c_str()));
    EXPECT_EQ(GL_COMPRESSED_RGBA_S3TC_DXT5_EXT, LevelParameter(0, GL_TEXTURE_INTERNAL_FORMAT));
    EXPECT_EQ((std::vector<GLint>{48}), CompressedLevelSizes());
}
