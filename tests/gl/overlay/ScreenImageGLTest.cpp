// Screen images on a real context: texture formats from the picture, the drawn quad read back
// from the frame (position, rows, scale, size, region, rotation, tint), failed loads, and the
// texture manager's registration rules.
#include "gl/GLTestEnvironment.h"
#include "overlay/CScreenImage.h"
#include "platform/CGraphicsCore.h"
#include "textures/CTextureManager.h"

#include <gtest/gtest.h>
#include <array>
#include <cstdlib>
#include <string>

namespace
{
using Rgb = std::array<int, 3>;

const Rgb RED = {255, 0, 0}, GREEN = {0, 255, 0}, BLUE = {0, 0, 255}, WHITE = {255, 255, 255},
          BLACK = {0, 0, 0}, YELLOW = {255, 255, 0}, MAGENTA = {255, 0, 255}, CYAN = {0, 255, 255};
// rgb.png, top row first.
const Rgb PICTURE[2][4] = {{RED, GREEN, BLUE, WHITE}, {BLACK, YELLOW, MAGENTA, CYAN}};

std::string Fixture(const char* name)
{
    return std::string(KYREL_TEST_DATA_DIR) + "/overlay/" + name;
}

// Colour at (x, y) from the top left of the window.
Rgb ColourAt(int x, int y)
{
    std::vector<unsigned char> pixel = kyrel_test::ReadPixel(x, kyrel_test::WINDOW_HEIGHT - 1 - y);
    return {pixel[0], pixel[1], pixel[2]};
}

// Background that none of the picture's colours has, so every drawn pixel shows.
void ClearToGrey()
{
    kyrel_test::ResetFrame();
    glClearColor(0.5f, 0.5f, 0.5f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT);
}

bool IsGrey(const Rgb& colour)
{
    return colour[0] >= 126 && colour[0] <= 128 && colour[1] == colour[0] && colour[2] == colour[0];
}

// Under magnification, linear filtering mixes a texel with its neighbour (and, at the edges, with
// the opposite edge, as the texture repeats): a quarter of the neighbour at most.
bool CloseTo(const Rgb& expected, const Rgb& actual)
{
    for (int channel = 0; channel < 3; ++channel)
    {
        if (std::abs(expected[channel] - actual[channel]) > 70)
        {
            return false;
        }
    }
    return true;
}

template <typename DrawFn> void Draw2D(DrawFn draw)
{
    ClearToGrey();
    gGraphicsCore->Begin2D();
    glLoadIdentity();
    draw();
    gGraphicsCore->End2D();
}

GLint AlphaBits(unsigned textureName)
{
    glBindTexture(GL_TEXTURE_2D, textureName);
    GLint bits = -1;
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_ALPHA_SIZE, &bits);
    return bits;
}
}  // namespace

TEST(ScreenImageGL, PictureFormatDecidesTheTextureFormat)
{
    ASSERT_NE(nullptr, kyrel_test::Engine());
    struct Case
    {
        const char* name;
        bool alpha;
    };
    const Case cases[] = {{"rgb.png", false}, {"rgba.png", true}, {"palette.png", false}};
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.name);
        const std::string path = Fixture(c.name);
        const size_t registered = gTextureManager->GetCount();
        testing::internal::CaptureStdout();
        CScreenImage image(path.c_str());
        EXPECT_EQ("Loading Texture: " + path + "\n", testing::internal::GetCapturedStdout());
        ASSERT_NE(0u, image.GetTextureName());
        EXPECT_EQ(path, image.GetFileName());
        EXPECT_EQ(4.0f, image.GetWidth());
        EXPECT_EQ(2.0f, image.GetHeight());
        EXPECT_EQ(1.0f, image.GetAlpha());
        EXPECT_EQ(c.alpha, AlphaBits(image.GetTextureName()) > 0);
        GLint value = 0;
        glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, &value);
        EXPECT_EQ(GL_REPEAT, value);
        glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, &value);
        EXPECT_EQ(GL_LINEAR, value);

        // Level 0 holds the picture top row first, whatever SDL_image handed over.
        std::vector<unsigned char> texels(4 * 2 * 4);
        glPixelStorei(GL_PACK_ALIGNMENT, 1);
        glGetTexImage(GL_TEXTURE_2D, 0, GL_RGBA, GL_UNSIGNED_BYTE, texels.data());
        for (int i = 0; i < 8; ++i)
        {
            const Rgb& expected = PICTURE[i / 4][i % 4];
            for (int channel = 0; channel < 3; ++channel)
            {
                EXPECT_EQ(expected[channel], texels[static_cast<size_t>(i * 4 + channel)])
                    << "texel " << i << " channel " << channel;
            }
            const int alphas[4] = {255, 192, 128, 64};
            EXPECT_EQ(c.alpha ? alphas[i % 4] : 255, texels[static_cast<size_t>(i * 4 + 3)])
                << "alpha of texel " << i;
        }
        EXPECT_EQ(registered + 1, gTextureManager->GetCount());
        EXPECT_EQ(&image, gTextureManager->GetImage(registered));
    }
}

