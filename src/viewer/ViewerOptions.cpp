// Command-line parsing of the model viewer.
#include "viewer/ViewerOptions.h"

#include <cstdlib>

const char* const VIEWER_USAGE =
    "usage: kyrel-view MODEL [--texture FILE] [--swap-axes] [--screenshot OUT.png] [--frames N]"
    " [--verbose] [--frame-log FILE]";

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
}  // namespace

bool ParseViewerOptions(int argc, char** argv, ViewerOptions& options, std::string& reason)
{
    for (int i = 1; i < argc; ++i)
    {
        std::string argument = argv[i];
        std::string value;
        if (argument == "--texture")
        {
            if (!TakeValue(argc, argv, i, options.texturePath, reason))
            {
                return false;
            }
        }
        else if (argument == "--swap-axes")
        {
            options.swapAxes = true;
        }
        else if (argument == "--verbose")
        {
            options.verbose = true;
        }
        else if (argument == "--frame-log")
        {
            if (!TakeValue(argc, argv, i, options.frameLogPath, reason))
            {
                return false;
            }
        }
        else if (argument == "--screenshot")
        {
            if (!TakeValue(argc, argv, i, options.screenshotPath, reason))
            {
                return false;
            }
        }
        else if (argument == "--frames")
        {
            if (!TakeValue(argc, argv, i, value, reason))
            {
                return false;
            }
            char* end = nullptr;
            long frames = std::strtol(value.c_str(), &end, 10);
            if (*end != '\0' || frames < 1 || frames > 100000)
            {
                reason = "--frames needs a whole number from 1";
                return false;
            }
            options.frames = static_cast<int>(frames);
        }
        else if (argument.rfind("--", 0) == 0 || !options.modelPath.empty())
        {
            reason = "unexpected argument " + argument;
            return false;
        }
        else
        {
            options.modelPath = argument;
        }
    }
    if (options.modelPath.empty())
    {
        reason = "no model given";
        return false;
    }
    return true;
}
