// Image loading by file name: which reader a path reaches, told apart by the row order each one
// stores and the filters each one sets, and the SDL-based bitmap path.
#include "textures/CUtils.h"
#include "images/CBmpReader.h"
#include "textures/TextureUpload.h"
#include "platform/CGraphicsCore.h"
#include "gl/textures/TextureTestSupport.h"
#include "support/TempFiles.h"

#include <gtest/gtest.h>
#include <cstdlib>
#include <memory>

using namespace texture_test;

namespace
{
// A 2 x 2 uncompressed 24-bit TGA, stored bottom row first as its descriptor says.
Bytes TwoByTwoTga(bool withAlpha)
{
    Bytes file = {0, 0, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0, 2, 0, 2, 0};
    file.push_back(withAlpha ? 32 : 24);
    file.push_back(withAlpha ? 8 : 0);
    const uint8_t bottomThenTop[4][3] = {{255, 0, 0}, {0, 255, 0}, {0, 0, 255}, {255, 255, 255}};
    for (const uint8_t* rgb : bottomThenTop)
    {
        file.insert(file.end(), {rgb[2], rgb[1], rgb[0]});
        if (withAlpha)
        {
            file.push_back(128);
        }
    }
    return file;
}

GLuint Load(const std::string& path)
{
    kyrel_test::Engine();
    return gUtils->LoadImage(path.c_str());
}

class AnisotropyOff : public testing::Test
{
protected:
    void SetUp() override
    {
        kyrel_test::Engine();
        gGraphicsCore->DisableAnisotropicFiltering();
    }
};
}  // namespace

TEST_F(AnisotropyOff, SubstringsChooseTheReader)
{
    struct Case
    {
        const char* path;
        Bytes file;
        Bytes level0;
        GLint minFilter;
    };
    const Case cases[] = {
        // The engine's BMP and PCX readers store the bottom row first and build trilinear
        // mipmaps; SDL_image stores the top row first with linear filters.
        {"dispatch/Data/Wall.BMP", TwoByTwoBmp(), TwoByTwoBottomFirst(), GL_LINEAR_MIPMAP_LINEAR},
        {"dispatch/Data/bmp/stone.png", TwoByTwoBmp(), TwoByTwoBottomFirst(),
         GL_LINEAR_MIPMAP_LINEAR},
        {"dispatch/Data/wall.pcx", TwoByTwoPcx(), TwoByTwoBottomFirst(), GL_LINEAR_MIPMAP_LINEAR},
        {"dispatch/Data/Wall.PCX", TwoByTwoPcx(), TwoByTwoTopFirst(), GL_LINEAR},
        {"dispatch/Data/wall.tga", TwoByTwoTga(false), TwoByTwoTopFirst(), GL_LINEAR},
        {"dispatch/Data/wall.png.bin", TwoByTwoBmp(), TwoByTwoTopFirst(), GL_LINEAR},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.path);
        GLuint name = Load(WriteFile(c.path, c.file));
        ASSERT_NE(0u, name);
        EXPECT_EQ(static_cast<GLint>(name), BoundTexture());
        EXPECT_EQ(c.minFilter, Parameter(GL_TEXTURE_MIN_FILTER));
        EXPECT_EQ(c.level0, ReadLevel0());
    }
}

TEST_F(AnisotropyOff, JpegAndDdsNamesGoToTheirReaders)
{
    // A bitmap named .jpg: SDL_image would read it by its content, the JPEG reader refuses it and
    // says so, as it does for a colour map that is missing.
    const std::string notJpeg = WriteFile("dispatch/Data/brick.jpg", TwoByTwoBmp());
    const struct
    {
        std::string path;
        std::string message;
    } failures[] = {
        {notJpeg, notJpeg + " is not a valid JPEG file!\n"},
        {"dispatch/Data/missing.jpeg", "error: couldn't open \"dispatch/Data/missing.jpeg\"!\n"},
    };
    for (const auto& failure : failures)
    {
        testing::internal::CaptureStdout();
        testing::internal::CaptureStderr();
        EXPECT_EQ(0u, Load(failure.path));
        EXPECT_EQ(failure.message, testing::internal::GetCapturedStderr());
        EXPECT_EQ("", testing::internal::GetCapturedStdout());
    }

    if (GLEW_EXT_texture_compression_s3tc)
    {
        ASSERT_NE(0u, Load(std::string(KYREL_TEST_DATA_DIR) + "/dds/dxt3_8x8.dds"));
        EXPECT_EQ(GL_COMPRESSED_RGBA_S3TC_DXT3_EXT, LevelParameter(0, GL_TEXTURE_INTERNAL_FORMAT));
    }
}

