// Command-line parsing of the model viewer.
#include "viewer/ViewerOptions.h"

#include <cstdlib>

const char* const VIEWER_USAGE =
    "usage: kyrel-view MODEL [options]\n"
    "Shows a model (.xml, .obj, .md2, .3ds) on a floor under one light.\n"
    "  --texture FILE       picture for an MD2 or OBJ model\n"
    "  --no-swap-axes       keep a .3ds model's Z axis up (turned upright by default)\n"
    "  --swap-axes          turn a .3ds model upright (the default)\n"
    "  --screenshot OUT.png draw, save the last frame as PNG and exit (no display needed)\n"
    "  --frames N           frames drawn before the screenshot (3)\n"
    "  --frame-log FILE     write each frame's duration in milliseconds, one a line\n"
    "  --verbose            print the engine's start-up report and what panel clicks start\n"
    "  --help               print this text and exit\n"
    "  --version            print the version and exit\n"
    "The log, Kyrel_Engine.log, is written in the working directory.";

namespace
{
bool TakeValue(int argc, char** argv, int& i, std::string& value, std::string& reason)
{
    if (i + 1 >= argc)
    {
        reason = std::string(argv[i]) + " needs a value";
        return false;
    }
    value = argv[++i];
    return true;
}

bool ParseFrames(const std::string& value, int& frames, std::string& reason)
{
    char* end = nullptr;
    long count = std::strtol(value.c_str(), &end, 10);
    if (value.empty() || *end != '\0' || count < 1 || count > 100000)
    {
        reason = "--frames needs a whole number from 1";
        return false;
    }
    frames = static_cast<int>(count);
    return true;
}
}  // namespace

bool ParseViewerOptions(int argc, char** argv, ViewerOptions& options, std::string& reason)
{
    for (int i = 1; i < argc; ++i)
    {
        std::string argument = argv[i];
        std::string value;
        if (argument == "--help" || argument == "-h")
        {
            options.help = true;
            return true;
        }
        if (argument == "--version")
        {
            options.version = true;
            return true;
        }
        bool ok = true;
        if (argument == "--texture")
        {
            ok = TakeValue(argc, argv, i, options.texturePath, reason);
        }
        else if (argument == "--swap-axes" || argument == "--no-swap-axes")
        {
            options.swapAxes = argument == "--swap-axes";
        }
        else if (argument == "--verbose")
        {
            options.verbose = true;
        }
        else if (argument == "--frame-log")
        {
            ok = TakeValue(argc, argv, i, options.frameLogPath, reason);
        }
        else if (argument == "--screenshot")
        {
            ok = TakeValue(argc, argv, i, options.screenshotPath, reason);
        }
        else if (argument == "--frames")
        {
            ok = TakeValue(argc, argv, i, value, reason) &&
                 ParseFrames(value, options.frames, reason);
        }
        else if (argument.rfind("-", 0) == 0 || !options.modelPath.empty())
        {
            reason = "unexpected argument " + argument;
            ok = false;
        }
        else
        {
            options.modelPath = argument;
        }
        if (!ok)
        {
            return false;
        }
    }
    if (options.modelPath.empty())
    {
        reason = "no model given";
        return false;
    }
    return true;
}
