// Reader messages through one function. Standard error's go out on C stdio at once; standard
// output's go through std::cout, where the engine's own progress lines go, so that they keep their
// place among them and follow them wherever the engine sends its start-up report.
#include "io/Report.h"

#include <cstdarg>
#include <cstdio>
#include <iostream>
#include <vector>

void Report(ReportStream stream, const char* format, ...)
{
    va_list args;
    va_start(args, format);
    if (stream == ReportStream::Err)
    {
        vfprintf(stderr, format, args);
        // Each message reaches the console when it is reported, as a flushing newline leaves it:
        // it keeps its place among standard error's lines and outlives a process killed after it.
        fflush(stderr);
        va_end(args);
        return;
    }
    va_list measure;
    va_copy(measure, args);
    const int length = vsnprintf(nullptr, 0, format, measure);
    va_end(measure);
    if (length > 0)
    {
        std::vector<char> text(static_cast<size_t>(length) + 1);
        vsnprintf(text.data(), text.size(), format, args);
        std::cout.write(text.data(), length);
        std::cout.flush();
    }
    va_end(args);
}
