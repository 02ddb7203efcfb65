// The Parallax Map Demo as a user runs it: console transcript, log file, window, caption and the
// ways it ends.
#include "e2e/DemoProcess.h"

#include <gtest/gtest.h>
#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <regex>
#include <sys/stat.h>
#include <unistd.h>

using namespace kyrel_e2e;

namespace
{
const double START_SECONDS = 30.0;
const double EXIT_SECONDS = 60.0;
const int FPS_CAPTION_SECONDS = 60;
const double CHANGE_SECONDS = 30.0;
const char* const LOG_NAME = "Kyrel_Engine.log";

const std::vector<std::string> STARTUP_TRANSCRIPT = {
    "",
    "Kyrel Engine version 0.02...",
    "",
    "Initialize Graphics Core...done",
    "Initialize Texture Manager...done",
    "Initialize Window Manager...done",
    "Initialize Event Manager...done",
    "Initialize Utils...done",
    "Initialize Sound Manager...done",
    "Initialize Shader Manager...done",
    "Initialize the Camera...done",
    "Initialize the Camera Manager...done",
    "Initialize the Font Manager...done",
    "Initialize the Logger...done",
    "Initialize the Light Manager...done",
    "Initialize the 3D Game Object Manager...done",
};

// What the video set-up, the built-in shaders, the font and the logo print, in order.
const std::vector<std::string> LOADING_TRANSCRIPT = {
    "",
    "-------------========= Loading built in shaders ==========------------",
    "",
    "Loading simple texture shader...",
    "Loading simple color shader...",
    "Loading color eith texture shader...",
    "Loading heightmap texture shader...",
    "Loading Directional Per Pixel Diffuse lightning shader...",
    "Loading Directional Per Vertex Diffuse lightning shader...",
    "Loading Point Per Pixel lightning shader...",
    "Loading Spot Per Pixel lightning shader...",
    "Loading Toon shader...",
    "Loading vertex diffuse light with texture shader...",
    "Loading pixel diffuse light with texture shader...",
    "Loading shadow mapping shader...",
    "Loading shadow mapping pcf shader...",
    "Loading parallax mapping shader...",
    "",
    "Loading Font: Data/Font/font.tga",
    "Loading Texture: Data/Logo/k3dlogo.png",
};

class DemoTest : public ::testing::Test
{
protected:
    void SetUp() override { ASSERT_TRUE(display.IsRunning()) << "Xvfb did not start"; }

    // Starts the demo and waits for its window.
    Window Start(DemoProcess& demo)
    {
        Window window = demo.WaitForWindow(START_SECONDS);
        EXPECT_NE(0u, window) << "no window; output:\n" << demo.Output() << demo.Errors();
        return window;
    }

    // Waits until the caption carries the frame rate, which the frame counter adds each second.
    // A sanitizer build on a busy machine may take many seconds to get through its first frames.
    std::string WaitForFpsCaption(DemoProcess& demo, Window window)
    {
        std::string caption;
        for (int i = 0; i < FPS_CAPTION_SECONDS * 10 && demo.IsRunning(); ++i)
        {
            caption = demo.WindowCaption(window);
            if (caption.find("Current FPS") != std::string::npos)
            {
                break;
            }
            usleep(100000);
        }
        return caption;
    }

