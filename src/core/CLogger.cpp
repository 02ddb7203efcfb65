// Writes the log file: banner and start line when created, stop line when destroyed.
#include "core/CLogger.h"

#include <iostream>

namespace
{
const char* const LOG_FILE_NAME = "Kyrel_Engine.log";
const char* const MSG_CANNOT_CREATE = "Cannot create log file!";
const char* const LOG_BANNER = "Kyrel Engine logger - log of the last run\n";
const char* const LOG_STARTED = "Logger started...\n";
const char* const LOG_STOPPED = "Logger stopped...\n";
}  // namespace

CLogger::CLogger() : path(LOG_FILE_NAME), file(nullptr)
{
    file = fopen(path, "w");
    if (!file)
    {
        std::cout << MSG_CANNOT_CREATE << std::endl;
        return;
    }
    fputs(LOG_BANNER, file);
    fputs(LOG_STARTED, file);
    fflush(file);
}

CLogger::~CLogger()
{
    if (file)
    {
        fputs(LOG_STOPPED, file);
        fflush(file);
        fclose(file);
        file = nullptr;
    }
}

void CLogger::Write(const char* text, bool echo)
{
    if (!text)
    {
        return;
    }
    if (file)
    {
        fputs(text, file);
        fflush(file);
    }
    if (echo)
    {
        std::cout << text << std::endl;
    }
}
