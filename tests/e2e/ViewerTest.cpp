// kyrel-view as a user runs it: the sample models drawn and lit, dragging, the shadow toggle,
// the MD2 animation button, the ways it ends (signals too), screenshots with and without a
// display, its command line, a run from a folder of the user's, and the one-line refusal of
// files it cannot show.
#include "e2e/DemoProcess.h"

#include <gtest/gtest.h>
#include <algorithm>
#include <cstdlib>
#include <chrono>
#include <csignal>
#include <fstream>
#include <sys/stat.h>
#include <unistd.h>

using namespace kyrel_e2e;

namespace
{
const double START_SECONDS = 30.0;
const double EXIT_SECONDS = 60.0;
// A quit signal's longest way out on a loaded machine: a slow frame, then the normal shut-down.
const double SIGNAL_SECONDS = 7.0;
const std::string SAMPLES = std::string(KYREL_ASSETS_DIR) + "/Data/Samples/";
const int BACKGROUND[3] = {46, 51, 61};  // the viewer's clear colour in bytes

// Screen points of the panel's controls (panel at 776, 8; controls relative to it).
const int TOGGLE_X = 800;
const int STENCIL_TOGGLE_Y = 84, SHADOW_MAP_TOGGLE_Y = 120;
const int NEXT_BUTTON_X = 892, NEXT_BUTTON_Y = 228;

struct Sample
{
    const char* name;
    std::vector<std::string> arguments;
};

const Sample SAMPLE_MODELS[] = {
    {"md2", {SAMPLES + "figure.md2", "--texture", SAMPLES + "figure.png"}},
    {"threeds", {SAMPLES + "table.3ds"}},
    {"obj", {SAMPLES + "pedestal.obj", "--texture", SAMPLES + "pedestal.png"}},
};

// Runs the viewer to its end with DISPLAY as given (empty: none), in the working directory given
// (empty: the test's); status, standard error and, when asked, standard output.
int RunViewer(const std::vector<std::string>& arguments, const std::string& displayName,
              std::string& errors, std::string* output = nullptr,
              const std::string& workingDirectory = std::string())
{
    kyrel_test::TempDir scratch("kyrel-view-run");
    std::string command = workingDirectory.empty() ? "" : "cd '" + workingDirectory + "' && ";
    command += displayName.empty() ? "env -u DISPLAY" : "env DISPLAY=" + displayName;
    command += " SDL_AUDIODRIVER=dummy '" + std::string(KYREL_VIEWER_BINARY) + "'";
    for (const std::string& argument : arguments)
    {
        command += " '" + argument + "'";
    }
    std::string outputPath = scratch.File("out"), errorPath = scratch.File("err");
    command += " >'" + outputPath + "' 2>'" + errorPath + "'";
    int status = system(command.c_str());
    errors = ReadFile(errorPath);
    if (output)
    {
        *output = ReadFile(outputPath);
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

bool IsBackground(const unsigned char* rgb)
{
    for (int c = 0; c < 3; ++c)
    {
        if (std::abs(rgb[c] - BACKGROUND[c]) > 6)
        {
            return false;
        }
    }
    return true;
}

// Model pixels in the middle of the scene: neither the clear colour nor black.
int LitModelPixels(const VirtualDisplay::Image& image)
{
    int lit = 0;
    for (int y = 200; y < 560; y += 4)
    {
        for (int x = 320; x < 700; x += 4)
        {
            const unsigned char* p = image.At(x, y);
            lit += !IsBackground(p) && p[0] + p[1] + p[2] > 120 ? 1 : 0;
        }
    }
    return lit;
}

// Summed brightness of the scene left of the panel.
long SceneBrightness(const VirtualDisplay::Image& image)
{
    long sum = 0;
    for (int y = 0; y < image.height; y += 2)
    {
        for (int x = 0; x < 760; x += 2)
        {
            const unsigned char* p = image.At(x, y);
            sum += p[0] + p[1] + p[2];
        }
    }
    return sum;
}

int ChangedPixels(const VirtualDisplay::Image& a, const VirtualDisplay::Image& b)
{
    int changed = 0;
    for (int y = 100; y < 700; y += 2)
    {
        for (int x = 100; x < 760; x += 2)
        {
            const unsigned char *p = a.At(x, y), *q = b.At(x, y);
            changed += std::abs(p[0] - q[0]) + std::abs(p[1] - q[1]) > 30 ? 1 : 0;
        }
    }
    return changed;
}

// A screenshot run's picture; empty when the run failed.
VirtualDisplay::Image ScreenshotPixels(std::vector<std::string> arguments,
                                       const kyrel_test::TempDir& scratch, const std::string& name)
{
    const std::string shot = scratch.File(name + ".png"), rgb = scratch.File(name + ".rgb");
    arguments.insert(arguments.end(), {"--screenshot", shot});
    std::string errors;
    VirtualDisplay::Image image;
    if (RunViewer(arguments, "", errors) != 0 ||
        system(("convert '" + shot + "' -depth 8 'rgb:" + rgb + "'").c_str()) != 0)
    {
        return image;
    }
    const std::string bytes = ReadFile(rgb);
    image.width = 1024;
    image.height = 768;
    image.rgb.assign(bytes.begin(), bytes.end());
    return image;
}

// Pixels left of the panel that show the grey floor in one picture and are clearly darker in the
// other; the coloured samples and the bluish background do not count.
int DarkenedFloorPixels(const VirtualDisplay::Image& lit, const VirtualDisplay::Image& shadowed)
{
    int darker = 0;
    for (int y = 0; y < lit.height; y += 2)
    {
        for (int x = 0; x < 760; x += 2)
        {
            const unsigned char *p = lit.At(x, y), *q = shadowed.At(x, y);
            int low = std::min({p[0], p[1], p[2]}), high = std::max({p[0], p[1], p[2]});
            bool floor = high - low < 16 && low > 100;
            darker += floor && p[0] + p[1] + p[2] - (q[0] + q[1] + q[2]) > 60 ? 1 : 0;
        }
    }
    return darker;
}

// A left click at a screen point, left there long enough for the viewer to see the pointer over it.
void Click(const DemoProcess& viewer, int x, int y)
{
    viewer.MoveMouseTo(x, y);
    usleep(300000);
    viewer.MouseDown(1);
    viewer.MouseUp(1);
    viewer.MoveMouseTo(700, 700);
}

class ViewerTest : public ::testing::TestWithParam<Sample>
{
protected:
    void SetUp() override { ASSERT_TRUE(display.IsRunning()) << "Xvfb did not start"; }

    // Waits a few frames' worth so the picture settles after an input.
    VirtualDisplay::Image Settled() const
    {
        usleep(1500000);
        return display.Capture();
    }

    // The viewer takes one event a frame, and a loaded machine draws few frames a second: waits
    // (up to ten seconds) until the picture has moved away from `before`, then lets it settle.
    VirtualDisplay::Image SettledAfterChange(const VirtualDisplay::Image& before) const
    {
        for (int i = 0; i < 40 && ChangedPixels(before, display.Capture()) <= 500; ++i)
        {
            usleep(250000);
        }
        return Settled();
    }

    VirtualDisplay display;
    WorkingDirectory directory;
};

TEST_P(ViewerTest, DrawsLitModelTurnsWithDragDarkensWithShadowsAndEndsOnEscape)
{
    DemoProcess viewer(display, directory.Path(), {}, KYREL_VIEWER_BINARY, GetParam().arguments);
    Window window = viewer.WaitForWindow(START_SECONDS);
    ASSERT_NE(0u, window) << viewer.Output() << viewer.Errors();
    VirtualDisplay::Image first = Settled();
    EXPECT_GT(LitModelPixels(first), 400) << "the model is not drawn lit in the middle";

    viewer.MoveMouseTo(200, 600);
    viewer.MouseDown(1);
    for (int i = 0; i < 6; ++i)
    {
        viewer.MoveMouseBy(25, 0);
        usleep(150000);
    }
    viewer.MouseUp(1);
    VirtualDisplay::Image turned = SettledAfterChange(first);
    EXPECT_GT(ChangedPixels(first, turned), 500) << "dragging did not turn the model";

    long unshadowed = SceneBrightness(turned);
    Click(viewer, TOGGLE_X, STENCIL_TOGGLE_Y);
    VirtualDisplay::Image stencil = SettledAfterChange(turned);
    EXPECT_LT(SceneBrightness(stencil), unshadowed - unshadowed / 200)
        << "stencil shadows did not darken the floor";
    EXPECT_GT(DarkenedFloorPixels(turned, stencil), 300) << "no stencil shadow on the floor";
    Click(viewer, TOGGLE_X, SHADOW_MAP_TOGGLE_Y);
    VirtualDisplay::Image mapped = SettledAfterChange(stencil);
    EXPECT_GT(DarkenedFloorPixels(turned, mapped), 300) << "no shadow-map shadow on the floor";
    // The shadow map only darkens, keeping the checker: a pass that lost the floor's texture
    // brightened tens of thousands of these pixels; the animated model moving accounts for a few.
    EXPECT_LT(DarkenedFloorPixels(mapped, turned), 1000) << "the shadow map lost the checker";
    // Both techniques halve the shadowed colour; the map differs at its soft edge and where it
    // shades the model itself.
    EXPECT_GT(ChangedPixels(stencil, mapped), 150) << "the shadow map did not replace stencil";

    // The viewer hides the frame counter; the camera still takes its step from the frame time.
    viewer.HoldKey("w", 1.0);
    VirtualDisplay::Image flown = SettledAfterChange(mapped);
    EXPECT_GT(ChangedPixels(mapped, flown), 500) << "W did not fly the camera";

    viewer.PressKey("Escape");
    EXPECT_EQ(0, viewer.WaitForExit(EXIT_SECONDS));
}

INSTANTIATE_TEST_SUITE_P(Samples, ViewerTest, ::testing::ValuesIn(SAMPLE_MODELS),
                         [](const ::testing::TestParamInfo<Sample>& info)
                         { return std::string(info.param.name); });

// Lines of the viewer's output that report a click sound the mixer has playing.
int PlayingClickLines(const std::string& output)
{
    int found = 0;
    for (const std::string& line : SplitLines(output))
    {
        found += line.rfind("playing click on channel ", 0) == 0 ? 1 : 0;
    }
    return found;
}

TEST(ViewerAnimation, NextButtonNamesTheNextAnimationPlaysTheClickAndCloseEnds)
{
    VirtualDisplay display;
    ASSERT_TRUE(display.IsRunning());
    WorkingDirectory directory;
    std::vector<std::string> arguments = SAMPLE_MODELS[0].arguments;
    arguments.push_back("--verbose");
    DemoProcess viewer(display, directory.Path(), {}, KYREL_VIEWER_BINARY, arguments);
    Window window = viewer.WaitForWindow(START_SECONDS);
    ASSERT_NE(0u, window);
    usleep(1000000);
    EXPECT_EQ("kyrel-view - figure.md2 - stand", viewer.WindowCaption(window));
    EXPECT_EQ(0, PlayingClickLines(viewer.Output())) << "a click sound before any click";
    Click(viewer, NEXT_BUTTON_X, NEXT_BUTTON_Y);
    usleep(1500000);
    EXPECT_EQ("kyrel-view - figure.md2 - wave", viewer.WindowCaption(window));
    EXPECT_EQ(1, PlayingClickLines(viewer.Output())) << viewer.Output();
    viewer.CloseWindow(window);
    EXPECT_EQ(0, viewer.WaitForExit(EXIT_SECONDS));
}

TEST(ViewerScreenshot, WrittenWithAndWithoutADisplay)
{
    VirtualDisplay display;
    ASSERT_TRUE(display.IsRunning());
    for (const std::string& displayName : {display.Name(), std::string()})
    {
        kyrel_test::TempDir scratch("kyrel-view-shot");
        std::string shot = scratch.File("shot.png");
        std::vector<std::string> arguments = SAMPLE_MODELS[1].arguments;
        arguments.insert(arguments.end(), {"--screenshot", shot, "--frames", "2"});
        std::string errors;
        EXPECT_EQ(0, RunViewer(arguments, displayName, errors)) << displayName << errors;
        std::string command =
            "identify -format '%w %h' '" + shot + "' > '" + scratch.File("size") + "' 2>/dev/null";
        EXPECT_EQ(0, system(command.c_str())) << "no PNG from display '" << displayName << "'";
        EXPECT_EQ("1024 768", ReadFile(scratch.File("size")));
    }
}

// A quit signal ends a headless run promptly, whatever it is doing, with the signal's status as an
// exit rather than a death, and the viewer's own virtual display goes with it.
TEST(ViewerSignals, EndAHeadlessRunPromptlyAndTakeItsDisplayAlong)
{
    VirtualDisplay display;
    ASSERT_TRUE(display.IsRunning());
    WorkingDirectory directory;
    kyrel_test::TempDir scratch("kyrel-view-signal");
    const std::string shot = scratch.File("shot.png"), frameLog = scratch.File("frames.log");
    // A texture no one ever writes: reading it waits for ever and never gets back to a poll.
    const std::string stuck = scratch.File("never-written.tga");
    ASSERT_EQ(0, mkfifo(stuck.c_str(), 0600));
    const std::vector<std::string> drawing = {SAMPLES + "pedestal.obj",
                                              "--screenshot",
                                              shot,
                                              "--frames",
                                              "100000",
                                              "--frame-log",
                                              frameLog};
    const std::vector<std::string> loading = {SAMPLES + "pedestal.obj", "--texture", stuck,
                                              "--screenshot", shot};
    const struct
    {
        const char* name;
        std::vector<std::string> arguments;
        std::vector<int> signals;
    } cases[] = {
        {"drawing", drawing, {SIGTERM}},
        {"loading", loading, {SIGTERM}},
        {"asked twice", loading, {SIGTERM, SIGINT}},
    };
    for (const auto& c : cases)
    {
        const std::string mark = "KYREL_E2E_RUN=" + std::to_string(getpid()) + "-" + c.name;
        DemoProcess viewer(display, directory.Path(), {"DISPLAY=", mark}, KYREL_VIEWER_BINARY,
                           c.arguments);
        const bool drawsFrames = c.arguments == drawing;
        // Drawing: frames are logged. Loading: the viewer's handlers are in, so the signal finds it
        // on its way into the pipe, or already waiting there.
        for (int i = 0; i < START_SECONDS * 20 && viewer.IsRunning(); ++i)
        {
            if (drawsFrames ? !ReadFile(frameLog).empty()
                            : viewer.CatchesSignal(SIGTERM) && viewer.CatchesSignal(SIGINT))
            {
                break;
            }
            usleep(50000);
        }
        ASSERT_TRUE(viewer.IsRunning()) << c.name << viewer.Errors();

        const auto start = std::chrono::steady_clock::now();
        for (int number : c.signals)
        {
            viewer.Signal(number);
        }
        // The status names the signal that ended it: a second one ends it before the first's
        // deadline would, and a loaded machine only adds to the time.
        EXPECT_EQ(128 + c.signals.back(), viewer.WaitForExit(EXIT_SECONDS))
            << c.name << viewer.Errors();
        const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
        EXPECT_LT(took.count(), SIGNAL_SECONDS) << c.name;
        EXPECT_EQ(0, viewer.TerminatingSignal()) << c.name << ": ended by the signal itself";
        int left = ProcessesWithEnvironment(mark);
        for (int i = 0; i < 40 && left > 0; ++i)
        {
            usleep(50000);
            left = ProcessesWithEnvironment(mark);
        }
        EXPECT_EQ(0, left) << c.name << ": its Xvfb outlived it";
    }
}

// A model whose lowest face lies at its own origin (a room's floor, a tile) shows whole: the
// viewer's floor sits a margin below it instead of fighting it for the same depth.
TEST(ViewerFloor, SitsBelowTheModelsLowestFace)
{
    kyrel_test::TempDir scratch("kyrel-view-floor");
    const std::string model = kyrel_test::WriteFile(
        scratch.File("tile.obj"), "v -1 0 1\nv 1 0 1\nv 1 0 -1\nv -1 0 -1\nvt 0 0\nvt 1 0\nvt 1 "
                                  "1\nvt 0 1\nf 1/1 2/2 3/3 4/4\n");
    const std::string red = scratch.File("red.png");
    ASSERT_EQ(0, system(("convert -size 8x8 xc:red '" + red + "'").c_str()));
    const VirtualDisplay::Image shot = ScreenshotPixels({model, "--texture", red}, scratch, "shot");
    ASSERT_EQ(1024u * 768u * 3u, shot.rgb.size());
    // Across the tile's middle row every pixel between its left and right edge is the tile's.
    const int row = 420;
    auto isRed = [&](int x)
    {
        const unsigned char* p = shot.At(x, row);
        return p[0] > 120 && p[1] < 60 && p[2] < 60;
    };
    int left = 0, right = 1023;
    while (left < 1024 && !isRed(left))
        ++left;
    while (right > left && !isRed(right))
        --right;
    ASSERT_GT(right - left, 200) << "the tile is not in the middle of the picture";
    int floorPixels = 0;
    for (int x = left; x <= right; ++x)
    {
        floorPixels += isRed(x) ? 0 : 1;
    }
    EXPECT_EQ(0, floorPixels) << "the floor shows through the tile";
}

TEST(ViewerBadFiles, OneLineAndStatusOne)
{
    kyrel_test::TempDir scratch("kyrel-view-bad");
    std::string md2 = ReadFile(SAMPLES + "figure.md2");
    std::string threeDs = ReadFile(SAMPLES + "table.3ds");
    struct Case
    {
        const char* name;
        std::string path;
    };
    const Case cases[] = {
        {"missing", scratch.File("absent.md2")},
        {"empty", kyrel_test::WriteFile(scratch.File("empty.obj"), "")},
        {"wrong kind",
         kyrel_test::WriteFile(scratch.File("picture.md2"), ReadFile(SAMPLES + "floor.png"))},
        {"3DS named MD2", kyrel_test::WriteFile(scratch.File("table.md2"), threeDs)},
        {"truncated MD2", kyrel_test::WriteFile(scratch.File("cut.md2"), md2.substr(0, 200))},
        {"truncated 3DS", kyrel_test::WriteFile(scratch.File("cut.3ds"), threeDs.substr(0, 90))},
        {"no triangles OBJ", kyrel_test::WriteFile(scratch.File("points.obj"), "v 0 0 0\n")},
        {"unknown extension", kyrel_test::WriteFile(scratch.File("model.txt"), "v 0 0 0\n")},
    };
    for (const Case& c : cases)
    {
        std::string errors;
        EXPECT_EQ(1, RunViewer({c.path}, "", errors)) << c.name;
        int ours = 0;
        for (const std::string& line : SplitLines(errors))
        {
            ours += line.rfind("kyrel-view: " + c.path + ": ", 0) == 0 ? 1 : 0;
        }
        EXPECT_EQ(1, ours) << c.name << ":\n" << errors;
    }
}
// A 3DS file comes from a Z-up tool: shown as --swap-axes shows it unless --no-swap-axes is given.
TEST(ViewerThreeDs, UprightByDefault)
{
    kyrel_test::TempDir scratch("kyrel-view-3ds");
    const std::string table = SAMPLES + "table.3ds";
    const auto byDefault = ScreenshotPixels({table}, scratch, "default");
    const auto swapped = ScreenshotPixels({table, "--swap-axes"}, scratch, "swapped");
    const auto asStored = ScreenshotPixels({table, "--no-swap-axes"}, scratch, "stored");
    ASSERT_EQ(1024u * 768u * 3u, byDefault.rgb.size());
    ASSERT_EQ(byDefault.rgb.size(), swapped.rgb.size());
    ASSERT_EQ(byDefault.rgb.size(), asStored.rgb.size());
    EXPECT_EQ(0, ChangedPixels(byDefault, swapped));
    EXPECT_GT(ChangedPixels(byDefault, asStored), 2000) << "--no-swap-axes changed nothing";
}

// The command line: help and version on standard output, and every refusal one line on standard
// error naming what was refused, before a display is even looked for.
TEST(ViewerCommandLine, HelpVersionAndRefusals)
{
    kyrel_test::TempDir scratch("kyrel-view-options");
    const std::string model = SAMPLES + "pedestal.obj";
    const std::string missing = scratch.File("absent.png");
    const std::string empty = kyrel_test::WriteFile(scratch.File("empty.png"), "");
    const std::string text = kyrel_test::WriteFile(scratch.File("text.png"), "not a picture\n");
    const std::string garbled = kyrel_test::WriteFile(scratch.File("cut.jpg"), "\xff\xd8\xff");
    const std::string underFile = text + "/frames.log";
    const struct
    {
        const char* name;
        std::vector<std::string> arguments;
        int status;
        std::string output;   // standard output starts with this
        std::string refused;  // the viewer's one line starts "kyrel-view: <refused>: "
        size_t errorLines;    // on standard error: the refusing reader's own message first
    } cases[] = {
        {"help", {"--help"}, 0, "usage: kyrel-view MODEL", "", 0},
        {"help after a model", {model, "--help"}, 0, "usage: kyrel-view MODEL", "", 0},
        {"version", {"--version"}, 0, std::string("kyrel-view ") + KYREL_VERSION + "\n", "", 0},
        {"missing texture", {model, "--texture", missing}, 1, "", missing, 1},
        {"empty texture", {model, "--texture", empty}, 1, "", empty, 1},
        {"texture not a picture", {model, "--texture", text}, 1, "", text, 1},
        {"texture a broken JPEG", {model, "--texture", garbled}, 1, "", garbled, 2},
        {"texture a folder", {model, "--texture", scratch.Path()}, 1, "", scratch.Path(), 1},
        {"frame log not writable", {model, "--frame-log", underFile}, 1, "", underFile, 1},
    };
    for (const auto& c : cases)
    {
        std::string errors, output;
        EXPECT_EQ(c.status, RunViewer(c.arguments, "", errors, &output)) << c.name << errors;
        EXPECT_EQ(0u, output.rfind(c.output, 0)) << c.name << ":\n" << output;
        if (c.status == 0)
        {
            EXPECT_EQ("", errors) << c.name;
            continue;
        }
        EXPECT_EQ("", output) << c.name;
        std::vector<std::string> lines = SplitLines(errors);
        ASSERT_EQ(c.errorLines, lines.size()) << c.name << ":\n" << errors;
        EXPECT_EQ(0u, lines.back().rfind("kyrel-view: " + c.refused + ": ", 0)) << c.name << errors;
    }
    // An unknown option: the usage goes to standard error, after the line naming the option.
    std::string errors, output;
    EXPECT_EQ(1, RunViewer({"--spin", model}, "", errors, &output));
    EXPECT_EQ("", output);
    EXPECT_EQ(0u, errors.rfind("kyrel-view: unexpected argument --spin\nusage: kyrel-view", 0))
        << errors;
}

// Run from a folder with no Data/ or shaders/ in it, with paths relative to it: the viewer finds
// its data beside its binary, writes the screenshot and its log in that folder, and keeps the
// start-up report off the console unless --verbose asks for it.
TEST(ViewerWorkingDirectory, RunsInTheUsersFolderAndLogsThere)
{
    const std::string besideBinary =
        std::string(KYREL_VIEWER_BINARY).substr(0, std::string(KYREL_VIEWER_BINARY).rfind('/')) +
        "/Kyrel_Engine.log";
    struct stat before;
    const bool loggedBeside = stat(besideBinary.c_str(), &before) == 0;
    for (bool verbose : {false, true})
    {
        kyrel_test::TempDir user("kyrel-view-elsewhere");
        std::vector<std::string> arguments = {SAMPLES + "pedestal.obj",
                                              "--texture",
                                              SAMPLES + "pedestal.png",
                                              "--screenshot",
                                              "shot.png",
                                              "--frames",
                                              "2"};
        if (verbose)
        {
            arguments.push_back("--verbose");
        }
        std::string errors, output;
        ASSERT_EQ(0, RunViewer(arguments, "", errors, &output, user.Path())) << errors;
        EXPECT_EQ("", errors);
        EXPECT_FALSE(ReadFile(user.File("shot.png")).empty()) << "no screenshot in the folder";
        const std::string log = ReadFile(user.File("Kyrel_Engine.log"));
        EXPECT_NE(std::string::npos, log.find("Initialize Graphics Core...done\n")) << log;
        EXPECT_NE(std::string::npos, log.find("\nLoading Font: ")) << log;
        EXPECT_NE(std::string::npos, log.find("Logger stopped...\n")) << log;
        EXPECT_EQ(verbose, output.find("Initialize Graphics Core...done\n") != std::string::npos)
            << "verbose " << verbose << ":\n"
            << output;
    }
    struct stat after;
    const bool loggedBesideAfter = stat(besideBinary.c_str(), &after) == 0;
    EXPECT_EQ(loggedBeside, loggedBesideAfter) << "a log written beside the binary";
    if (loggedBeside && loggedBesideAfter)
    {
        EXPECT_EQ(before.st_mtime, after.st_mtime) << "a log written beside the binary";
    }
}
}  // namespace
