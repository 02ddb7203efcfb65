/// \file
/// The engine's start-up report (managers, driver, extensions, shaders, font, and whatever the
/// application loads before its first frame) sent to the log file instead of, or as well as,
/// standard output. It stands in for std::cout's buffer while the engine starts, so every progress
/// line keeps its text and order; standard error is left alone.
#ifndef KYREL_CSTARTUPREPORT_H
#define KYREL_CSTARTUPREPORT_H

#include <streambuf>
#include <string>

/// Held by CEngine from its construction to its first frame when the report is not for the
/// console alone (StartupReport).
class CStartupReport : public std::streambuf
{
public:
    /// Takes over std::cout; with echo the console still gets every character too.
    explicit CStartupReport(bool echo);
    /// Gives std::cout its buffer back. Text no log took (the log was never created) goes to the
    /// console then, unless it was echoed: a report is never lost.
    ~CStartupReport() override;
    CStartupReport(const CStartupReport&) = delete;
    CStartupReport& operator=(const CStartupReport&) = delete;

    /// The logger is up: the lines held since the start go into its file. When it could not
    /// create the file, they go to the console instead, and so does the rest of the report.
    void LoggerStarted();

protected:
    /// One character, as xsputn.
    int_type overflow(int_type character) override;
    /// Held for the log, and on the console as well with echo.
    std::streamsize xsputn(const char* text, std::streamsize count) override;
    /// A flushing newline: the lines so far go into the log, which flushes each write.
    int sync() override;

private:
    enum Destination
    {
        HOLD,     // no logger yet: lines wait in pending
        LOG,      // through the logger, line by line
        CONSOLE,  // the log could not be created: standard output as without a report
    };

    void ToConsole(const std::string& text);
    // The fatal-exit note: a start-up that ends the process shows its whole report on the console.
    static void ShowOnFatalExit();

    static CStartupReport* active;  // the report the fatal-exit note shows
    std::streambuf* console;
    bool echo;
    Destination destination = HOLD;
    std::string pending;     // written since the last delivery to the log
    std::string transcript;  // everything written, for a fatal exit
};

#endif