TEST(ScreenImageGL, DrawPutsTheTopRowAtTheTopLeftCorner)
{
    ASSERT_NE(nullptr, kyrel_test::Engine());
    CScreenImage image(Fixture("rgb.png").c_str());
    image.position[0] = 10;
    image.position[1] = 20;
    Draw2D([&] { image.Draw(1.0f, 0.0f, 1, 1, 1, 1); });
    for (int row = 0; row < 2; ++row)
    {
        for (int column = 0; column < 4; ++column)
        {
            EXPECT_EQ(PICTURE[row][column], ColourAt(10 + column, 20 + row))
                << column << ", " << row;
        }
    }
    EXPECT_TRUE(IsGrey(ColourAt(9, 20)));
    EXPECT_TRUE(IsGrey(ColourAt(14, 20)));
    EXPECT_TRUE(IsGrey(ColourAt(10, 19)));
    EXPECT_TRUE(IsGrey(ColourAt(10, 22)));
}

TEST(ScreenImageGL, ScaleSizeRegionAndRotationShapeTheQuad)
{
    ASSERT_NE(nullptr, kyrel_test::Engine());
    CScreenImage image(Fixture("rgb.png").c_str());

    // Scale 2 from the top-left corner: 8 x 4 pixels, each texel 2 x 2.
    Draw2D([&] { image.DrawAt(100, 50, 2.0f, 0.0f, 1, 1, 1, 1); });
    EXPECT_TRUE(CloseTo(RED, ColourAt(100, 50)));
    EXPECT_TRUE(CloseTo(CYAN, ColourAt(107, 53)));
    EXPECT_TRUE(IsGrey(ColourAt(108, 53)));
    EXPECT_TRUE(IsGrey(ColourAt(107, 54)));

    // 180 degrees about the quad's centre: the same rectangle, the picture upside down.
    Draw2D([&] { image.DrawAt(100, 50, 1.0f, 180.0f, 1, 1, 1, 1); });
    for (int row = 0; row < 2; ++row)
    {
        for (int column = 0; column < 4; ++column)
        {
            EXPECT_EQ(PICTURE[1 - row][3 - column], ColourAt(100 + column, 50 + row))
                << column << ", " << row;
        }
    }
    EXPECT_TRUE(IsGrey(ColourAt(99, 50)));
    EXPECT_TRUE(IsGrey(ColourAt(104, 51)));

    // The right half of the top row: top 1, right 1, bottom 0.5, left 0.5.
    Draw2D([&] { image.DrawRegion(100, 50, 1.0f, 1.0f, 0.5f, 0.5f, 1, 0, 1, 1, 1, 1); });
    EXPECT_EQ(BLUE, ColourAt(100, 50));
    EXPECT_EQ(WHITE, ColourAt(101, 50));
    EXPECT_TRUE(IsGrey(ColourAt(102, 50)));
    EXPECT_TRUE(IsGrey(ColourAt(100, 51)));

    // A stretched quad without reloading: 8 x 6.
    image.SetWidth(8);
    image.SetHeight(6);
    Draw2D([&] { image.DrawAt(100, 50, 1.0f, 0.0f, 1, 1, 1, 1); });
    EXPECT_TRUE(CloseTo(RED, ColourAt(101, 51)));
    EXPECT_TRUE(CloseTo(CYAN, ColourAt(106, 54)));
    EXPECT_FALSE(IsGrey(ColourAt(100, 50)));
    EXPECT_FALSE(IsGrey(ColourAt(107, 55)));
    EXPECT_TRUE(IsGrey(ColourAt(108, 55)));
    EXPECT_TRUE(IsGrey(ColourAt(107, 56)));
}

