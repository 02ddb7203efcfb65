// Quit signals: an async-signal-safe handler that notes the request and arms a deadline, and the
// poll-side half that turns a noted request into an SDL quit event.
#include "platform/QuitSignals.h"

#include <atomic>
#include <csignal>
#include <cstring>
#include <ctime>
#include <unistd.h>

namespace
{
// Written from handlers, which may run on any of SDL's or the mixer's threads: lock-free atomics
// are the only shared state a handler may touch.
std::atomic<int> receivedSignal(0);
std::atomic<bool> requestPending(false);
std::atomic<bool> deadlineExtended(false);
// Monotonic milliseconds of the last poll, and of the poll that took the request; 0 before.
std::atomic<long long> lastPollMilliseconds(0);
std::atomic<long long> takenMilliseconds(0);
static_assert(std::atomic<int>::is_always_lock_free, "signal handlers need lock-free atomics");
static_assert(std::atomic<bool>::is_always_lock_free, "signal handlers need lock-free atomics");
static_assert(std::atomic<long long>::is_always_lock_free,
              "signal handlers need lock-free atomics");

// clock_gettime is async-signal-safe, unlike the C++ clocks.
long long NowMilliseconds()
{
    timespec now;
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<long long>(now.tv_sec) * 1000 + now.tv_nsec / 1000000;
}

void OnQuitSignal(int signalNumber)
{
    int none = 0;
    if (!receivedSignal.compare_exchange_strong(none, signalNumber))
    {
        // Asked twice: whoever sends the second signal does not want to wait.
        _exit(QuitSignals::ExitStatus(signalNumber));
    }
    // The deadline is armed before the request shows, so a poll that takes it always replaces
    // this deadline with the longer one, never the other way round.
    alarm(QuitSignals::POLL_SECONDS);
    requestPending.store(true);
}

void OnDeadline(int)
{
    // A poll took the request just as the first deadline ran out: the shut-down's deadline holds.
    const long long taken = takenMilliseconds.load();
    if (taken != 0 && NowMilliseconds() - taken < 1000LL * QuitSignals::SHUTDOWN_SECONDS &&
        !deadlineExtended.exchange(true))
    {
        alarm(QuitSignals::SHUTDOWN_SECONDS);
        return;
    }
    // Not back at the poll yet, but it polled shortly before the signal: a slow frame, not a
    // stuck one, and it gets one more allowance.
    const long long sincePoll = NowMilliseconds() - lastPollMilliseconds.load();
    const long long recently = 2 * 1000LL * QuitSignals::POLL_SECONDS;
    if (requestPending.load() && lastPollMilliseconds.load() != 0 && sincePoll < recently &&
        !deadlineExtended.exchange(true))
    {
        alarm(QuitSignals::SLOW_FRAME_SECONDS);
        return;
    }
    // No normal shut-down in time: end with the status the signal itself would have given.
    _exit(QuitSignals::ExitStatus(receivedSignal.load()));
}

void Handle(int signalNumber, void (*handler)(int), bool keepIgnored)
{
    struct sigaction action;
    memset(&action, 0, sizeof action);
    if (keepIgnored && sigaction(signalNumber, nullptr, &action) == 0 &&
        action.sa_handler == SIG_IGN)
    {
        return;
    }
    memset(&action, 0, sizeof action);
    action.sa_handler = handler;
    sigemptyset(&action.sa_mask);
    // Reads and waits the signal interrupts carry on; the request waits for the next poll.
    action.sa_flags = SA_RESTART;
    sigaction(signalNumber, &action, nullptr);
}
}  // namespace

namespace QuitSignals
{
void Install()
{
    Handle(SIGALRM, OnDeadline, false);
    Handle(SIGTERM, OnQuitSignal, true);
    Handle(SIGINT, OnQuitSignal, true);
}

bool TakeQuitEvent(SDL_Event& event)
{
    lastPollMilliseconds.store(NowMilliseconds());
    if (!requestPending.exchange(false))
    {
        return false;
    }
    takenMilliseconds.store(lastPollMilliseconds.load());
    alarm(SHUTDOWN_SECONDS);
    memset(&event, 0, sizeof event);
    event.type = SDL_QUIT;
    return true;
}

int ReceivedSignal()
{
    return receivedSignal.load();
}

int ExitStatus(int signalNumber)
{
    return 128 + signalNumber;
}
}  // namespace QuitSignals
