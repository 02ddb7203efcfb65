// The converter's command line: the model in, the document out, the colour map, relief and frame.
#ifndef KYREL_CONVERT_CONVERTOPTIONS_H
#define KYREL_CONVERT_CONVERTOPTIONS_H

#include <string>

struct ConvertOptions
{
    std::string inputPath;
    std::string outputPath;
    std::string texturePath;  // gives or replaces every colour map; empty: the model's own
    std::string height;       // empty: no relief; "auto": made from the colour maps; else a file
    float heightScale = 1.0f;
    bool swapAxes = true;  // 3DS: the file's z-up turned into the engine's y-up, as the viewer does
    int frame = 0;         // MD2: the key frame written
};

enum class ConvertCommand
{
    Convert,
    Help,
    Version,
    Refused  // the reason says why
};

ConvertCommand ParseConvertOptions(int argc, char** argv, ConvertOptions& options,
                                   std::string& reason);

// The text of --help: usage, options and the relief extension of the model format.
extern const char* const CONVERT_USAGE;

#endif
