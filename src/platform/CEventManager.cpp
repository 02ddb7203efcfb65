// One SDL event per poll, folded into key, mouse and last-event state.
#include "platform/CEventManager.h"

#include "platform/QuitSignals.h"

#include <cstring>

namespace
{
const Uint8 LEFT_BUTTON = SDL_BUTTON_LEFT;
const Uint8 RIGHT_BUTTON = SDL_BUTTON_RIGHT;
}  // namespace

CEventManager::CEventManager()
    : lastEventCode(EVENT_NONE), eventTaken(false), mouseX(0), mouseY(0), previousMouseX(0),
      previousMouseY(0), leftButtonHeld(false), rightButtonHeld(false), clickedControl(-1),
      polled(false)
{
    memset(&event, 0, sizeof event);
    memset(keys, 0, sizeof keys);
}

void CEventManager::Poll()
{
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
        if (event.button.button == LEFT_BUTTON)
        {
            leftButtonHeld = true;
            lastEventCode = EVENT_LEFT_PRESSED;
        }
        else if (event.button.button == RIGHT_BUTTON)
        {
            rightButtonHeld = true;
            lastEventCode = EVENT_RIGHT_PRESSED;
        }
        break;
    case SDL_MOUSEBUTTONUP:
        if (event.button.button == LEFT_BUTTON)
        {
            leftButtonHeld = false;
            lastEventCode = EVENT_LEFT_RELEASED;
        }
        else if (event.button.button == RIGHT_BUTTON)
        {
            rightButtonHeld = false;
            lastEventCode = EVENT_RIGHT_RELEASED;
        }
        break;
    case SDL_QUIT:
        lastEventCode = EVENT_QUIT;
        break;
    default:
        break;
    }
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
