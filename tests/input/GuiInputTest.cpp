// A small GUI scene driven with the real X pointer (xdotool on the test display) through whole
// engine frames: hover bounds, clicks reported for one frame and where they happened, toggles,
// hidden buttons, dragging by the title bar, the pressed cursor and the hint. One test also saves
// a screenshot to /tmp.
#include "core/CEngine.h"
#include "gl/GLTestEnvironment.h"
#include "overlay/CImageButton.h"
#include "overlay/CStaticText.h"
#include "overlay/CToggleButton.h"
#include "overlay/CWindow.h"
#include "platform/CEventManager.h"
#include "platform/CGraphicsCore.h"
#include "overlay/CWindowManager.h"

#include <gtest/gtest.h>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>
#include "support/XInput.h"

namespace
{
const std::string GUI_ART = KYREL_ASSETS_DIR "/Data/GUI/";
const std::string BUTTON = GUI_ART + "button";          // 4 frames of 64 x 32, brighter each frame
const std::string TOGGLE_OFF = GUI_ART + "toggle_off";  // 2 frames of 32 x 32, slate
const std::string TOGGLE_ON = GUI_ART + "toggle_on";    // 2 frames of 32 x 32, green
const std::string BACKGROUND = GUI_ART + "window.png";
const int MAX_FRAMES = 300;
const int LEFT = 200, TOP = 150;  // the draggable window's first corner
const int OK_BUTTON = 10, HIDDEN_BUTTON = 11, OFF_TOGGLE = 20, ON_TOGGLE = 21;

// Runs xdotool on the test display; once it returns, the events it made are on their way to SDL.
void Xdotool(const std::string& arguments)
{
    const std::string command = "xdotool " + arguments;
    ASSERT_EQ(0, std::system(command.c_str())) << command;
    kyrel_test::SyncInput();
}

// RGB at (x, y) counted from the top left.
std::vector<unsigned char> PixelAt(int x, int y)
{
    std::vector<unsigned char> pixel = kyrel_test::ReadPixel(x, kyrel_test::WINDOW_HEIGHT - 1 - y);
    pixel.resize(3);
    return pixel;
}

bool IsGreen(const std::vector<unsigned char>& rgb)
{
    return rgb[1] > rgb[0] + 40 && rgb[1] > rgb[2] + 40;
}

// The back buffer as a PNG, through a PPM and ImageMagick (GL rows come bottom first).
void SaveScreenshot(const std::string& path)
{
    const std::vector<unsigned char> rgba =
        kyrel_test::ReadPixels(0, 0, kyrel_test::WINDOW_WIDTH, kyrel_test::WINDOW_HEIGHT);
    const std::string ppm = path + ".ppm";
    FILE* file = fopen(ppm.c_str(), "wb");
    ASSERT_NE(nullptr, file);
    fprintf(file, "P6 %d %d 255\n", kyrel_test::WINDOW_WIDTH, kyrel_test::WINDOW_HEIGHT);
    for (size_t i = 0; i < rgba.size(); i += 4)
    {
        fwrite(&rgba[i], 1, 3, file);
    }
    fclose(file);
    EXPECT_EQ(0, std::system(("convert " + ppm + " -flip " + path).c_str()));
    std::remove(ppm.c_str());
}

class GuiSceneInput : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_NE(nullptr, kyrel_test::Engine());
        gGraphicsCore->LoadCursors((GUI_ART + "cursor.png").c_str(),
                                   (GUI_ART + "cursor_pressed.png").c_str());
        window = new CWindow(LEFT, TOP, LEFT + 300, TOP + 200, BACKGROUND.c_str(), true, 1.0f,
                             CWindow::DEFAULT_TITLE_BAR_HEIGHT, 1, true);
        // A temporary string: the window keeps its own copy of the hint.
        window->SetHint((std::string("Drag") + " me").c_str(), LEFT, TOP - 22);
        okButton = window->CreateButton(BUTTON.c_str(), 4, 20, 40, OK_BUTTON);
        hiddenButton = window->CreateButton(BUTTON.c_str(), 4, 110, 40, HIDDEN_BUTTON);
        offToggle =
            window->CreateToggle(TOGGLE_OFF.c_str(), 2, TOGGLE_ON.c_str(), 2, 20, 100, OFF_TOGGLE);
        onToggle =
            window->CreateToggle(TOGGLE_OFF.c_str(), 2, TOGGLE_ON.c_str(), 2, 70, 100, ON_TOGGLE);
        onToggle->SetOn(true);
        window->AddStaticText(new CStaticText("Kyrel GUI", 20, 160, 1.0f, 0.6f, 0.85f, 1.0f));
        window->SetVisible(true);
        gWindowManager->AddWindow(window);

