// A GUI window: the part the window manager drives (visibility, activity, identifier, drawing).
#ifndef KYREL_CWINDOW_H
#define KYREL_CWINDOW_H

class CWindow
{
public:
    explicit CWindow(int windowId = 0) : id(windowId) {}
    virtual ~CWindow() = default;

    virtual void Draw() {}

    bool IsVisible() const { return visible; }
    void SetVisible(bool on) { visible = on; }
    bool IsActive() const { return active; }
    // Activating also shows the window; deactivating leaves its visibility alone.
    void SetActive(bool on)
    {
        active = on;
        if (on)
        {
            visible = true;
        }
    }
    int GetId() const { return id; }

private:
    int id;
    bool visible = false;
    bool active = false;
};

#endif
