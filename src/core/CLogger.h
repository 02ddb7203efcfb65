/// \file
/// The engine's log file, "Kyrel_Engine.log" in the working directory, flushed line by line.
#ifndef KYREL_CLOGGER_H
#define KYREL_CLOGGER_H

#include <cstdio>

/// The log file, reached through gLogger.
class CLogger
{
public:
    /// Creates (truncates) the file and writes its banner; a file that cannot be created is
    /// reported on standard output and the logger then writes nothing.
    CLogger();
    /// Closes the file.
    ~CLogger();

    /// Appends text unchanged (no line end added); with echo it also goes to standard output.
    void Write(const char* text, bool echo);
    /// Whether the file could be created.
    bool IsOpen() const { return file != nullptr; }

private:
    const char* path;
    FILE* file;
};

/// The engine's logger, created and deleted by CEngine.
extern CLogger* gLogger;

#endif