    void ExpectStartupTranscript(const std::vector<std::string>& lines)
    {
        ASSERT_GE(lines.size(), STARTUP_TRANSCRIPT.size() + 4) << ::testing::PrintToString(lines);
        for (size_t i = 0; i < STARTUP_TRANSCRIPT.size(); ++i)
        {
            EXPECT_EQ(STARTUP_TRANSCRIPT[i], lines[i]) << "line " << i;
        }
        size_t at = STARTUP_TRANSCRIPT.size();
        EXPECT_EQ("", lines[at]);
        EXPECT_EQ(0u, lines[at + 1].rfind("Detected Video Card Vendor: ", 0)) << lines[at + 1];
        EXPECT_EQ(0u, lines[at + 2].rfind("Detected Renderer: ", 0)) << lines[at + 2];
        EXPECT_EQ(0u, lines[at + 3].rfind("Detected OpenGL version: ", 0)) << lines[at + 3];
        EXPECT_GT(lines[at + 2].size(), std::string("Detected Renderer: ").size());

        at += 4;
        ASSERT_GE(lines.size(), at + LOADING_TRANSCRIPT.size());
        for (size_t i = 0; i < LOADING_TRANSCRIPT.size(); ++i)
        {
            EXPECT_EQ(LOADING_TRANSCRIPT[i], lines[at + i]) << "line " << at + i;
        }
        // The model reports the faces of each of its objects, and nothing else.
        at += LOADING_TRANSCRIPT.size();
        int objects = 0;
        for (; at < lines.size(); ++at)
        {
            if (lines[at].empty())
            {
                continue;
            }
            EXPECT_TRUE(std::regex_match(lines[at], std::regex("Num of faces: [1-9][0-9]*")))
                << lines[at];
            ++objects;
        }
        EXPECT_GE(objects, 1);
    }

    VirtualDisplay display;
    WorkingDirectory directory;
};
}  // namespace

TEST_F(DemoTest, StartsWithItsTranscriptShowsFpsCaptionAndEndsOnEscape)
{
    DemoProcess demo(display, directory.Path());
    Window window = Start(demo);
    ASSERT_NE(0u, window);

    int width = 0, height = 0;
    ASSERT_TRUE(demo.WindowSize(window, width, height));
    EXPECT_EQ(1024, width);
    EXPECT_EQ(768, height);

    std::string caption = WaitForFpsCaption(demo, window);
    EXPECT_TRUE(std::regex_match(
        caption, std::regex("Kyrel Engine - Parallax Map Demo Current FPS: [0-9]+")))
        << caption;

    demo.PressKey("Escape");
    EXPECT_EQ(0, demo.WaitForExit(EXIT_SECONDS)) << demo.Errors();
    ExpectStartupTranscript(SplitLines(demo.Output()));

    std::vector<std::string> log = SplitLines(ReadFile(directory.File(LOG_NAME)));
    ASSERT_EQ(3u, log.size()) << ReadFile(directory.File(LOG_NAME));
    EXPECT_NE(std::string::npos, log[0].find("Kyrel Engine"));
    EXPECT_EQ("Logger started...", log[1]);
    EXPECT_EQ("Logger stopped...", log[2]);
}

TEST_F(DemoTest, ASecondRunReplacesTheLogAndAWindowCloseEndsIt)
{
    {
        FILE* old = fopen(directory.File(LOG_NAME).c_str(), "w");
        ASSERT_NE(nullptr, old);
        fputs("line from an earlier run\nanother\nand another\nand one more\n", old);
        fclose(old);
    }
    DemoProcess demo(display, directory.Path());
    Window window = Start(demo);
    ASSERT_NE(0u, window);
    WaitForFpsCaption(demo, window);

    demo.CloseWindow(window);
    EXPECT_EQ(0, demo.WaitForExit(EXIT_SECONDS)) << demo.Errors();

    std::string log = ReadFile(directory.File(LOG_NAME));
    EXPECT_EQ(std::string::npos, log.find("earlier run"));
    EXPECT_EQ(3u, SplitLines(log).size()) << log;
}

TEST_F(DemoTest, SigtermEndsItWithinSecondsAsEscapeDoes)
{
    DemoProcess demo(display, directory.Path());
    Window window = Start(demo);
    ASSERT_NE(0u, window);
    WaitForFpsCaption(demo, window);

    const auto start = std::chrono::steady_clock::now();
    demo.Signal(SIGTERM);
    EXPECT_EQ(0, demo.WaitForExit(EXIT_SECONDS)) << demo.Errors();
    const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
    // One slow frame and the shut-down, on a loaded machine: far below what a hang would take.
    EXPECT_LT(took.count(), 7.0) << "the quit request waits for one poll and a normal shut-down";
    ExpectStartupTranscript(SplitLines(demo.Output()));
    std::vector<std::string> log = SplitLines(ReadFile(directory.File(LOG_NAME)));
    ASSERT_EQ(3u, log.size()) << ReadFile(directory.File(LOG_NAME));
    EXPECT_EQ("Logger stopped...", log[2]);
}