        fixed = new CWindow(600, 150, 800, 300, BACKGROUND.c_str(), true, 1.0f,
                            CWindow::DEFAULT_TITLE_BAR_HEIGHT, 2, false);
        fixed->SetVisible(true);
        gWindowManager->AddWindow(fixed);
        windowId = std::to_string(kyrel_test::WindowInfo().info.x11.window);
        kyrel_test::SettleInput();
    }

    void TearDown() override
    {
        Xdotool("mouseup 1");
        window->SetVisible(false);
        fixed->SetVisible(false);
        kyrel_test::SettleInput();
    }

    // One engine frame over a cleared picture; the picture stays in the back buffer.
    static void Frame()
    {
        kyrel_test::ResetFrame();
        kyrel_test::Engine()->Frame();
    }

    // Frames until the condition holds after one; false when it never does.
    static bool FramesUntil(const std::function<bool()>& condition)
    {
        for (int frame = 0; frame < MAX_FRAMES; ++frame)
        {
            Frame();
            if (condition())
            {
                return true;
            }
            SDL_Delay(2);
        }
        return false;
    }

    // Moves the X pointer to (x, y) of the engine's window and lets the frames take every event
    // the move caused, so later frames see only what the test does next.
    void MoveTo(int x, int y)
    {
        Xdotool("mousemove --window " + windowId + " " + std::to_string(x) + " " +
                std::to_string(y));
        ASSERT_TRUE(FramesUntil(
            [&] { return gEventManager->GetMouseX() == x && gEventManager->GetMouseY() == y; }))
            << x << ", " << y;
        DrainEvents();
    }

    static void DrainEvents()
    {
        kyrel_test::SyncInput();
        FramesUntil([] { return !gEventManager->HasEvent(); });
    }

    // Frames until the left button reads as held (or not), then as many more: the clicked-control
    // slot of each frame, in order.
    static void ButtonFrames(bool held, int frames, std::vector<int>& slots)
    {
        for (int frame = 0; frame < MAX_FRAMES && gEventManager->IsLeftButtonDown() != held;
             ++frame)
        {
            Frame();
            slots.push_back(gEventManager->GetClickedControl());
        }
        for (int frame = 0; frame < frames; ++frame)
        {
            Frame();
            slots.push_back(gEventManager->GetClickedControl());
        }
    }

    // Frames while the button is pressed and after it is released: the clicked-control slot of
    // each frame, in order.
    std::vector<int> ClickSlots(int heldFrames)
    {
        std::vector<int> slots;
        Xdotool("mousedown 1");
        ButtonFrames(true, heldFrames, slots);
        Xdotool("mouseup 1");
        ButtonFrames(false, 10, slots);
        return slots;
    }

    CWindow* window = nullptr;
    CWindow* fixed = nullptr;
    CImageButton* okButton = nullptr;
    CImageButton* hiddenButton = nullptr;
    CToggleButton* offToggle = nullptr;
    CToggleButton* onToggle = nullptr;
    std::string windowId;
};

long CountOf(const std::vector<int>& slots, int value)
{
    long count = 0;
    for (int slot : slots)
    {
        count += slot == value;
    }
    return count;
}
}  // namespace

TEST_F(GuiSceneInput, HoverBoundsIncludeAllFourEdges)
{
    // A 64 x 32 button at (10, 20) in a window at (100, 50): x 110..174, y 70..102. A toggle of
    // 32 x 32 at the same place: x 110..142, y 70..102. The title bar of a window from x 100 to
    // 300 at top 50: y 50..65.
    CImageButton button(BUTTON.c_str(), 4, 10, 20, 1);
    CToggleButton toggle(TOGGLE_OFF.c_str(), 2, TOGGLE_ON.c_str(), 2, 10, 20, 2);
    // Frames that cannot be read: size 0, and never under the mouse, even at its own corner.
    CImageButton broken("Data/none/button", 2, 10, 20, 4);
    CWindow bar(100, 50, 300, 250, nullptr, false, 1.0f, CWindow::DEFAULT_TITLE_BAR_HEIGHT, 3,
                false);
    const struct
    {
        int x, y;
        bool overButton, overToggle, overTitleBar;
    } cases[] = {
        {110, 70, true, true, false},   {174, 70, true, false, false},
        {110, 102, true, true, false},  {174, 102, true, false, false},
        {142, 102, true, true, false},  {143, 80, true, false, false},
        {109, 80, false, false, false}, {175, 80, false, false, false},
        {120, 69, false, false, false}, {120, 103, false, false, false},
        {100, 50, false, false, true},  {300, 65, false, false, true},
        {99, 55, false, false, false},  {301, 55, false, false, false},
        {200, 49, false, false, false}, {200, 66, false, false, false},
    };
    for (const auto& c : cases)
    {
        gEventManager->WarpMouse(c.x, c.y);
        kyrel_test::SettleInput();
        gEventManager->Poll();
        ASSERT_EQ(c.x, gEventManager->GetMouseX());
        EXPECT_EQ(c.overButton, button.IsMouseOver(100, 50)) << c.x << ", " << c.y;
        EXPECT_EQ(c.overToggle, toggle.IsMouseOver(100, 50)) << c.x << ", " << c.y;
        EXPECT_EQ(c.overTitleBar, bar.IsMouseOverTitleBar()) << c.x << ", " << c.y;
        EXPECT_FALSE(broken.IsMouseOver(100, 50)) << c.x << ", " << c.y;
    }
}

