/// \file
/// The one way the engine ends the process after a failure it cannot go on from (a shut-down SDL,
/// a dead GL context): the caller has already printed the failure's own messages.
#ifndef KYREL_FATALEXIT_H
#define KYREL_FATALEXIT_H

/// Flushes standard output and error and ends the process at once, without running destructors,
/// with status (0 is turned into 1: a fatal exit never reports success).
[[noreturn]] void FatalExit(int status = 1);

/// What a fatal exit does last, after flushing the streams: the engine points it at its start-up
/// report while that keeps standard output off the console, so that the failure's messages still
/// reach the user. Null (the default) for nothing.
using FatalExitNote = void (*)();
/// Replaces the note; returns the one it replaces.
FatalExitNote SetFatalExitNote(FatalExitNote note);

#endif
