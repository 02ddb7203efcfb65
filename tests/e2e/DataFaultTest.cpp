// The demo with one of its data files missing, empty, cut in half or replaced by noise: each fault
// is reported in the reader's words and ends the demo with its documented status, never with a
// signal or a hang.
#include "e2e/DemoProcess.h"

#include <gtest/gtest.h>
#include <random>

using namespace kyrel_e2e;

namespace
{
// Generous: two loaded cores and a software renderer make a start take many seconds.
const double WINDOW_SECONDS = 60.0;
const double LOADED_SECONDS = 60.0;
const double EXIT_SECONDS = 60.0;
// The frame counter adds this to the caption once frames are being drawn.
const char* const FRAMES_DRAWN = "Current FPS";

enum class Fault
{
    Missing,
    Empty,
    Half,
    Noise
};

enum class Stream
{
    Output,
    Errors
};

// What one fault of one file must do. A fatal fault ends with status (never 0); a tolerated one
// keeps the demo running until Escape, which ends it with 0.
struct FaultCase
{
    Fault fault;
    bool fatal;
    int status;
    Stream stream;
    std::string message;
};

struct DataFile
{
    std::string name;  // test name
    std::string path;  // relative to the working directory
    std::vector<FaultCase> cases;
    // A built-in file of the engine, looked for in the data folders too: when it is missing, the
    // places looked follow its message on standard error.
    bool builtIn = false;
};

// Names the file in test listings instead of dumping the record's bytes.
void PrintTo(const DataFile& file, std::ostream* stream)
{
    *stream << file.path;
}

const char* FaultName(Fault fault)
{
    switch (fault)
    {
    case Fault::Missing:
        return "missing";
    case Fault::Empty:
        return "empty";
    case Fault::Half:
        return "cut in half";
    case Fault::Noise:
        return "noise";
    }
    return "?";
}

// The same noise on every run, so that a failure can be repeated.
std::string Noise(size_t size)
{
    std::mt19937 generator(20240615u);
    std::string bytes(size, '\0');
    for (char& byte : bytes)
    {
        byte = static_cast<char>(generator() & 0xFF);
    }
    return bytes;
}

void Apply(const kyrel_test::DemoFileTree& directory, const std::string& path, Fault fault)
{
    const std::string original = ReadFile(std::string(KYREL_ASSETS_DIR) + "/" + path);
    ASSERT_FALSE(original.empty()) << path;
    switch (fault)
    {
    case Fault::Missing:
        directory.Remove(path);
        break;
    case Fault::Empty:
        directory.Replace(path, "");
        break;
    case Fault::Half:
        directory.Replace(path, original.substr(0, original.size() / 2));
        break;
    case Fault::Noise:
        directory.Replace(path, Noise(original.size()));
        break;
    }
}

// The model and the font sheet end the demo, so each of their faults is a short run; the pictures
// it tolerates cost a whole start each, so they go without the empty file, which reads as the
// noise does (no header at all).
std::vector<DataFile> ModelAndPictures()
{
    const std::string model = "Data/KModel/planeParralax.xml";
    const std::string xmlHeader = "XML Parsing error inside file '" + model + "'.\n";
    const std::string colour = "Data/KModel/bricks_color.jpg";
    const std::string height = "Data/KModel/bricks_height.pcx";
    const std::string font = "Data/Font/font.tga";
    const std::string logo = "Data/Logo/k3dlogo.png";
    const std::string logoFailed = "\nFailed to load the image: " + logo + ", Error: ";
    const int XML_FATAL = 255;
    const int FONT_FATAL = 1;
    return {
        {"Model",
         model,
         {{Fault::Missing, true, XML_FATAL, Stream::Errors, xmlHeader + "Error: File not found\n"},
          {Fault::Empty, true, XML_FATAL, Stream::Errors, xmlHeader + "Error: No XML data\n"},
          {Fault::Half, true, XML_FATAL, Stream::Errors, xmlHeader + "Error: "},
          {Fault::Noise, true, XML_FATAL, Stream::Errors, xmlHeader + "Error: "}}},
        {"ColourMap",
         colour,
         {{Fault::Missing, false, 0, Stream::Errors, "error: couldn't open \"" + colour + "\"!\n"},
          {Fault::Half, false, 0, Stream::Errors, colour + " is not a valid JPEG file!\n"},
          {Fault::Noise, false, 0, Stream::Errors, colour + " is not a valid JPEG file!\n"}}},
        {"HeightMap",
         height,
         {{Fault::Missing, false, 0, Stream::Errors, "error: couldn't open \"" + height + "\"!\n"},
          {Fault::Half, false, 0, Stream::Errors, "error: colormap's first byte must be 0x0c! ("},
          {Fault::Noise, false, 0, Stream::Errors, "error: bad version number! ("}}},
        {"FontSheet",
         font,
         {{Fault::Missing, true, FONT_FATAL, Stream::Output,
           "Could not open texture file: " + font + "\n"},
          {Fault::Empty, true, FONT_FATAL, Stream::Output, "Failed to read TGAcomment!\n"},
          {Fault::Half, true, FONT_FATAL, Stream::Output,
           "Could not read image data: " + font + "\n"},
          {Fault::Noise, true, FONT_FATAL, Stream::Output,
           "TGA file be type 2 or type 10, Invalid Image: " + font + "\n"}},
         true},
        {"Logo",
         logo,
         {{Fault::Missing, false, 0, Stream::Output, logoFailed + "Couldn't open " + logo + "\n"},
          {Fault::Half, false, 0, Stream::Output, logoFailed},
          {Fault::Noise, false, 0, Stream::Output, logoFailed}}},
    };
}

// Every shader missing (fatal) and replaced by noise (it does not compile, and the demo goes on
// without that program); two of them, the ones the demo draws with, also empty (unreadable, as
// a missing one) and cut in half.
std::vector<DataFile> Shaders()
{
    const char* const programs[] = {
        "simpleTexture",  "color",         "colorWithTex",     "hfield",   "dirPerPixel",
        "dirPerVertex",   "pointlight",    "spotlight",        "toonf2",   "dirPerVertexTEX",
        "dirPerPixelTEX", "ShadowMapping", "ShadowMappingPCF", "parallax3"};
    const int SHADER_FATAL = 1;
    std::vector<DataFile> files;
    for (const char* program : programs)
    {
        for (bool vertex : {true, false})
        {
            const std::string path =
                std::string("shaders/") + program + (vertex ? ".vert" : ".frag");
            const std::string missing = std::string("\nCannot Load ") +
                                        (vertex ? "vertex" : "fragment") + " shader: " + path +
                                        "\n";
            const std::string compileError = "GLSL compile error in " + path + ":\n";
            DataFile file{std::string("Shader_") + program + (vertex ? "_vert" : "_frag"),
                          path,
                          {{Fault::Missing, true, SHADER_FATAL, Stream::Output, missing},
                           {Fault::Noise, false, 0, Stream::Errors, compileError}},
                          true};
            const std::string name = program;
            if ((name == "simpleTexture" && vertex) || (name == "parallax3" && !vertex))
            {
                file.cases.push_back({Fault::Empty, true, SHADER_FATAL, Stream::Output, missing});
                file.cases.push_back({Fault::Half, false, 0, Stream::Errors, compileError});
            }
            files.push_back(file);
        }
    }
    return files;
}

std::vector<DataFile> AllFiles()
{
    std::vector<DataFile> files = ModelAndPictures();
    std::vector<DataFile> shaders = Shaders();
    files.insert(files.end(), shaders.begin(), shaders.end());
    return files;
}

class DataFaultTest : public ::testing::TestWithParam<DataFile>
{
protected:
    // One run of the demo with one fault; the file's faults take turns on the test's display.
    void Run(const DataFile& file, const FaultCase& faultCase)
    {
        SCOPED_TRACE(file.path + " " + FaultName(faultCase.fault));
        kyrel_test::DemoFileTree directory("kyrel-fault", KYREL_ASSETS_DIR);
        Apply(directory, file.path, faultCase.fault);
        DemoProcess demo(display, directory.Path());

        int status = -1;
        if (faultCase.fatal)
        {
            status = demo.WaitForExit(WINDOW_SECONDS + LOADED_SECONDS + EXIT_SECONDS);
        }
        else
        {
            // Escape only once frames are drawn: the main loop alone tests for it.
            Window window = demo.WaitForWindow(WINDOW_SECONDS);
            EXPECT_NE(0u, window) << "no window";
            EXPECT_TRUE(window && demo.WaitForCaption(window, FRAMES_DRAWN, LOADED_SECONDS))
                << "no frame drawn";
            demo.PressKey("Escape");
            status = demo.WaitForExit(EXIT_SECONDS);
        }
        const std::string printed =
            faultCase.stream == Stream::Output ? demo.Output() : demo.Errors();
        ASSERT_NE(-1, status) << "hung; output:\n" << demo.Output() << demo.Errors();
        EXPECT_EQ(0, demo.TerminatingSignal()) << "ended by a signal\n" << demo.Errors();
        EXPECT_EQ(faultCase.status, status) << demo.Output() << demo.Errors();
        EXPECT_NE(std::string::npos, printed.find(faultCase.message))
            << "expected \"" << faultCase.message << "\" on "
            << (faultCase.stream == Stream::Output ? "standard output" : "standard error")
            << ", got:\n"
            << printed;
        if (file.builtIn && faultCase.fault == Fault::Missing)
        {
            const std::string lookedFor =
                "kyrel: looked for " + file.path + " in: " + file.path + "\n";
            EXPECT_NE(std::string::npos, demo.Errors().find(lookedFor)) << demo.Errors();
        }
    }

    VirtualDisplay display;
};

TEST_P(DataFaultTest, ReportedWithItsStatusNeverASignalOrAHang)
{
    ASSERT_TRUE(display.IsRunning()) << "Xvfb did not start";
    for (const FaultCase& faultCase : GetParam().cases)
    {
        Run(GetParam(), faultCase);
    }
}

INSTANTIATE_TEST_SUITE_P(DemoFiles, DataFaultTest, ::testing::ValuesIn(AllFiles()),
                         [](const ::testing::TestParamInfo<DataFile>& info)
                         { return info.param.name; });
}  // namespace
