// Ends the process after a fatal failure, flushing what was printed first.
#include "io/FatalExit.h"

#include <cstdio>
#include <cstdlib>
#include <iostream>

void FatalExit(int status)
{
    std::cout.flush();
    std::cerr.flush();
    fflush(nullptr);
    // _Exit: the managers' destructors would issue GL calls into a context that is gone.
    _Exit(status == 0 ? 1 : status);
}
