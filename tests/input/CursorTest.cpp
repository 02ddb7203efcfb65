// The software cursor: which image is drawn at the mouse position, normal or pressed.
#include "gl/GLTestEnvironment.h"
#include "platform/CEventManager.h"
#include "platform/CGraphicsCore.h"

#include <gtest/gtest.h>
#include <string>

namespace
{
const std::string RED_IMAGE = std::string(KYREL_TEST_DATA_DIR) + "/overlay/anim1.png";
const std::string GREEN_IMAGE = std::string(KYREL_TEST_DATA_DIR) + "/overlay/anim2.png";
const int MOUSE_X = 300;
const int MOUSE_Y = 200;

// Draws the cursor of a graphics core over a cleared frame; the colour under the mouse.
std::vector<unsigned char> DrawnCursorColour(CGraphicsCore& core)
{
    kyrel_test::ResetFrame();
    core.Begin2D();
    glLoadIdentity();
    core.DrawCursor();
    core.End2D();
    return kyrel_test::ReadPixel(MOUSE_X, kyrel_test::WINDOW_HEIGHT - 1 - MOUSE_Y);
}

class CursorGL : public ::testing::Test
{
protected:
    void SetUp() override
    {
        gEventManager->WarpMouse(MOUSE_X, MOUSE_Y);
        kyrel_test::SettleInput();
        gEventManager->Poll();
        ASSERT_EQ(MOUSE_X, gEventManager->GetMouseX());
    }
};
}  // namespace

TEST_F(CursorGL, PressedImageShowsOnlyWhenLoadedAsAPair)
{
    CGraphicsCore single;
    single.LoadCursor(RED_IMAGE.c_str());
    EXPECT_TRUE(single.IsOwnCursorShown());
    EXPECT_EQ(0, SDL_ShowCursor(SDL_QUERY)) << "the system cursor is hidden";
    single.SetCursorPressed(true);  // no pressed image: the normal one stays
    EXPECT_EQ(255, DrawnCursorColour(single)[0]);

    CGraphicsCore pair;
    pair.LoadCursors(RED_IMAGE.c_str(), GREEN_IMAGE.c_str());
    std::vector<unsigned char> normal = DrawnCursorColour(pair);
    EXPECT_EQ(255, normal[0]);
    EXPECT_EQ(0, normal[1]);
    pair.SetCursorPressed(true);
    std::vector<unsigned char> pressed = DrawnCursorColour(pair);
    EXPECT_EQ(0, pressed[0]);
    EXPECT_EQ(255, pressed[1]);
    pair.SetCursorPressed(false);
    EXPECT_EQ(255, DrawnCursorColour(pair)[0]);

    CGraphicsCore pressedOnly;
    pressedOnly.LoadPressedCursor(GREEN_IMAGE.c_str());
    EXPECT_FALSE(pressedOnly.IsOwnCursorShown());
}
