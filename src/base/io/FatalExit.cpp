// Ends the process after a fatal failure, flushing what was printed first.
#include "io/FatalExit.h"

#include <cstdio>
#include <cstdlib>
#include <iostream>

namespace
{
FatalExitNote fatalExitNote = nullptr;
}  // namespace

FatalExitNote SetFatalExitNote(FatalExitNote note)
{
    FatalExitNote previous = fatalExitNote;
    fatalExitNote = note;
    return previous;
}

void FatalExit(int status)
{
    std::cout.flush();
    std::cerr.flush();
    if (fatalExitNote)
    {
        fatalExitNote();
    }
    fflush(nullptr);
    // _Exit: the managers' destructors would issue GL calls into a context that is gone.
    _Exit(status == 0 ? 1 : status);
}
