// Animated images on a real context: frames read in number order, once-through and looped
// advance by SDL's clock, and guarded frame indices.
#include "gl/GLTestEnvironment.h"
#include "overlay/CAnimatedImage.h"
#include "overlay/CScreenImage.h"
#include "platform/CGraphicsCore.h"

#include <gtest/gtest.h>
#include <SDL/SDL.h>
#include <string>

namespace
{
const std::string BASE = std::string(KYREL_TEST_DATA_DIR) + "/overlay/anim";
// A long interval keeps a loaded machine from changing frames between two quick draws.
const unsigned FRAMES_PER_SECOND = 4;
const unsigned LONGER_THAN_A_FRAME_MS = 300;

// The frame drawn at (50, 60), told by its colour: 'r', 'g', 'b', '-' for none, '?' otherwise.
template <typename DrawFn> char DrawnFrame(DrawFn draw)
{
    kyrel_test::ResetFrame();
    gGraphicsCore->Begin2D();
    glLoadIdentity();
    draw();
    gGraphicsCore->End2D();
    std::vector<unsigned char> pixel = kyrel_test::ReadPixel(51, kyrel_test::WINDOW_HEIGHT - 62);
    const int colour = (pixel[0] == 255) * 4 + (pixel[1] == 255) * 2 + (pixel[2] == 255);
    const int dark = (pixel[0] == 0) + (pixel[1] == 0) + (pixel[2] == 0);
    return dark == 3 ? '-' : dark == 2 && colour ? "?bg?r???"[colour] : '?';
}
}  // namespace

TEST(AnimatedImageGL, FramesAreReadInNumberOrder)
{
    ASSERT_NE(nullptr, kyrel_test::Engine());
    testing::internal::CaptureStdout();
    CAnimatedImage animation(BASE.c_str(), 3, 50, 60);
    EXPECT_EQ("Loading Texture: " + BASE + "1.png\nLoading Texture: " + BASE +
                  "2.png\nLoading Texture: " + BASE + "3.png\n",
              testing::internal::GetCapturedStdout());
    EXPECT_EQ(3u, animation.GetFrameCount());
    EXPECT_EQ(1u, animation.GetCurrentFrame());
    EXPECT_EQ(20u, animation.GetFramesPerSecond());
    EXPECT_EQ(50.0f, animation.GetX());
    EXPECT_EQ(60.0f, animation.GetY());
    for (unsigned i = 0; i < 3; ++i)
    {
        ASSERT_NE(nullptr, animation.GetFrame(i));
        EXPECT_EQ(BASE + std::to_string(i + 1) + ".png", animation.GetFrame(i)->GetFileName());
    }
    EXPECT_EQ(nullptr, animation.GetFrame(3));
    EXPECT_EQ('b', DrawnFrame([&] { animation.DrawFrame(2); }));
    EXPECT_EQ('g', DrawnFrame([&] { animation.DrawFrameAt(1, 50, 60); }));
    EXPECT_EQ('-', DrawnFrame([&] { animation.DrawFrame(3); }));
    EXPECT_EQ('-', DrawnFrame([&] { animation.DrawFrame(4000000000u); }));

    // Missing files still give frames, ones that draw nothing; no frames at all draw nothing.
    testing::internal::CaptureStdout();
    CAnimatedImage missing("Data/none/anim", 2, 50, 60);
    testing::internal::GetCapturedStdout();
    ASSERT_NE(nullptr, missing.GetFrame(1));
    EXPECT_EQ(0u, missing.GetFrame(1)->GetTextureName());
    CAnimatedImage empty;
    EXPECT_EQ('-', DrawnFrame(
                       [&]
                       {
                           missing.Draw();
                           empty.Draw();
                           empty.DrawLooped();
                       }));
}

TEST(AnimatedImageGL, OnceThroughStopsOnTheLastFrameAndLoopedWrapsAround)
{
    ASSERT_NE(nullptr, kyrel_test::Engine());
    testing::internal::CaptureStdout();
    CAnimatedImage animation(BASE.c_str(), 3, 0, 0);
    testing::internal::GetCapturedStdout();
    animation.SetPosition(50, 60);
    animation.SetFramesPerSecond(FRAMES_PER_SECOND);

    // Draw first, then advance: the frame shown is the one before the change.
    SDL_Delay(LONGER_THAN_A_FRAME_MS);
    EXPECT_EQ('r', DrawnFrame([&] { animation.Draw(); }));
    EXPECT_EQ(2u, animation.GetCurrentFrame());
    EXPECT_EQ('g', DrawnFrame([&] { animation.Draw(); }));
    EXPECT_EQ(2u, animation.GetCurrentFrame()) << "no interval has passed since the change";

    // However long the wait, one draw moves one frame.
    SDL_Delay(3 * LONGER_THAN_A_FRAME_MS);
    animation.DrawAt(50, 60);
    EXPECT_EQ(3u, animation.GetCurrentFrame());
    SDL_Delay(LONGER_THAN_A_FRAME_MS);
    EXPECT_EQ('b', DrawnFrame([&] { animation.Draw(); }));
    EXPECT_EQ(3u, animation.GetCurrentFrame()) << "once through ends on the last frame";

    SDL_Delay(LONGER_THAN_A_FRAME_MS);
    EXPECT_EQ('b', DrawnFrame([&] { animation.DrawLooped(); }));
    EXPECT_EQ(1u, animation.GetCurrentFrame()) << "looped goes back to the first";
    SDL_Delay(LONGER_THAN_A_FRAME_MS);
    EXPECT_EQ('r', DrawnFrame([&] { animation.DrawLoopedAt(50, 60); }));
    EXPECT_EQ(2u, animation.GetCurrentFrame());

    animation.Restart();
    EXPECT_EQ(1u, animation.GetCurrentFrame());
    EXPECT_EQ('r', DrawnFrame([&] { animation.DrawLooped(); }));
}