TEST_F(DemoTest, RunsWithoutALogFileWhenItCannotBeCreated)
{
    // Even as root a file cannot be created where a directory stands.
    ASSERT_EQ(0, mkdir(directory.File(LOG_NAME).c_str(), 0755));
    DemoProcess demo(display, directory.Path());
    Window window = Start(demo);
    ASSERT_NE(0u, window);
    WaitForFpsCaption(demo, window);
    EXPECT_TRUE(demo.IsRunning());

    demo.PressKey("Escape");
    EXPECT_EQ(0, demo.WaitForExit(EXIT_SECONDS));
    std::vector<std::string> lines = SplitLines(demo.Output());
    EXPECT_NE(lines.end(), std::find(lines.begin(), lines.end(),
                                     "Initialize the Logger...Cannot create log file!"));
    EXPECT_EQ(lines.end(),
              std::find(lines.begin(), lines.end(), "Warnig: Unable to initialize the Logger!"));
}

TEST_F(DemoTest, MissingRequiredExtensionIsReportedAndEndsWithFailure)
{
    DemoProcess demo(display, directory.Path(),
                     {"MESA_EXTENSION_OVERRIDE=-GL_ARB_vertex_buffer_object"});
    int status = demo.WaitForExit(START_SECONDS);
    EXPECT_NE(0, status);
    EXPECT_LT(status, 128) << "ended by a signal";
    EXPECT_EQ(std::string::npos, demo.Output().find("Loading built in shaders"))
        << "nothing is drawn or loaded after SDL is shut down";
    EXPECT_NE(
        std::string::npos,
        demo.Output().find(
            "\nSorry, your video card does not support GL_ARB_vertex_buffer_object extension!"));
}

TEST_F(DemoTest, VideoFailureEndsWithTheExceptionText)
{
    // No X server at this address: SDL cannot start its video subsystem.
    DemoProcess demo(display, directory.Path(), {"DISPLAY=:9999"});
    int status = demo.WaitForExit(START_SECONDS);
    EXPECT_EQ(1, status);
    EXPECT_EQ(0u, demo.Errors().rfind("Error: SDL Could not", 0)) << demo.Errors();
}

namespace
{
struct Region
{
    int left, top, right, bottom;  // screen pixels, right and bottom excluded
};

// Pixels of a region whose colour is clearly not the black background.
int CountLit(const VirtualDisplay::Image& image, const Region& r, int threshold = 60)
{
    int lit = 0;
    for (int y = r.top; y < r.bottom; ++y)
    {
        for (int x = r.left; x < r.right; ++x)
        {
            const unsigned char* p = image.At(x, y);
            lit += (p[0] + p[1] + p[2]) > threshold;
        }
    }
    return lit;
}

// Pixels of a region that are orange: much more red than blue.
int CountOrange(const VirtualDisplay::Image& image, const Region& r)
{
    int orange = 0;
    for (int y = r.top; y < r.bottom; ++y)
    {
        for (int x = r.left; x < r.right; ++x)
        {
            const unsigned char* p = image.At(x, y);
            orange += p[0] > 150 && p[0] > p[2] + 80 && p[1] > 40;
        }
    }
    return orange;
}

// Mean absolute difference of two captures over a region, per channel value.
double Difference(const VirtualDisplay::Image& a, const VirtualDisplay::Image& b, const Region& r)
{
    double sum = 0;
    for (int y = r.top; y < r.bottom; ++y)
    {
        for (int x = r.left; x < r.right; ++x)
        {
            for (int c = 0; c < 3; ++c)
            {
                sum += std::abs(int(a.At(x, y)[c]) - int(b.At(x, y)[c]));
            }
        }
    }
    return sum / (3.0 * (r.right - r.left) * (r.bottom - r.top));
}

// Frames of the scene, away from the overlay's text and logo.
const Region SCENE = {200, 200, 800, 650};
const Region TITLE = {250, 5, 700, 37};
const Region HELP_LINES = {5, 30, 300, 110};
const Region FPS_LINE = {3, 5, 200, 21};
const Region LOGO_CORNER = {800, 660, 1022, 766};

// The demo draws only when it gets to a frame, which on a busy software renderer can take a
// second or more: waits until the scene differs from a capture, or gives up; the last capture.
VirtualDisplay::Image WaitForChange(const VirtualDisplay& display,
                                    const VirtualDisplay::Image& before, double seconds)
{
    VirtualDisplay::Image now = display.Capture();
    for (double waited = 0; waited < seconds && Difference(before, now, SCENE) <= 5.0;
         waited += 0.25)
    {
        usleep(250000);
        now = display.Capture();
    }
    return now;
}

// The picture once two captures a quarter second apart show the same scene: a key released may
// act for a few more frames on a slow renderer.
VirtualDisplay::Image WaitForStill(const VirtualDisplay& display, double seconds)
{
    VirtualDisplay::Image last = display.Capture();
    for (double waited = 0; waited < seconds; waited += 0.25)
    {
        usleep(250000);
        VirtualDisplay::Image now = display.Capture();
        if (Difference(last, now, SCENE) < 0.5)
        {
            return now;
        }
        last = now;
    }
    return last;
}
}  // namespace