TEST_F(GuiSceneInput, OneClickPerPressAndHiddenButtonsNeitherDrawNorReport)
{
    MoveTo(LEFT + 20 + 32, TOP + 40 + 16);  // the OK button's middle
    EXPECT_TRUE(okButton->IsHovered());
    std::vector<int> slots = ClickSlots(15);
    EXPECT_EQ(1, CountOf(slots, OK_BUTTON)) << "held for 15 frames, reported once";
    EXPECT_EQ(static_cast<long>(slots.size()) - 1, CountOf(slots, -1));

    // A hidden button: the background shows through where it was, and a press reports nothing.
    const int x = LEFT + 110 + 32, y = TOP + 40 + 20;
    MoveTo(x + 100, y);
    const std::vector<unsigned char> shown = PixelAt(x, y);
    const std::vector<unsigned char> background = PixelAt(x + 100, y);
    EXPECT_NE(background, shown);
    hiddenButton->SetVisible(false);
    MoveTo(x, y);
    EXPECT_EQ(background, PixelAt(x, y));
    slots = ClickSlots(3);
    EXPECT_EQ(static_cast<long>(slots.size()), CountOf(slots, -1));
}

TEST_F(GuiSceneInput, ToggleFlipsOncePerPressAndShowsItFromTheNextFrame)
{
    // Away from the tick, near the box's bottom-left corner.
    const int x = LEFT + 20 + 5, y = TOP + 100 + 26;
    MoveTo(x, y);
    EXPECT_FALSE(IsGreen(PixelAt(x, y)));

    Xdotool("mousedown 1");
    ASSERT_TRUE(FramesUntil([] { return gEventManager->GetClickedControl() == OFF_TOGGLE; }));
    EXPECT_TRUE(offToggle->IsOn());
    EXPECT_FALSE(IsGreen(PixelAt(x, y))) << "the frame of the click still shows the old state";
    for (int frame = 0; frame < 10; ++frame)
    {
        Frame();
        EXPECT_TRUE(IsGreen(PixelAt(x, y))) << "frame " << frame << " after the click";
        EXPECT_TRUE(offToggle->IsOn()) << "holding the button flips nothing more";
    }
    Xdotool("mouseup 1");
    DrainEvents();

    std::vector<int> slots = ClickSlots(5);
    EXPECT_EQ(1, CountOf(slots, OFF_TOGGLE));
    EXPECT_FALSE(offToggle->IsOn()) << "the next press flips it back";
    EXPECT_FALSE(IsGreen(PixelAt(x, y)));
    EXPECT_TRUE(onToggle->IsOn()) << "the other toggle keeps its state";
}

TEST_F(GuiSceneInput, DraggingTheTitleBarMovesTheWindowAndKeepsTheTitleBarOnScreen)
{
    // Part of the body below the controls, away from the pointer, compared before and after.
    const int probeX = LEFT + 150, probeY = TOP + 150, probeWidth = 120, probeHeight = 40;
    const int glY = kyrel_test::WINDOW_HEIGHT - probeY - probeHeight;
    MoveTo(LEFT + 60, TOP + 7);
    const std::vector<unsigned char> before =
        kyrel_test::ReadPixels(probeX, glY, probeWidth, probeHeight);

    Xdotool("mousedown 1");
    ASSERT_TRUE(FramesUntil([&] { return window->IsDragging(); }));
    Xdotool("mousemove_relative -- 40 25");
    ASSERT_TRUE(FramesUntil([&] { return window->GetLeft() == LEFT + 40; }));
    EXPECT_EQ(TOP + 25, window->GetTop());
    EXPECT_EQ(LEFT + 340, window->GetRight());
    EXPECT_EQ(TOP + 225, window->GetBottom());
    Xdotool("mouseup 1");
    ASSERT_TRUE(FramesUntil([&] { return !window->IsDragging(); }));
    DrainEvents();
    EXPECT_EQ(before, kyrel_test::ReadPixels(probeX + 40, glY - 25, probeWidth, probeHeight))
        << "the window's pixels moved by (+40, +25)";

    // Dragged towards the top-left corner of the screen, the title bar stops at its edges.
    MoveTo(LEFT + 40 + 60, TOP + 25 + 7);
    Xdotool("mousedown 1");
    ASSERT_TRUE(FramesUntil([&] { return window->IsDragging(); }));
    Xdotool("mousemove --window " + windowId + " 0 0");
    ASSERT_TRUE(FramesUntil([&] { return gEventManager->GetMouseX() == 0; }));
    EXPECT_EQ(0, window->GetLeft());
    EXPECT_EQ(0, window->GetTop());
    EXPECT_EQ(300, window->GetRight());
    Xdotool("mouseup 1");
    EXPECT_TRUE(FramesUntil([&] { return !window->IsDragging(); }));
}

