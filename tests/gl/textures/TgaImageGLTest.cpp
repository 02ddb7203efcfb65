// The TGA upload: texture contents, format and filters, and the refusals that need GL to decide.
#include "gl/GLTestEnvironment.h"
#include "textures/CTgaImage.h"

#include <gtest/gtest.h>
#include <cstdio>
#include <string>
#include <vector>

namespace
{
std::string Fixture(const char* name)
{
    return std::string(KYREL_TEST_DATA_DIR) + "/tga/" + name;
}

GLint TextureParameter(GLenum parameter)
{
    GLint value = 0;
    glGetTexParameteriv(GL_TEXTURE_2D, parameter, &value);
    return value;
}
}  // namespace

TEST(TgaImageGL, UploadKeepsFileRowsAndChannelsAtOddWidths)
{
    ASSERT_NE(nullptr, kyrel_test::Engine());
    for (const char* name : {"rgb24_raw.tga", "rgba32_rle_id.tga"})
    {
        SCOPED_TRACE(name);
        CTgaImage image;
        ASSERT_TRUE(image.Load(Fixture(name).c_str()));
        ASSERT_NE(0u, image.textureName);
        GLint bound = 0;
        glGetIntegerv(GL_TEXTURE_BINDING_2D, &bound);
        EXPECT_EQ(static_cast<GLint>(image.textureName), bound);
        EXPECT_EQ(GL_LINEAR, TextureParameter(GL_TEXTURE_MIN_FILTER));
        EXPECT_EQ(GL_LINEAR, TextureParameter(GL_TEXTURE_MAG_FILTER));
        GLint width = 0, height = 0;
        glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_WIDTH, &width);
        glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_HEIGHT, &height);
        EXPECT_EQ(5, width);
        EXPECT_EQ(3, height);

        // Read back with the same packing as the decoder's buffer: rows without padding.
        const size_t size = static_cast<size_t>(image.imageSize);
        ASSERT_EQ(size, static_cast<size_t>(width * height * image.bytesPerPixel));
        std::vector<unsigned char> texels(size, 0);
        glPixelStorei(GL_PACK_ALIGNMENT, 1);
        glGetTexImage(GL_TEXTURE_2D, 0, image.glFormat, GL_UNSIGNED_BYTE, texels.data());
        EXPECT_EQ(std::vector<unsigned char>(image.pixels.get(), image.pixels.get() + size),
                  texels);
        // Texture row 0 is the file's first row: green 0 there, 120 in the last.
        EXPECT_EQ(0, texels[1]);
        EXPECT_EQ(120, texels[texels.size() - static_cast<size_t>(image.bytesPerPixel) + 1]);

        GLint alignment = 0;
        glGetIntegerv(GL_UNPACK_ALIGNMENT, &alignment);
        EXPECT_EQ(4, alignment) << "the upload must put the unpack alignment back";
    }
}

TEST(TgaImageGL, SizeBeyondTheTextureLimitAndMissingFilesAreRefused)
{
    ASSERT_NE(nullptr, kyrel_test::Engine());
    GLint maxSize = 0;
    glGetIntegerv(GL_MAX_TEXTURE_SIZE, &maxSize);
    ASSERT_GT(maxSize, 0);
    ASSERT_LT(maxSize, 65535) << "this driver has no size a TGA header cannot reach";

    const int width = maxSize + 1;
    unsigned char header[18] = {0, 0, 2};
    header[12] = static_cast<unsigned char>(width & 0xFF);
    header[13] = static_cast<unsigned char>(width >> 8);
    header[14] = 1;
    header[16] = 24;
    const std::string path = kyrel_test::WorkingDirectory() + "/wide.tga";
    FILE* file = fopen(path.c_str(), "wb");
    ASSERT_NE(nullptr, file);
    fwrite(header, 1, sizeof header, file);
    std::vector<unsigned char> pixels(static_cast<size_t>(width) * 3, 0x80);
    fwrite(pixels.data(), 1, pixels.size(), file);
    fclose(file);

    GLint before = 0;
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &before);
    CTgaImage wide;
    testing::internal::CaptureStdout();
    EXPECT_FALSE(wide.Load(path.c_str()));
    EXPECT_EQ("Invalid texture information: " + path + "\n",
              testing::internal::GetCapturedStdout());
    EXPECT_EQ(0u, wide.textureName);

    CTgaImage missing;
    testing::internal::CaptureStdout();
    EXPECT_FALSE(missing.Load("Data/none/missing.tga"));
    EXPECT_EQ("Could not open texture file: Data/none/missing.tga\n",
              testing::internal::GetCapturedStdout());
    GLint after = 0;
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &after);
    EXPECT_EQ(before, after);
    EXPECT_EQ(static_cast<GLenum>(GL_NO_ERROR), glGetError());
}