TEST_F(AnisotropyOff, SdlImageKeepsAlphaAndRepeats)
{
    GLuint name = Load(WriteFile("dispatch/alpha.tga", TwoByTwoTga(true)));
    ASSERT_NE(0u, name);
    EXPECT_EQ(GL_RGBA, LevelParameter(0, GL_TEXTURE_INTERNAL_FORMAT));
    EXPECT_EQ(GL_REPEAT, Parameter(GL_TEXTURE_WRAP_S));
    EXPECT_EQ(GL_REPEAT, Parameter(GL_TEXTURE_WRAP_T));
    EXPECT_EQ(GL_LINEAR, Parameter(GL_TEXTURE_MAG_FILTER));
    Bytes rgba = ReadLevel0(GL_RGBA);
    ASSERT_EQ(16u, rgba.size());
    EXPECT_EQ((Bytes{0, 0, 255, 128}), Bytes(rgba.begin(), rgba.begin() + 4));
}

TEST_F(AnisotropyOff, MissingPngPrintsTheMessageAndGivesZero)
{
    testing::internal::CaptureStdout();
    EXPECT_EQ(0u, Load("Data/nothere.png"));
    EXPECT_EQ("\nFailed to load the image: Data/nothere.png\n",
              testing::internal::GetCapturedStdout());
}

TEST(LoadImageGL, AnisotropyOnSendsBitmapsThroughSdl)
{
    kyrel_test::Engine();
    gGraphicsCore->EnableAnisotropicFiltering();
    if (!gGraphicsCore->IsAnisotropicFilteringOn())
    {
        GTEST_SKIP() << "the GL driver has no anisotropic filtering";
    }
    std::string path = WriteFile("dispatch/Data/Wall.BMP", TwoByTwoBmp());
    testing::internal::CaptureStdout();
    GLuint name = gUtils->LoadImage(path.c_str());
    EXPECT_EQ("Loading Texture: " + path + "\n", testing::internal::GetCapturedStdout());
    ASSERT_NE(0u, name);
    EXPECT_EQ(GL_LINEAR, Parameter(GL_TEXTURE_MIN_FILTER));
    EXPECT_EQ(GL_REPEAT, Parameter(GL_TEXTURE_WRAP_S));
    GLfloat used = 0;
    glGetTexParameterfv(GL_TEXTURE_2D, GL_TEXTURE_MAX_ANISOTROPY_EXT, &used);
    EXPECT_EQ(1.0f, used) << "anisotropy only where the minification uses mipmaps";
    EXPECT_EQ(TwoByTwoBottomFirst(), ReadLevel0());

    // PCX keeps its own reader and gets the anisotropy flag.
    ASSERT_NE(0u, gUtils->LoadImage(WriteFile("dispatch/Data/aniso.pcx", TwoByTwoPcx()).c_str()));
    EXPECT_EQ(GL_LINEAR, Parameter(GL_TEXTURE_MIN_FILTER));
    EXPECT_EQ(TwoByTwoBottomFirst(), ReadLevel0());
    gGraphicsCore->DisableAnisotropicFiltering();
}

TEST(LoadImageGL, SdlBitmapDecodeMatchesTheEngineReader)
{
    kyrel_test::Engine();
    // Odd widths make SDL pad each surface row; 8-bit files go through the surface palette.
    for (const char* name : {"rgb24_5x3.bmp", "pal8_7x4.bmp", "pal4_7x3.bmp", "pal1_13x3.bmp",
                             "rgb24_topdown_5x3.bmp", "rgb32_5x3.bmp"})
    {
        SCOPED_TRACE(name);
        std::string path = std::string(KYREL_TEST_DATA_DIR) + "/bmp/" + name;
        std::unique_ptr<CUtils::SdlBitmap> sdl(gUtils->DecodeBMPWithSDL(path.c_str()));
        std::unique_ptr<CDecodedImage> engine(DecodeImageFile(path.c_str(), DecodeBMP));
        ASSERT_TRUE(sdl);
        ASSERT_TRUE(engine);
        EXPECT_EQ(3, sdl->components);
        ASSERT_EQ(engine->width, sdl->width);
        ASSERT_EQ(engine->height, sdl->height);
        EXPECT_EQ(Bytes(engine->data.get(), engine->data.get() + engine->dataSize),
                  Bytes(sdl->data, sdl->data + engine->dataSize));
    }
}

