// The viewer's command line: the model, its texture, the axis swap and the screenshot run.
#ifndef KYREL_VIEWER_VIEWEROPTIONS_H
#define KYREL_VIEWER_VIEWEROPTIONS_H

#include <string>

struct ViewerOptions
{
    std::string modelPath;
    std::string texturePath;
    bool swapAxes = false;
    std::string screenshotPath;  // empty: interactive
    int frames = 3;              // frames drawn before the screenshot is taken
    bool verbose = false;        // reports on standard output what the user's actions start
    std::string frameLogPath;    // one line per frame drawn: its duration in milliseconds
};

// Fills options from argv; false with the reason for a command line it cannot use.
bool ParseViewerOptions(int argc, char** argv, ViewerOptions& options, std::string& reason);

extern const char* const VIEWER_USAGE;

#endif