TEST_F(GuiSceneInput, PressedCursorAndHintShowOverADraggableTitleBarOnly)
{
    // The arrow's fill a few pixels below its tip: white normally, amber when pressed.
    const auto cursorFill = [](int x, int y) { return PixelAt(x + 3, y + 10); };
    const auto hintInk = []
    {
        const std::vector<unsigned char> pixels =
            kyrel_test::ReadPixels(LEFT, kyrel_test::WINDOW_HEIGHT - TOP + 4, 120, 18);
        long lit = 0;
        for (size_t i = 0; i < pixels.size(); i += 4)
        {
            lit += pixels[i] > 100;
        }
        return lit;
    };
    const struct
    {
        const char* where;
        int x, y;
        bool pressed, hint;
    } cases[] = {
        {"draggable title bar", LEFT + 250, TOP + 5, true, true},
        {"draggable body", LEFT + 250, TOP + 60, false, false},
        {"fixed window's title bar", 700, 155, false, false},
        {"outside every window", 100, 600, false, false},
    };
    for (const auto& c : cases)
    {
        MoveTo(c.x, c.y);
        const std::vector<unsigned char> fill = cursorFill(c.x, c.y);
        EXPECT_EQ(255, fill[0]) << c.where;
        EXPECT_EQ(c.pressed ? 0 : 255, fill[2]) << c.where;
        EXPECT_EQ(c.hint, hintInk() > 20) << c.where;
    }
}

TEST_F(GuiSceneInput, ScreenshotOfTheScene)
{
    // The pointer over the OK button, long enough for its hover animation to reach the end.
    MoveTo(LEFT + 20 + 40, TOP + 40 + 20);
    const unsigned start = SDL_GetTicks();
    while (SDL_GetTicks() - start < 400)
    {
        Frame();
    }
    const std::vector<unsigned char> hovered = PixelAt(LEFT + 20 + 10, TOP + 40 + 10);
    const std::vector<unsigned char> resting = PixelAt(LEFT + 110 + 10, TOP + 40 + 10);
    EXPECT_GT(hovered[2], resting[2] + 30) << "the hovered button shows its brightest frame";
    EXPECT_FALSE(IsGreen(PixelAt(LEFT + 20 + 5, TOP + 100 + 26)));
    EXPECT_TRUE(IsGreen(PixelAt(LEFT + 70 + 5, TOP + 100 + 26)));

    SaveScreenshot("/tmp/kyrel-gui-scene.png");

    // And with the pointer on the title bar: the pressed cursor and the hint above the window.
    MoveTo(LEFT + 120, TOP + 6);
    Frame();
    SaveScreenshot("/tmp/kyrel-gui-title-bar.png");
}

TEST_F(GuiSceneInput, AClickQueuedBetweenMotionBurstsHitsTheControlUnderIt)
{
    // Motion onto the OK button's middle, the click, and motion on to the bare body of the
    // window, all queued before a frame reads them: by then the pointer is off every control.
    const int x = LEFT + 20 + 32, y = TOP + 40 + 16;
    MoveTo(x - 100, y - 100);
    Xdotool(kyrel_test::PointerStaircase(200) + " click 1" + kyrel_test::PointerStaircase(200));
    ASSERT_TRUE(kyrel_test::WaitForXServer(x + 100, y + 100));
    std::vector<int> slots;
    do
    {
        Frame();
        slots.push_back(gEventManager->GetClickedControl());
    } while (gEventManager->HasEvent() && slots.size() < MAX_FRAMES);
    EXPECT_EQ(1, CountOf(slots, OK_BUTTON));
    EXPECT_EQ(static_cast<long>(slots.size()) - 1, CountOf(slots, -1));
    EXPECT_FALSE(okButton->IsHovered());
}
