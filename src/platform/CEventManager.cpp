// One SDL event per poll, folded into key, mouse and last-event state, and the event filter that
// merges mouse motion on its way into SDL's queue.
#include "platform/CEventManager.h"

#include "platform/QuitSignals.h"

#include <algorithm>
#include <cstring>

namespace
{
const Uint8 LEFT_BUTTON = SDL_BUTTON_LEFT;
const Uint8 RIGHT_BUTTON = SDL_BUTTON_RIGHT;
// More than SDL's queue holds (127 events in SDL 1.2, 128 in its compatibility layer over SDL 2),
// so one read takes the whole queue out.
const int QUEUE_SCRATCH_SIZE = 256;

Sint16 SumOfMotion(Sint16 a, Sint16 b)
{
    const int sum = std::min(32767, std::max(-32768, a + b));
    return static_cast<Sint16>(sum);
}

// SDL calls this on the thread that pumps its events, before an event enters the queue. A mouse
// motion that would land right behind another one is folded into it (relative motion summed,
// the later position and buttons kept), so a burst of motion takes one place in the queue and
// one poll: keys and clicks behind it arrive a frame later, not hundreds, and the queue has room
// for them. SDL has no call that changes a queued event: the queue is taken out and put back.
int SDLCALL MergeMouseMotion(const SDL_Event* incoming)
{
    if (incoming->type != SDL_MOUSEMOTION)
    {
        return 1;
    }
    SDL_Event queued[QUEUE_SCRATCH_SIZE];
    const int count = SDL_PeepEvents(queued, QUEUE_SCRATCH_SIZE, SDL_GETEVENT, SDL_ALLEVENTS);
    if (count <= 0)
    {
        return 1;
    }
    SDL_MouseMotionEvent& last = queued[count - 1].motion;
    const bool merged = last.type == SDL_MOUSEMOTION;
    if (merged)
    {
        last.state = incoming->motion.state;
        last.x = incoming->motion.x;
        last.y = incoming->motion.y;
        last.xrel = SumOfMotion(last.xrel, incoming->motion.xrel);
        last.yrel = SumOfMotion(last.yrel, incoming->motion.yrel);
    }
    SDL_PeepEvents(queued, count, SDL_ADDEVENT, SDL_ALLEVENTS);
    return merged ? 0 : 1;
}

// SDL drops its filter whenever video starts, so this is checked at every poll. Setting a filter
// also empties the queue (SDL 1.2 pumps and discards): what is pending is set aside around it.
void KeepMotionMerged()
{
    if (SDL_GetEventFilter() == MergeMouseMotion || !SDL_WasInit(SDL_INIT_VIDEO))
    {
        return;
    }
    SDL_PumpEvents();
    SDL_Event queued[QUEUE_SCRATCH_SIZE];
    const int count = SDL_PeepEvents(queued, QUEUE_SCRATCH_SIZE, SDL_GETEVENT, SDL_ALLEVENTS);
    SDL_SetEventFilter(MergeMouseMotion);
    if (count > 0)
    {
        SDL_PeepEvents(queued, count, SDL_ADDEVENT, SDL_ALLEVENTS);
    }
}
}  // namespace

CEventManager::CEventManager()
    : lastEventCode(EVENT_NONE), eventTaken(false), mouseX(0), mouseY(0), previousMouseX(0),
      previousMouseY(0), leftButtonHeld(false), rightButtonHeld(false), buttonX(0), buttonY(0),
      clickedControl(-1), polled(false)
{
    memset(&event, 0, sizeof event);
    memset(keys, 0, sizeof keys);
}

void CEventManager::Poll()
{
    KeepMotionMerged();
    // SDL's mouse state moves only when events are pumped. Pumped before it is read, the state
    // includes the camera's last warp back to the centre; read first, it would still show where
    // the pointer was before that warp, and one mouse move would turn the view twice.
    SDL_PumpEvents();
    previousMouseX = mouseX;
    previousMouseY = mouseY;
    SDL_GetMouseState(&mouseX, &mouseY);
    polled = true;
    clickedControl = -1;

    eventTaken = QuitSignals::TakeQuitEvent(event) || SDL_PollEvent(&event) == 1;
    lastEventCode = EVENT_NONE;
    if (eventTaken)
    {
        TakeEvent();
    }
}

void CEventManager::TakeEvent()
{
    switch (event.type)
    {
    case SDL_KEYDOWN:
        SetKey(event.key.keysym.sym, true);
        lastEventCode = EVENT_KEY_PRESSED;
        break;
    case SDL_KEYUP:
        SetKey(event.key.keysym.sym, false);
        break;
    case SDL_MOUSEBUTTONDOWN:
        TakeButton(true);
        break;
    case SDL_MOUSEBUTTONUP:
        TakeButton(false);
        break;
    case SDL_QUIT:
        lastEventCode = EVENT_QUIT;
        break;
    default:
        break;
    }
}

void CEventManager::TakeButton(bool pressed)
{
    const SDL_MouseButtonEvent& button = event.button;
    if (button.button == LEFT_BUTTON)
    {
        leftButtonHeld = pressed;
        lastEventCode = pressed ? EVENT_LEFT_PRESSED : EVENT_LEFT_RELEASED;
    }
    else if (button.button == RIGHT_BUTTON)
    {
        rightButtonHeld = pressed;
        lastEventCode = pressed ? EVENT_RIGHT_PRESSED : EVENT_RIGHT_RELEASED;
    }
    else
    {
        return;  // the middle button and the wheel change nothing
    }
    buttonX = button.x;
    buttonY = button.y;
}

void CEventManager::SetKey(SDLKey key, bool held)
{
    // SDL 1.2 key symbols stay below the table size; anything else is ignored, not written.
    if (key >= 0 && key < KEY_TABLE_SIZE)
    {
        keys[key] = held;
    }
}

void CEventManager::WarpMouse(int x, int y)
{
    SDL_WarpMouse(static_cast<Uint16>(x), static_cast<Uint16>(y));
}
