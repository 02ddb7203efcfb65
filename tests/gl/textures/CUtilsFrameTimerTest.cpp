// The frame timer's rate, frame time and window caption, measured over real seconds.
#include "gl/GLTestEnvironment.h"
#include "platform/CGraphicsCore.h"
#include "textures/CUtils.h"

#include <gtest/gtest.h>
#include <regex>
#include <string>

TEST(CUtilsFrameTimerGL, CaptionCarriesTheRateAndChangesAtMostOncePerSecond)
{
    gGraphicsCore->SetCaption("Timer test");
    CUtils utils;
    int captionChanges = 0;
    std::string lastCaption = "Timer test";
    Uint32 start = SDL_GetTicks();
    while (SDL_GetTicks() - start < 2600)
    {
        SDL_Delay(10);
        utils.UpdateFrameTimer();
        char* title = nullptr;
        char* icon = nullptr;
        SDL_WM_GetCaption(&title, &icon);
        if (title && lastCaption != title)
        {
            lastCaption = title;
            ++captionChanges;
        }
    }
    EXPECT_GE(captionChanges, 1);
    EXPECT_LE(captionChanges, 3);
    std::smatch match;
    ASSERT_TRUE(
        std::regex_match(lastCaption, match, std::regex("Timer test Current FPS: ([0-9]+)")))
        << lastCaption;
    int rate = std::stoi(match[1]);
    EXPECT_EQ(rate, utils.GetFPS());
    // About 100 frames of 10 ms each fit in a second; allow for a slow, shared machine.
    EXPECT_GT(rate, 20);
    EXPECT_LE(rate, 101);
    EXPECT_EQ(" Current FPS: " + std::to_string(rate), utils.GetCaptionSuffix());
    EXPECT_GE(utils.GetFrameTime(), 0.009);
    EXPECT_LT(utils.GetFrameTime(), 0.5);
    EXPECT_EQ("Timer test", gGraphicsCore->GetCaption()) << "the stored caption stays unsuffixed";
}
