// The Parallax Map Demo as a user runs it: console transcript, log file, window, caption and the
// ways it ends.
#include "e2e/DemoProcess.h"

#include <gtest/gtest.h>
#include <algorithm>
#include <regex>
#include <sys/stat.h>
#include <unistd.h>

using namespace kyrel_e2e;

namespace
{
const double START_SECONDS = 30.0;
const double EXIT_SECONDS = 20.0;
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
    std::string WaitForFpsCaption(DemoProcess& demo, Window window)
    {
        std::string caption;
        for (int i = 0; i < 100 && demo.IsRunning(); ++i)
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
