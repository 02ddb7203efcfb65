// A virtual X display of the viewer's own, for a screenshot run without one: an Xvfb child that
// ends with the viewer on every path out, a signal or a crash included.
#ifndef KYREL_VIEWER_HEADLESSDISPLAY_H
#define KYREL_VIEWER_HEADLESSDISPLAY_H

#include <string>
#include <sys/types.h>

class HeadlessDisplay
{
public:
    HeadlessDisplay() = default;
    // Stops the server, if one was started.
    ~HeadlessDisplay();
    HeadlessDisplay(const HeadlessDisplay&) = delete;
    HeadlessDisplay& operator=(const HeadlessDisplay&) = delete;

    // Starts Xvfb and points DISPLAY at it; false, with the reason, when no server came up.
    bool Start(std::string& reason);

private:
    // The display number the server announces; empty when it ended or stayed silent too long.
    std::string ReadDisplayNumber(int announcements);
    void Stop();

    pid_t serverPid = -1;
};

#endif