TEST_F(DemoTest, DrawsTheLitModelUnderItsOverlayAndMouseAndKeysMoveTheView)
{
    DemoProcess demo(display, directory.Path());
    Window window = Start(demo);
    ASSERT_NE(0u, window);
    WaitForFpsCaption(demo, window);

    // The caption can change before the frame that carries it is on the screen.
    VirtualDisplay::Image first = display.Capture();
    for (int i = 0; i < FPS_CAPTION_SECONDS * 4 && CountLit(first, SCENE) == 0; ++i)
    {
        usleep(250000);
        first = display.Capture();
    }
    ASSERT_EQ(1024, first.width);
    const std::string shot = directory.File("first.png");
    display.Screenshot(shot);
    SCOPED_TRACE("screenshot kept at " + shot + " while the test runs");

    EXPECT_GT(CountOrange(first, TITLE), 400) << "orange title at the top";
    EXPECT_GT(CountLit(first, HELP_LINES), 800) << "help lines at the left";
    EXPECT_GT(CountLit(first, FPS_LINE, 500), 100) << "white frame-rate line at the top left";
    EXPECT_GT(CountOrange(first, LOGO_CORNER), 300) << "logo in the lower right corner";
    int scenePixels = (SCENE.right - SCENE.left) * (SCENE.bottom - SCENE.top);
    EXPECT_GT(CountLit(first, SCENE), scenePixels / 2) << "the model fills the middle, lit";

    // Before any mouse motion the camera already moves along where it looks.
    demo.KeyDown("s");
    VirtualDisplay::Image backed = WaitForChange(display, first, CHANGE_SECONDS);
    demo.KeyUp("s");
    EXPECT_GT(Difference(first, backed, SCENE), 5.0) << "holding S before any mouse motion";
    backed = WaitForStill(display, CHANGE_SECONDS);

    demo.MoveMouseBy(60, 0);
    VirtualDisplay::Image turned = WaitForChange(display, backed, CHANGE_SECONDS);
    EXPECT_GT(Difference(backed, turned, SCENE), 5.0) << "mouse motion turns the view";

    // Held until the picture answers: the camera reads the key state once per frame.
    turned = WaitForStill(display, CHANGE_SECONDS);
    demo.KeyDown("w");
    VirtualDisplay::Image moved = WaitForChange(display, turned, CHANGE_SECONDS);
    demo.KeyUp("w");
    EXPECT_GT(Difference(turned, moved, SCENE), 5.0) << "holding W moves forward";

    demo.PressKey("Escape");
    EXPECT_EQ(0, demo.WaitForExit(EXIT_SECONDS));
}
