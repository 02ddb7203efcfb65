// The viewer's command line: the model, its texture, the axis swap and the screenshot run.
#ifndef KYREL_VIEWER_VIEWEROPTIONS_H
#define KYREL_VIEWER_VIEWEROPTIONS_H

#include <string>

struct ViewerOptions
{
    std::string modelPath;
    std::string texturePath;
    // 3DS files come from Z-up modelling tools: turned upright unless asked not to.
    bool swapAxes = true;
    std::string screenshotPath;  // empty: interactive
    int frames = 3;              // frames drawn before the screenshot is taken
    // Prints the engine's start-up report on standard output beside the log, and what the
    // user's actions start.
    bool verbose = false;
    std::string frameLogPath;  // one line per frame drawn: its duration in milliseconds
    bool help = false;         // print the usage and stop
    bool version = false;      // print the version and stop
};

// Fills options from argv; false with the reason for a command line it cannot use. --help and
// --version end the parse: nothing after them is looked at.
bool ParseViewerOptions(int argc, char** argv, ViewerOptions& options, std::string& reason);

// The usage text, one option a line.
extern const char* const VIEWER_USAGE;

#endif