TEST(ScreenImageGL, TintAndOwnAlphaBlendOverTheFrame)
{
    ASSERT_NE(nullptr, kyrel_test::Engine());
    CScreenImage image(Fixture("rgb.png").c_str(), 0.0f);
    EXPECT_EQ(0.0f, image.GetAlpha());
    Draw2D([&] { image.DrawAt(10, 10, 1.0f, 0.0f, 0.0f, 1.0f, 1.0f, 1.0f); });
    EXPECT_EQ(BLACK, ColourAt(10, 10)) << "red times a tint without red";
    EXPECT_EQ(CYAN, ColourAt(13, 10));

    Draw2D([&] { image.DrawAtOwnAlpha(10, 10, 1.0f, 0.0f, 1.0f, 1.0f, 1.0f); });
    EXPECT_TRUE(IsGrey(ColourAt(10, 10))) << "alpha 0 leaves the frame as it was";
    image.SetAlpha(1.0f);
    Draw2D([&] { image.DrawAtOwnAlpha(10, 10, 1.0f, 0.0f, 1.0f, 1.0f, 1.0f); });
    EXPECT_EQ(RED, ColourAt(10, 10));
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
    EXPECT_EQ('\n', output.back());
    EXPECT_EQ(0u, image.GetTextureName());
    EXPECT_EQ(0.0f, image.GetWidth());
    EXPECT_EQ("", image.GetFileName());
    EXPECT_EQ(registered, gTextureManager->GetCount());

    Draw2D(
        [&]
        {
            image.DrawAt(0, 0, 1.0f, 0.0f, 1, 1, 1, 1);
            image.Draw(1.0f, 0.0f, 1, 1, 1, 1);
            image.DrawRegion(0, 0, 1, 1, 0, 0, 2.0f, 45.0f, 1, 1, 1, 1);
        });
    EXPECT_TRUE(IsGrey(ColourAt(0, 0)));
    EXPECT_EQ(static_cast<GLenum>(GL_NO_ERROR), glGetError());
}

TEST(ScreenImageGL, TheDemoLogoIsAnRgbaPicture)
{
    ASSERT_NE(nullptr, kyrel_test::Engine());
    CScreenImage logo("Data/Logo/k3dlogo.png");
    ASSERT_NE(0u, logo.GetTextureName());
    EXPECT_GT(AlphaBits(logo.GetTextureName()), 0);
    EXPECT_GE(logo.GetWidth(), 120.0f);
    EXPECT_LE(logo.GetWidth(), 320.0f);
    EXPECT_GE(logo.GetHeight(), 40.0f);
    EXPECT_LE(logo.GetHeight(), 120.0f);
}

TEST(TextureManagerGL, RegistrationIsByTextureName)
{
    ASSERT_NE(nullptr, kyrel_test::Engine());
    CScreenImage* first = new CScreenImage(Fixture("anim1.png").c_str());
    CScreenImage* second = new CScreenImage(Fixture("anim2.png").c_str());
    CScreenImage* third = new CScreenImage(Fixture("anim3.png").c_str());
    CScreenImage unloaded;

    CTextureManager manager;
    manager.RemoveImage(first);  // empty list: nothing happens, nothing is destroyed
    EXPECT_EQ(0u, manager.GetCount());
    EXPECT_EQ(Fixture("anim1.png"), first->GetFileName());

    manager.RegisterImage(first);
    manager.RegisterImage(first);
    EXPECT_EQ(1u, manager.GetCount());
    manager.RegisterImage(second);
    manager.RegisterImage(third);
    ASSERT_EQ(3u, manager.GetCount());

    manager.RemoveImage(&unloaded);  // texture 0 is not listed: left alone
    EXPECT_EQ(3u, manager.GetCount());

    manager.RemoveImage(second);  // destroys it and keeps the others in order
    ASSERT_EQ(2u, manager.GetCount());
    EXPECT_EQ(first, manager.GetImage(0));
    EXPECT_EQ(third, manager.GetImage(1));
    EXPECT_EQ(nullptr, manager.GetImage(2));

    // Removing destroys, and a destroyed image leaves the engine's list as well.
    const size_t engineCount = gTextureManager->GetCount();
    manager.RemoveImage(third);
    manager.RemoveImage(first);
    EXPECT_EQ(0u, manager.GetCount());
    EXPECT_EQ(engineCount - 2, gTextureManager->GetCount());
}

TEST(TextureManagerGL, ImageDeletedByItsOwnerLeavesTheEngineList)
{
    ASSERT_NE(nullptr, kyrel_test::Engine());
    const size_t before = gTextureManager->GetCount();
    CScreenImage* image = new CScreenImage(Fixture("anim1.png").c_str());
    ASSERT_EQ(before + 1, gTextureManager->GetCount());
    ASSERT_EQ(image, gTextureManager->GetImage(before));
    delete image;
    EXPECT_EQ(before, gTextureManager->GetCount());
    // Nothing left to point at the deleted object: another image registers cleanly.
    CScreenImage next(Fixture("anim2.png").c_str());
    EXPECT_EQ(&next, gTextureManager->GetImage(before));
}

TEST(TextureManagerGL, ImagesOutliveTheirRegistry)
{
    ASSERT_NE(nullptr, kyrel_test::Engine());
    CScreenImage image(Fixture("rgb.png").c_str());
    {
        CTextureManager manager;
        manager.RegisterImage(&image);
    }
    Draw2D([&] { image.DrawAt(30, 30, 1.0f, 0.0f, 1, 1, 1, 1); });
    EXPECT_EQ(RED, ColourAt(30, 30));
}
