// GUI windows on a real context: the background fitted or stretched into the window, children
// kept inside its right and bottom edges, and a window that still works without its pictures.
// The mouse is never polled here (it stays at 0, 0), so no window is hovered or dragged.
#include "gl/GLTestEnvironment.h"
#include "overlay/CImageButton.h"
#include "overlay/CScreenImage.h"
#include "overlay/CToggleButton.h"
#include "overlay/CWindow.h"
#include "platform/CGraphicsCore.h"

#include <gtest/gtest.h>
#include <memory>
#include <string>

namespace
{
const std::string WIDE_PICTURE = KYREL_TEST_DATA_DIR "/gui/wide_120x40.png";  // solid orange
const std::string GUI_ART = KYREL_ASSETS_DIR "/Data/GUI/";
const std::string BOX_PICTURE = GUI_ART + "toggle_off1.png";  // 32 x 32
const std::string BUTTON = GUI_ART + "button";                // 4 frames of 64 x 32
const std::string TOGGLE_OFF = GUI_ART + "toggle_off";        // 2 frames of 32 x 32
const std::string TOGGLE_ON = GUI_ART + "toggle_on";

CWindow* NewWindow(float left, float top, float width, float height, const char* background,
                   bool stretch)
{
    return new CWindow(left, top, left + width, top + height, background, stretch, 1.0f,
                       CWindow::DEFAULT_TITLE_BAR_HEIGHT, 1, false);
}

void DrawWindow(CWindow& window)
{
    kyrel_test::ResetFrame();
    gGraphicsCore->Begin2D();
    glLoadIdentity();
    window.Draw();
    gGraphicsCore->End2D();
}

// RGBA at (x, y) counted from the top left, as the GUI places things.
std::vector<unsigned char> PixelAt(int x, int y)
{
    return kyrel_test::ReadPixel(x, kyrel_test::WINDOW_HEIGHT - 1 - y);
}
}  // namespace

TEST(CWindowGL, BackgroundIsShrunkToTheWindowOrStretchedToIt)
{
    ASSERT_NE(nullptr, kyrel_test::Engine());
    const struct
    {
        const std::string& picture;
        bool stretch;
        float width, height;
    } cases[] = {
        {WIDE_PICTURE, false, 100, 30},  // 120 x 40: too wide and too tall
        {WIDE_PICTURE, true, 100, 30},
        {BOX_PICTURE, false, 32, 30},  // 32 x 32: only too tall
        {BOX_PICTURE, true, 100, 30},
    };
    for (const auto& c : cases)
    {
        std::unique_ptr<CWindow> window(NewWindow(300, 200, 100, 30, c.picture.c_str(), c.stretch));
        ASSERT_EQ(1u, window->GetPictures().size()) << c.picture;
        EXPECT_EQ(c.width, window->GetPictures()[0]->GetWidth()) << c.picture << " " << c.stretch;
        EXPECT_EQ(c.height, window->GetPictures()[0]->GetHeight()) << c.picture << " " << c.stretch;
    }

    // On screen the shrunk picture covers the window exactly, from its top-left corner.
    std::unique_ptr<CWindow> window(NewWindow(300, 200, 100, 30, WIDE_PICTURE.c_str(), false));
    window->SetVisible(true);
    DrawWindow(*window);
    const int inside[][2] = {{300, 200}, {399, 200}, {300, 229}, {399, 229}};
    for (const auto& p : inside)
    {
        std::vector<unsigned char> pixel = PixelAt(p[0], p[1]);
        EXPECT_EQ(255, pixel[0]) << p[0] << ", " << p[1];
        EXPECT_NEAR(128, pixel[1], 1) << p[0] << ", " << p[1];
        EXPECT_EQ(0, pixel[2]) << p[0] << ", " << p[1];
    }
    const int outside[][2] = {{299, 210}, {400, 210}, {350, 199}, {350, 230}};
    for (const auto& p : outside)
    {
        EXPECT_EQ(0, PixelAt(p[0], p[1])[0]) << p[0] << ", " << p[1];
    }

    // A hidden window draws nothing.
    window->SetVisible(false);
    DrawWindow(*window);
    EXPECT_EQ(0, PixelAt(350, 210)[0]);
}

TEST(CWindowGL, ButtonsAndTogglesAreMovedBackInsideTheRightAndBottomEdges)
{
    ASSERT_NE(nullptr, kyrel_test::Engine());
    // A window at left 300, 200 wide and 100 tall; each button resized to 50 x 20.
    const struct
    {
        float x, y;
        float expectedX, expectedY;
    } cases[] = {
        {180, 10, 150, 10},  // past the right edge
        {10, 90, 10, 80},    // past the bottom edge
        {190, 95, 150, 80},  // both
        {150, 80, 150, 80},  // touching both edges: stays
        {-20, -5, -20, -5},  // controls are not pulled towards the top-left edges
    };
    CWindow window(300, 50, 500, 150, nullptr, false, 1.0f, CWindow::DEFAULT_TITLE_BAR_HEIGHT, 1,
                   false);
    for (const auto& c : cases)
    {
        CImageButton* button = new CImageButton(BUTTON.c_str(), 4, c.x, c.y, 7);
        button->SetSize(50, 20);
        window.AddButton(button);
        EXPECT_EQ(c.expectedX, button->GetX()) << c.x << ", " << c.y;
        EXPECT_EQ(c.expectedY, button->GetY()) << c.x << ", " << c.y;
    }

    // The created forms keep the first frame's own size: 64 x 32 buttons, 32 x 32 toggles.
    CImageButton* button = window.CreateButton(BUTTON.c_str(), 4, 180, 90, 8);
    EXPECT_EQ(136, button->GetX());
    EXPECT_EQ(68, button->GetY());
    CToggleButton* toggle =
        window.CreateToggle(TOGGLE_OFF.c_str(), 2, TOGGLE_ON.c_str(), 2, 190, 90, 9);
    EXPECT_EQ(168, toggle->GetX());
    EXPECT_EQ(68, toggle->GetY());
}

TEST(CWindowGL, MissingPicturesLeaveAWorkingWindowAndButtonsOfSizeZero)
{
    ASSERT_NE(nullptr, kyrel_test::Engine());
    testing::internal::CaptureStdout();
    std::unique_ptr<CWindow> window(NewWindow(100, 100, 200, 100, "Data/none/window.png", true));
    CImageButton* button = window->CreateButton("Data/none/button", 2, 180, 10, 3);
    window->CreateToggle("Data/none/off", 1, "Data/none/on", 1, 20, 20, 4);
    const std::string output = testing::internal::GetCapturedStdout();
    EXPECT_NE(std::string::npos,
              output.find("Failed to load the image: Data/none/window.png, Error: "));

    EXPECT_TRUE(window->GetPictures().empty());
    EXPECT_EQ(0, button->GetWidth());
    EXPECT_EQ(0, button->GetHeight());
    EXPECT_EQ(180, button->GetX()) << "a button of size 0 fits where it is";
    window->SetVisible(true);
    DrawWindow(*window);
    EXPECT_EQ(0, PixelAt(150, 150)[0]);
}
