// Static texts on a real context, read back from the frame: the colour components reach the font
// in the order c1, c3, c2, c4, a horizontal scale widens the glyphs, and the window's offset.
#include "gl/GLTestEnvironment.h"
#include "overlay/CStaticText.h"
#include "platform/CGraphicsCore.h"

#include <gtest/gtest.h>

namespace
{
// What a text left on a cleared frame: the brightest pixel and the box around every lit pixel,
// in pixels from the top left of the 300 x 100 area at the window's top-left corner.
struct Ink
{
    unsigned char brightest[3] = {0, 0, 0};
    int left = 1 << 20, top = 1 << 20, right = -1, bottom = -1;
};

Ink DrawAndRead(const CStaticText& text, float ox = 0.0f, float oy = 0.0f)
{
    kyrel_test::ResetFrame();
    gGraphicsCore->Begin2D();
    glLoadIdentity();
    text.DrawOffset(ox, oy);
    gGraphicsCore->End2D();

    const int width = 300, height = 100;
    const std::vector<unsigned char> pixels =
        kyrel_test::ReadPixels(0, kyrel_test::WINDOW_HEIGHT - height, width, height);
    Ink ink;
    int brightestSum = 0;
    for (int row = 0; row < height; ++row)
    {
        for (int x = 0; x < width; ++x)
        {
            const unsigned char* rgba = &pixels[(static_cast<size_t>(row) * width + x) * 4];
            const int sum = rgba[0] + rgba[1] + rgba[2];
            if (sum == 0)
            {
                continue;
            }
            const int y = height - 1 - row;
            ink.left = std::min(ink.left, x);
            ink.right = std::max(ink.right, x);
            ink.top = std::min(ink.top, y);
            ink.bottom = std::max(ink.bottom, y);
            if (sum > brightestSum)
            {
                brightestSum = sum;
                std::copy(rgba, rgba + 3, ink.brightest);
            }
        }
    }
    return ink;
}
}  // namespace

TEST(CStaticTextGL, SecondAndThirdColourComponentsAreSwappedOnTheWayToTheFont)
{
    ASSERT_NE(nullptr, kyrel_test::Engine());
    const struct
    {
        float c1, c2, c3;
        float red, green, blue;
    } cases[] = {
        {1.0f, 0.5f, 0.0f, 1.0f, 0.0f, 0.5f},
        {0.0f, 1.0f, 0.0f, 0.0f, 0.0f, 1.0f},
        {0.0f, 0.0f, 1.0f, 0.0f, 1.0f, 0.0f},
    };
    for (const auto& c : cases)
    {
        const CStaticText text("#MW", 10, 10, c.c1, c.c2, c.c3, 1.0f);
        const Ink ink = DrawAndRead(text);
        ASSERT_GE(ink.right, 0) << "nothing drawn";
        // Glyph edges are blended, so the brightest pixel carries the tint at full coverage.
        const float expected[3] = {c.red, c.green, c.blue};
        const int full = std::max({ink.brightest[0], ink.brightest[1], ink.brightest[2]});
        EXPECT_GT(full, 200);
        for (int channel = 0; channel < 3; ++channel)
        {
            EXPECT_NEAR(expected[channel] * full, ink.brightest[channel], 3)
                << "channel " << channel << " of (" << c.c1 << ", " << c.c2 << ", " << c.c3 << ")";
        }
    }
}

TEST(CStaticTextGL, ScaleTwoByOneDrawsGlyphsTwiceAsWideAndAsTall)
{
    ASSERT_NE(nullptr, kyrel_test::Engine());
    CStaticText text("HHHH", 20, 30);
    const Ink plain = DrawAndRead(text);
    text.SetScale(2.0f, 1.0f);
    const Ink wide = DrawAndRead(text);
    ASSERT_GE(plain.right, 0);
    const int plainWidth = plain.right - plain.left + 1;
    const int wideWidth = wide.right - wide.left + 1;
    EXPECT_NEAR(2 * plainWidth, wideWidth, 2);
    EXPECT_EQ(plain.top, wide.top);
    EXPECT_EQ(plain.bottom, wide.bottom);
    EXPECT_NEAR(20 + 2 * (plain.left - 20), wide.left, 1) << "scaled about the text's corner";

    // In a window the text sits at its position plus the window's corner, in whole pixels.
    text.SetScale(1.0f, 1.0f);
    const Ink offset = DrawAndRead(text, 100.7f, 40.2f);
    EXPECT_EQ(plain.left + 100, offset.left);
    EXPECT_EQ(plain.top + 40, offset.top);
}
