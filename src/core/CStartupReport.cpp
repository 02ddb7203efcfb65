// Holds the start-up lines until the logger exists, then writes them through it as they come.
#include "core/CStartupReport.h"

#include "core/CLogger.h"
#include "io/FatalExit.h"

#include <iostream>

CStartupReport* CStartupReport::active = nullptr;

CStartupReport::CStartupReport(bool echoToConsole) : console(std::cout.rdbuf()), echo(echoToConsole)
{
    std::cout.rdbuf(this);
    active = this;
    SetFatalExitNote(ShowOnFatalExit);
}

CStartupReport::~CStartupReport()
{
    sync();
    std::cout.rdbuf(console);
    SetFatalExitNote(nullptr);
    active = nullptr;
    if (destination == HOLD && !echo)
    {
        ToConsole(pending);
    }
}

void CStartupReport::LoggerStarted()
{
    if (gLogger && gLogger->IsOpen())
    {
        destination = LOG;
        sync();
        return;
    }
    // "Cannot create log file!" is among the held lines: the console shows it and what follows.
    if (!echo)
    {
        ToConsole(pending);
    }
    pending.clear();
    destination = CONSOLE;
}

void CStartupReport::ToConsole(const std::string& text)
{
    console->sputn(text.data(), static_cast<std::streamsize>(text.size()));
    console->pubsync();
}

void CStartupReport::ShowOnFatalExit()
{
    if (active && !active->echo && active->destination != CONSOLE)
    {
        active->ToConsole(active->transcript);
    }
}

CStartupReport::int_type CStartupReport::overflow(int_type character)
{
    if (traits_type::eq_int_type(character, traits_type::eof()))
    {
        return traits_type::not_eof(character);
    }
    char text = traits_type::to_char_type(character);
    xsputn(&text, 1);
    return character;
}

std::streamsize CStartupReport::xsputn(const char* text, std::streamsize count)
{
    if (echo || destination == CONSOLE)
    {
        console->sputn(text, count);
    }
    if (destination != CONSOLE)
    {
        pending.append(text, static_cast<size_t>(count));
        transcript.append(text, static_cast<size_t>(count));
    }
    return count;
}

int CStartupReport::sync()
{
    if (destination == LOG && !pending.empty())
    {
        gLogger->Write(pending.c_str(), false);
        pending.clear();
    }
    if (echo || destination == CONSOLE)
    {
        console->pubsync();
    }
    return 0;
}
