/// \file
/// The engine's log file, "Kyrel_Engine.log" in the working directory, flushed line by line.
#ifndef KYREL_CLOGGER_H
#define KYREL_CLOGGER_H

#include <cstdio>

class CLogger
{
public:
    CLogger();
    ~CLogger();

    /// Appends text unchanged (no line end added); with echo it also goes to standard output.
    void Write(const char* text, bool echo);
    bool IsOpen() const { return file != nullptr; }

private:
    const char* path;
    FILE* file;
};

extern CLogger* gLogger;

#endif
