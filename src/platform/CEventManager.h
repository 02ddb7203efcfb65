/// \file
/// Turns SDL's event queue into state read between polls: held keys, mouse position and delta,
/// held buttons and a code for the last event. One event is taken per poll; runs of mouse motion
/// are merged as they are queued, so keys and clicks are not held up or lost behind them.
#ifndef KYREL_CEVENTMANAGER_H
#define KYREL_CEVENTMANAGER_H

#include <SDL/SDL.h>

/// Keyboard, mouse and quit state, reached through gEventManager; CEngine::Frame polls it once a
/// frame. Mouse positions are window pixels, origin top left.
class CEventManager
{
public:
    /// Codes of the last event taken.
    enum EventCode
    {
        EVENT_NONE = 0,
        EVENT_KEY_PRESSED = 1,
        EVENT_QUIT = 2,
        EVENT_LEFT_RELEASED = 3,
        EVENT_RIGHT_RELEASED = 4,
        EVENT_LEFT_PRESSED = 5,
        EVENT_RIGHT_PRESSED = 6
    };
    /// Entries of the held-key table, indexed by SDL key code.
    static const int KEY_TABLE_SIZE = 400;

    CEventManager();
    ~CEventManager() = default;

    /// Reads the mouse, then takes at most one event from SDL's queue (or a pending quit
    /// signal) and updates the keys, buttons and last-event code from it.
    void Poll();

    /// True when the last poll took an event.
    bool HasEvent() const { return eventTaken; }
    /// False until the first poll: before it the mouse position is not a real reading.
    bool HasPolled() const { return polled; }
    /// The SDL event the last poll took (stale when HasEvent is false).
    SDL_Event GetEvent() const { return event; }
    /// Keys outside the table read as not held.
    bool IsKeyDown(int key) const { return key >= 0 && key < KEY_TABLE_SIZE && keys[key]; }
    /// The EventCode of the last poll (EVENT_NONE when it took no event).
    ///@{
    bool IsLastEvent(int code) const { return lastEventCode == code; }
    int GetLastEvent() const { return lastEventCode; }
    ///@}

    /// Pointer position at the last poll, and its change since the poll before.
    ///@{
    int GetMouseX() const { return mouseX; }
    int GetMouseY() const { return mouseY; }
    int GetMouseDeltaX() const { return mouseX - previousMouseX; }
    int GetMouseDeltaY() const { return mouseY - previousMouseY; }
    bool HasMouseMoved() const { return mouseX != previousMouseX || mouseY != previousMouseY; }
    ///@}
    /// Held between the press and release events taken.
    ///@{
    bool IsLeftButtonDown() const { return leftButtonHeld; }
    bool IsRightButtonDown() const { return rightButtonHeld; }
    ///@}
    /// Where the last left or right button event taken happened, which is not where the pointer
    /// is now when motion queued behind the click has been read since.
    ///@{
    int GetButtonX() const { return buttonX; }
    int GetButtonY() const { return buttonY; }
    ///@}

    /// Identifier of the GUI control clicked in this frame, -1 for none: each poll clears it,
    /// and the buttons and toggles set it while they are drawn.
    ///@{
    int GetClickedControl() const { return clickedControl; }
    void SetClickedControl(int id) { clickedControl = id; }
    ///@}

    /// Moves the pointer to (x, y) in window pixels; the position reads it at the next poll.
    void WarpMouse(int x, int y);

private:
    void TakeEvent();
    void TakeButton(bool pressed);
    void SetKey(SDLKey key, bool held);

    SDL_Event event;
    bool keys[KEY_TABLE_SIZE];
    int lastEventCode;
    bool eventTaken;
    int mouseX;
    int mouseY;
    int previousMouseX;
    int previousMouseY;
    bool leftButtonHeld;
    bool rightButtonHeld;
    int buttonX;
    int buttonY;
    int clickedControl;
    bool polled;
};

/// The engine's event manager, created and deleted by CEngine.
extern CEventManager* gEventManager;

#endif
