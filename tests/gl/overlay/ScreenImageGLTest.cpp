// Screen images on a real context: texture format from the picture, the drawn quad read back
// from the frame (rows, scale, size, region, rotation, alpha), failed loads, and the texture
// manager's registration rules.
#include "gl/GLTestEnvironment.h"
#include "overlay/CScreenImage.h"
#include "platform/CGraphicsCore.h"
#include "overlay/CTextureManager.h"

#include <gtest/gtest.h>
#include <array>
#include <cstdlib>
#include <string>

namespace
{
using Rgb = std::array<int, 3>;
const Rgb RED = {255, 0, 0}, BLUE = {0, 0, 255}, WHITE = {255, 255, 255}, CYAN = {0, 255, 255},
          GREY = {128, 128, 128};
// rgb.png, top row first: red, green, blue, white; black, yellow, magenta, cyan.
const Rgb PICTURE[2][4] = {{RED, {0, 255, 0}, BLUE, WHITE},
                           {{0, 0, 0}, {255, 255, 0}, {255, 0, 255}, CYAN}};

std::string Fixture(const char* name)
{
    return std::string(KYREL_TEST_DATA_DIR) + "/overlay/" + name;
}

// Colour at (x, y) from the top left of the window, each channel within one of expected.
::testing::AssertionResult ColourIs(const Rgb& expected, int x, int y)
{
    std::vector<unsigned char> pixel = kyrel_test::ReadPixel(x, kyrel_test::WINDOW_HEIGHT - 1 - y);
    for (int channel = 0; channel < 3; ++channel)
    {
        if (std::abs(expected[channel] - pixel[static_cast<size_t>(channel)]) > 1)
        {
            return ::testing::AssertionFailure()
                   << "(" << x << ", " << y << ") is " << int(pixel[0]) << ", " << int(pixel[1])
                   << ", " << int(pixel[2]);
        }
    }
    return ::testing::AssertionSuccess();
}

// Draws on a grey frame, which no colour of the pictures matches, in the 2D mode.
template <typename DrawFn> void Draw2D(DrawFn draw)
{
    kyrel_test::ResetFrame();
    glClearColor(0.5f, 0.5f, 0.5f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT);
    gGraphicsCore->Begin2D();
    glLoadIdentity();
    draw();
    gGraphicsCore->End2D();
}
}  // namespace

TEST(ScreenImageGL, PictureFormatDecidesTheTextureFormat)
{
    ASSERT_NE(nullptr, kyrel_test::Engine());
    const std::pair<const char*, bool> cases[] = {
        {"rgb.png", false}, {"rgba.png", true}, {"palette.png", false}};
    for (const auto& c : cases)
    {
        const std::string path = Fixture(c.first);
        const size_t registered = gTextureManager->GetCount();
        testing::internal::CaptureStdout();
        CScreenImage image(path.c_str());
        EXPECT_EQ("Loading Texture: " + path + "\n", testing::internal::GetCapturedStdout());
        ASSERT_NE(0u, image.GetTextureName()) << path;
        EXPECT_EQ(path, image.GetFileName());
        EXPECT_EQ(4.0f, image.GetWidth());
        EXPECT_EQ(2.0f, image.GetHeight());
        EXPECT_EQ(&image, gTextureManager->GetImage(registered));

        GLint alphaBits = -1;
        glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_ALPHA_SIZE, &alphaBits);
        EXPECT_EQ(c.second, alphaBits > 0) << path;
        // Level 0 holds the picture top row first, whatever layout SDL_image handed over.
        std::vector<unsigned char> texels(4 * 2 * 4);
        glPixelStorei(GL_PACK_ALIGNMENT, 1);
        glGetTexImage(GL_TEXTURE_2D, 0, GL_RGBA, GL_UNSIGNED_BYTE, texels.data());
        const int alphas[4] = {255, 192, 128, 64};
        for (size_t i = 0; i < 8; ++i)
        {
            const Rgb& colour = PICTURE[i / 4][i % 4];
            EXPECT_EQ(
                (std::vector<unsigned char>{
                    static_cast<unsigned char>(colour[0]), static_cast<unsigned char>(colour[1]),
                    static_cast<unsigned char>(colour[2]),
                    static_cast<unsigned char>(c.second ? alphas[i % 4] : 255)}),
                std::vector<unsigned char>(texels.begin() + i * 4, texels.begin() + i * 4 + 4))
                << path << " texel " << i;
        }
    }
}

