// Reader messages through one function, on C stdio so they interleave with the engine's iostream
// output in the order they were written (iostreams stay synchronised with stdio).
#include "io/Report.h"

#include <cstdarg>
#include <cstdio>

void Report(ReportStream stream, const char* format, ...)
{
    FILE* out = stream == ReportStream::Err ? stderr : stdout;
    va_list args;
    va_start(args, format);
    vfprintf(out, format, args);
    va_end(args);
    // Each message reaches the console when it is reported, as a flushing newline leaves it: it
    // keeps its place among standard error's lines and outlives a process killed after it.
    fflush(out);
}
