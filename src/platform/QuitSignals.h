/// \file
/// SIGTERM and SIGINT as the quit request the frame loops already end on: the handler only notes
/// the signal, and the next event poll hands it on as a quit event. A process that does not get
/// back to its poll in time, or a second signal, ends from the signal side.
#ifndef KYREL_QUITSIGNALS_H
#define KYREL_QUITSIGNALS_H

#include <SDL/SDL.h>

/// SIGTERM and SIGINT handling for the frame loops.
namespace QuitSignals
{
/// Seconds a first signal leaves the process to reach its next event poll.
const unsigned POLL_SECONDS = 1;
/// Seconds more for a frame loop that is moving, only slowly (it polled within POLL_SECONDS before
/// the signal): a loaded machine's software renderer may take a second a frame.
const unsigned SLOW_FRAME_SECONDS = 2;
/// Seconds the frame and the normal shut-down get once the poll has handed the request on.
const unsigned SHUTDOWN_SECONDS = 3;

/// Installs the handlers; call before SDL starts, which then leaves both signals to them. A
/// signal the process was started with ignored stays ignored.
void Install();
/// Called by every event poll: notes when the loop polled, and fills event with a quit request
/// when a signal asked for one that no poll has taken yet.
bool TakeQuitEvent(SDL_Event& event);
/// The first SIGTERM or SIGINT received, 0 when none was.
int ReceivedSignal();
/// The conventional exit status of a process ended by that signal (128 + its number).
int ExitStatus(int signalNumber);
}  // namespace QuitSignals

#endif
