/// \file
/// The one way readers print their messages: each message keeps its exact text (the caller's format,
/// newlines included) and its stream, so the console transcript stays as users and tests know it.
#ifndef KYREL_REPORT_H
#define KYREL_REPORT_H

/// The stream a message goes to.
enum class ReportStream
{
    Out,  ///< standard output: progress and warnings a loader prints in its normal path
    Err   ///< standard error: a file refused or data dropped
};

/// printf-style; writes exactly what the format gives, so a caller that wants a line ends it with '\n'.
void Report(ReportStream stream, const char* format, ...) __attribute__((format(printf, 2, 3)));

#endif