TEST(LoadImageGL, SdlBitmapFailureMessages)
{
    kyrel_test::Engine();
    testing::internal::CaptureStdout();
    testing::internal::CaptureStderr();
    EXPECT_EQ(0u, gUtils->LoadBMPWithSDL("dispatch/missing.bmp"));
    std::string out = testing::internal::GetCapturedStdout();
    std::string err = testing::internal::GetCapturedStderr();
    EXPECT_EQ(0u, out.find("Loading Texture: dispatch/missing.bmp\nFailed to load the image: "
                           "dispatch/missing.bmp, Error: "))
        << out;
    EXPECT_EQ(0u, err.find(" Failed loading dispatch/missing.bmp : ")) << err;
    EXPECT_EQ(nullptr, gUtils->DecodeBMPWithSDL(WriteFile("dispatch/empty.bmp", {}).c_str()));
}

// One picture saved by ImageMagick with the 40-byte header and with its default 124-byte header
// (both 4-bit palettes), and as a 16-bit bit-field file that only SDL reads. Every load must give
// ImageMagick's own pixels, bottom row first, with anisotropic filtering on and off. SDL widens
// 5- and 6-bit channels by a shift where ImageMagick scales, hence the 16-bit file's tolerance.
TEST(LoadImageGL, BitmapHeadersGiveTheSamePixelsWithAndWithoutAnisotropy)
{
    kyrel_test::Engine();
    kyrel_test::TempDir dir("bmpheaders");
    const struct
    {
        const char* file;
        const char* written;
        bool ownReaderTakesIt;
        int tolerance;
    } cases[] = {
        {"v3.bmp", "-colors 6 -type Palette BMP3:", true, 0},
        {"v5.bmp", "-colors 6 -type Palette BMP:", true, 0},
        {"rgb565.bmp", "-define bmp:subtype=RGB565 BMP:", false, 7},
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.file);
        const std::string path = dir.File(c.file);
        const std::string make = "convert -size 8x4 gradient:red-blue " + std::string(c.written) +
                                 path + " && convert " + path + " -flip -depth 8 rgb:" + path +
                                 ".rgb";
        if (std::system(make.c_str()) != 0)
        {
            GTEST_SKIP() << "ImageMagick's convert is needed: " << make;
        }
        const std::string reference = kyrel_test::ReadFile(path + ".rgb");
        ASSERT_EQ(8u * 4u * 3u, reference.size());
        for (const bool anisotropy : {false, true})
        {
            SCOPED_TRACE(anisotropy ? "anisotropy on" : "anisotropy off");
            anisotropy ? gGraphicsCore->EnableAnisotropicFiltering()
                       : gGraphicsCore->DisableAnisotropicFiltering();
            if (anisotropy != gGraphicsCore->IsAnisotropicFilteringOn() ||
                (!anisotropy && !c.ownReaderTakesIt))
            {
                continue;  // no anisotropy here; or a file the engine's reader refuses
            }
            testing::internal::CaptureStdout();
            testing::internal::CaptureStderr();
            const GLuint name = gUtils->LoadImage(path.c_str());
            testing::internal::GetCapturedStdout();
            // A file the engine's reader hands to SDL loads without a word of refusal.
            EXPECT_EQ("", testing::internal::GetCapturedStderr());
            ASSERT_NE(0u, name);
            const Bytes pixels = ReadLevel0();
            ASSERT_EQ(reference.size(), pixels.size());
            for (size_t i = 0; i < pixels.size(); ++i)
            {
                ASSERT_NEAR(static_cast<uint8_t>(reference[i]), pixels[i], c.tolerance) << i;
            }
        }
    }
    gGraphicsCore->DisableAnisotropicFiltering();
}
