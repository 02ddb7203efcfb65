// Real SDL events through the event manager: one per poll, codes, key table, buttons, mouse,
// and a burst of real X pointer motion taken as one event.
#include "gl/GLTestEnvironment.h"
#include "platform/CEventManager.h"

#include <gtest/gtest.h>
#include "support/XInput.h"

namespace
{
class CEventManagerGL : public ::testing::Test
{
protected:
    void SetUp() override { kyrel_test::SettleInput(); }

    static void PushKey(Uint8 type, SDLKey key)
    {
        SDL_Event event = {};
        event.type = type;
        event.key.type = type;
        event.key.state = type == SDL_KEYDOWN ? SDL_PRESSED : SDL_RELEASED;
        event.key.keysym.sym = key;
        ASSERT_EQ(0, SDL_PushEvent(&event));
    }

    static void PushButton(Uint8 type, Uint8 button)
    {
        SDL_Event event = {};
        event.type = type;
        event.button.type = type;
        event.button.button = button;
        event.button.state = type == SDL_MOUSEBUTTONDOWN ? SDL_PRESSED : SDL_RELEASED;
        ASSERT_EQ(0, SDL_PushEvent(&event));
    }

    CEventManager events;
};
}  // namespace

TEST_F(CEventManagerGL, KeysAreTakenOnePerPollWithTheirCodes)
{
    PushKey(SDL_KEYDOWN, SDLK_ESCAPE);
    PushKey(SDL_KEYUP, SDLK_ESCAPE);

    events.Poll();
    EXPECT_TRUE(events.HasEvent());
    EXPECT_TRUE(events.IsLastEvent(CEventManager::EVENT_KEY_PRESSED));
    EXPECT_TRUE(events.IsKeyDown(SDLK_ESCAPE));
    EXPECT_EQ(SDL_KEYDOWN, events.GetEvent().type);

    events.Poll();  // the key-up: an event, but code 0
    EXPECT_TRUE(events.HasEvent());
    EXPECT_TRUE(events.IsLastEvent(CEventManager::EVENT_NONE));
    EXPECT_FALSE(events.IsKeyDown(SDLK_ESCAPE));

    events.Poll();
    EXPECT_FALSE(events.HasEvent());
    EXPECT_TRUE(events.IsLastEvent(CEventManager::EVENT_NONE));
    EXPECT_FALSE(events.IsKeyDown(-1));
    EXPECT_FALSE(events.IsKeyDown(400));
}

TEST_F(CEventManagerGL, ButtonsSetHeldFlagsAndTheMiddleButtonChangesNothing)
{
    PushButton(SDL_MOUSEBUTTONDOWN, SDL_BUTTON_LEFT);
    PushButton(SDL_MOUSEBUTTONDOWN, SDL_BUTTON_MIDDLE);
    PushButton(SDL_MOUSEBUTTONDOWN, SDL_BUTTON_RIGHT);
    PushButton(SDL_MOUSEBUTTONUP, SDL_BUTTON_LEFT);
    PushButton(SDL_MOUSEBUTTONUP, SDL_BUTTON_RIGHT);

    const struct
    {
        int code;
        bool left;
        bool right;
    } expected[] = {
        {5, true, false}, {0, true, false}, {6, true, true}, {3, false, true}, {4, false, false}};
    for (const auto& step : expected)
    {
        events.SetClickedControl(42);
        events.Poll();
        EXPECT_TRUE(events.HasEvent());
        EXPECT_TRUE(events.IsLastEvent(step.code)) << "code " << step.code;
        EXPECT_EQ(step.left, events.IsLeftButtonDown()) << "code " << step.code;
        EXPECT_EQ(step.right, events.IsRightButtonDown()) << "code " << step.code;
        EXPECT_EQ(-1, events.GetClickedControl());
    }
}

TEST_F(CEventManagerGL, QuitIsReportedOnlyOnTheFrameThatTookIt)
{
    SDL_Event quit = {};
    quit.type = SDL_QUIT;
    ASSERT_EQ(0, SDL_PushEvent(&quit));
    events.Poll();
    EXPECT_TRUE(events.IsLastEvent(CEventManager::EVENT_QUIT));
    events.Poll();
    EXPECT_FALSE(events.IsLastEvent(CEventManager::EVENT_QUIT));
    EXPECT_FALSE(events.HasEvent());
}

TEST_F(CEventManagerGL, MouseDeltaIsTheChangeBetweenTwoPolls)
{
    events.WarpMouse(100, 200);
    kyrel_test::SettleInput();
    events.Poll();
    events.WarpMouse(130, 190);
    EXPECT_EQ(100, events.GetMouseX()) << "warping does not change the stored position";
    kyrel_test::SettleInput();
    events.Poll();
    EXPECT_EQ(130, events.GetMouseX());
    EXPECT_EQ(190, events.GetMouseY());
    EXPECT_EQ(30, events.GetMouseDeltaX());
    EXPECT_EQ(-10, events.GetMouseDeltaY());
    EXPECT_TRUE(events.HasMouseMoved());
    kyrel_test::SettleInput();
    events.Poll();
    EXPECT_FALSE(events.HasMouseMoved());
}

TEST_F(CEventManagerGL, AMotionBurstIsOneEventAndTheKeyReleaseBehindItTheNext)
{
    events.WarpMouse(100, 100);
    kyrel_test::Xdotool("keydown w");
    for (int poll = 0; poll < 500 && !events.IsKeyDown(SDLK_w); ++poll, SDL_Delay(2))
    {
        events.Poll();
    }
    ASSERT_TRUE(events.IsKeyDown(SDLK_w));
    kyrel_test::SettleInput();
    // 1,000 moves, far more than SDL's queue holds, then the release.
    kyrel_test::Xdotool(kyrel_test::PointerStaircase(1000) + " keyup w");
    ASSERT_TRUE(kyrel_test::WaitForXServer(600, 600, "w"));
    events.Poll();
    EXPECT_EQ(500, events.GetEvent().motion.xrel) << "the whole burst, summed";
    EXPECT_EQ(600, events.GetEvent().motion.y);
    events.Poll();
    EXPECT_FALSE(events.IsKeyDown(SDLK_w)) << "up on the second poll";
}