TEST(ScreenImageGL, QuadFollowsPositionScaleSizeRegionAndRotation)
{
    ASSERT_NE(nullptr, kyrel_test::Engine());
    CScreenImage image(Fixture("rgb.png").c_str());
    image.position[0] = 10;
    image.position[1] = 20;
    Draw2D([&] { image.Draw(1.0f, 0.0f, 1, 1, 1, 1); });
    for (int i = 0; i < 8; ++i)
    {
        EXPECT_TRUE(ColourIs(PICTURE[i / 4][i % 4], 10 + i % 4, 20 + i / 4));
    }
    for (auto outside : {std::make_pair(9, 20), {14, 21}, {10, 19}, {13, 22}})
    {
        EXPECT_TRUE(ColourIs(GREY, outside.first, outside.second));
    }

    // 180 degrees about the quad's centre: the same rectangle, the picture upside down.
    Draw2D([&] { image.DrawAt(100, 50, 1.0f, 180.0f, 1, 1, 1, 1); });
    EXPECT_TRUE(ColourIs(CYAN, 100, 50));
    EXPECT_TRUE(ColourIs(RED, 103, 51));
    EXPECT_TRUE(ColourIs(GREY, 104, 51));

    // The right half of the top row: top 1, right 1, bottom 0.5, left 0.5.
    Draw2D([&] { image.DrawRegion(100, 50, 1.0f, 1.0f, 0.5f, 0.5f, 1, 0, 1, 1, 1, 1); });
    EXPECT_TRUE(ColourIs(BLUE, 100, 50));
    EXPECT_TRUE(ColourIs(WHITE, 101, 50));
    EXPECT_TRUE(ColourIs(GREY, 102, 50));
    EXPECT_TRUE(ColourIs(GREY, 100, 51));

    // Scale 2 from the top-left corner, and a quad stretched without reloading (a solid
    // picture, so linear filtering gives the same colour everywhere).
    CScreenImage solid(Fixture("anim1.png").c_str());
    Draw2D([&] { solid.DrawAt(100, 50, 2.0f, 0.0f, 1, 1, 1, 1); });
    EXPECT_TRUE(ColourIs(RED, 100, 50));
    EXPECT_TRUE(ColourIs(RED, 103, 53));
    EXPECT_TRUE(ColourIs(GREY, 104, 53));
    EXPECT_TRUE(ColourIs(GREY, 103, 54));
    solid.SetWidth(8);
    solid.SetHeight(6);
    Draw2D([&] { solid.DrawAt(100, 50, 1.0f, 0.0f, 1, 1, 1, 1); });
    EXPECT_TRUE(ColourIs(RED, 107, 55));
    EXPECT_TRUE(ColourIs(GREY, 108, 55));
    EXPECT_TRUE(ColourIs(GREY, 107, 56));

    // The stored alpha and the tint: alpha 0 leaves the frame as it was.
    solid.SetAlpha(0.0f);
    Draw2D([&] { solid.DrawAtOwnAlpha(10, 10, 1.0f, 0.0f, 1.0f, 1.0f, 1.0f); });
    EXPECT_TRUE(ColourIs(GREY, 10, 10));
    Draw2D([&] { image.DrawAt(10, 10, 1.0f, 0.0f, 0.0f, 1.0f, 1.0f, 1.0f); });
    EXPECT_TRUE(ColourIs({0, 0, 0}, 10, 10)) << "red times a tint without red";
}

TEST(ScreenImageGL, FailedLoadReportsAndDrawsNothing)
{
    ASSERT_NE(nullptr, kyrel_test::Engine());
    const size_t registered = gTextureManager->GetCount();
    testing::internal::CaptureStdout();
    CScreenImage image("Data/none/missing.png");
    const std::string output = testing::internal::GetCapturedStdout();
    EXPECT_EQ(0u, output.find("Loading Texture: Data/none/missing.png\n"
                              "Failed to load the image: Data/none/missing.png, Error: "))
        << output;
    EXPECT_EQ(0u, image.GetTextureName());
    EXPECT_EQ(0.0f, image.GetWidth());
    EXPECT_EQ(registered, gTextureManager->GetCount());
    Draw2D(
        [&]
        {
            image.Draw(1.0f, 0.0f, 1, 1, 1, 1);
            image.DrawRegion(0, 0, 1, 1, 0, 0, 2.0f, 45.0f, 1, 1, 1, 1);
        });
    EXPECT_TRUE(ColourIs(GREY, 0, 0));
    EXPECT_EQ(static_cast<GLenum>(GL_NO_ERROR), glGetError());
}

TEST(TextureManagerGL, RegistrationIsByTextureName)
{
    ASSERT_NE(nullptr, kyrel_test::Engine());
    CScreenImage* first = new CScreenImage(Fixture("anim1.png").c_str());
    CScreenImage* second = new CScreenImage(Fixture("anim2.png").c_str());
    CScreenImage* third = new CScreenImage(Fixture("anim3.png").c_str());
    CScreenImage unloaded;
    const size_t engineCount = gTextureManager->GetCount();
    {
        CTextureManager manager;
        manager.RemoveImage(first);  // empty list: nothing removed, nothing destroyed
        manager.RegisterImage(first);
        manager.RegisterImage(first);
        EXPECT_EQ(1u, manager.GetCount());
        manager.RegisterImage(second);
        manager.RegisterImage(third);
        manager.RemoveImage(&unloaded);  // texture 0 is not listed: left alone
        ASSERT_EQ(3u, manager.GetCount());

        manager.RemoveImage(second);  // destroyed; the others keep their order
        ASSERT_EQ(2u, manager.GetCount());
        EXPECT_EQ(first, manager.GetImage(0));
        EXPECT_EQ(third, manager.GetImage(1));
        // A destroyed image leaves the engine's list too.
        EXPECT_EQ(engineCount - 1, gTextureManager->GetCount());
    }
    // The registry is gone, its images are not.
    Draw2D([&] { first->DrawAt(30, 30, 1.0f, 0.0f, 1, 1, 1, 1); });
    EXPECT_TRUE(ColourIs(RED, 30, 30));
    delete first;
    delete third;
    EXPECT_EQ(engineCount - 3, gTextureManager->GetCount());
}
