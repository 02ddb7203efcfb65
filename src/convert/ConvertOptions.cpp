// Reads the converter's command line.
#include "convert/ConvertOptions.h"

#include <cerrno>
#include <cstdlib>

const char* const CONVERT_USAGE =
    "usage: kyrel-convert IN OUT.xml [--texture FILE] [--height auto|FILE] [--height-scale S]\n"
    "                     [--swap-axes|--no-swap-axes] [--frame N]\n"
    "Converts an OBJ, 3DS or MD2 model into the engine's XML model format: one object holding\n"
    "every face with its material, the pictures written beside OUT under their base names.\n"
    "  --texture FILE      the colour map of every material (as kyrel-view --texture)\n"
    "  --height auto       relief: a height map per colour map, from its brightness, smoothed\n"
    "                      and stretched to the full range, written beside OUT as NAME_height.tga\n"
    "  --height FILE       relief from the height map FILE (copied beside OUT)\n"
    "  --height-scale S    with --height auto: depth of the relief, 0 to 1 (default 1)\n"
    "  --swap-axes         3DS: turn the file's z-up into the engine's y-up (the default,\n"
    "                      as kyrel-view shows 3DS files); --no-swap-axes keeps it as stored\n"
    "  --frame N           MD2: the key frame to write, from 0 (default 0)\n"
    "  --help, --version\n"
    "Relief: the object element of the document gets relief=\"1\"; its triangles are then drawn\n"
    "with the parallax relief as quads always are. Without the attribute triangles draw flat.\n"
    "Texture coordinates: v becomes 1 - v for pictures the engine loads top row first (all but\n"
    "BMP, PCX and DDS); MD2 triangles are written a, c, b to turn the engine's way.\n";

namespace
{
bool ParseNumber(const std::string& text, double low, double high, double& value)
{
    char* end = nullptr;
    errno = 0;
    value = std::strtod(text.c_str(), &end);
    return !text.empty() && *end == '\0' && errno == 0 && value >= low && value <= high;
}

// One option with its value, if any; false with the reason when it cannot be used.
bool ParseOption(int argc, char** argv, int& i, ConvertOptions& options, std::string& reason)
{
    const std::string argument = argv[i];
    std::string value;
    double number = 0.0;
    if (argument == "--swap-axes" || argument == "--no-swap-axes")
    {
        options.swapAxes = argument == "--swap-axes";
        return true;
    }
    if (argument != "--texture" && argument != "--height" && argument != "--height-scale" &&
        argument != "--frame")
    {
        reason = "unknown option " + argument;
        return false;
    }
    if (i + 1 >= argc)
    {
        reason = argument + " needs a value";
        return false;
    }
    value = argv[++i];
    if (argument == "--texture")
    {
        options.texturePath = value;
    }
    else if (argument == "--height")
    {
        options.height = value;
    }
    else if (argument == "--height-scale")
    {
        if (!ParseNumber(value, 0.0, 1.0, number))
        {
            reason = "--height-scale needs a number from 0 to 1";
            return false;
        }
        options.heightScale = static_cast<float>(number);
    }
    else
    {
        if (!ParseNumber(value, 0.0, 1.0e6, number) || number != static_cast<int>(number))
        {
            reason = "--frame needs a whole number from 0";
            return false;
        }
        options.frame = static_cast<int>(number);
    }
    return true;
}
}  // namespace

ConvertCommand ParseConvertOptions(int argc, char** argv, ConvertOptions& options,
                                   std::string& reason)
{
    int files = 0;
    bool scaleGiven = false;
    for (int i = 1; i < argc; ++i)
    {
        const std::string argument = argv[i];
        if (argument == "--help")
        {
            return ConvertCommand::Help;
        }
        if (argument == "--version")
        {
            return ConvertCommand::Version;
        }
        if (argument.size() > 1 && argument[0] == '-')
        {
            scaleGiven = scaleGiven || argument == "--height-scale";
            if (!ParseOption(argc, argv, i, options, reason))
            {
                return ConvertCommand::Refused;
            }
            continue;
        }
        if (files == 2)
        {
            reason = "one model in and one document out: " + argument + " is one too many";
            return ConvertCommand::Refused;
        }
        (files++ == 0 ? options.inputPath : options.outputPath) = argument;
    }
    if (files < 2)
    {
        reason = "needs the model IN and the document OUT.xml";
        return ConvertCommand::Refused;
    }
    if (scaleGiven && options.height != "auto")
    {
        reason = "--height-scale goes with --height auto";
        return ConvertCommand::Refused;
    }
    return ConvertCommand::Convert;
}
