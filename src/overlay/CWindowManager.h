/// \file
/// Holds the application's GUI windows and draws the visible ones once per frame in 2D mode.
#ifndef KYREL_CWINDOWMANAGER_H
#define KYREL_CWINDOWMANAGER_H

#include <cstddef>
#include <vector>

class CWindow;

/// The GUI windows, reached through gWindowManager; it owns them and deletes them with itself.
class CWindowManager
{
public:
    CWindowManager() = default;
    ~CWindowManager();
    CWindowManager(const CWindowManager&) = delete;
    CWindowManager& operator=(const CWindowManager&) = delete;

    /// The manager owns the window from now on.
    void AddWindow(CWindow* window);
    /// Draws every visible window in the order added (later ones on top); CEngine::Frame calls
    /// it in 2D mode.
    void DrawWindows();
    /// Deactivates every window (see CWindow::SetActive).
    void DeactivateAll();
    /// Activates, and so shows, every window whose identifier is id.
    void ActivateWindow(int id);
    /// Number of windows held.
    size_t GetWindowCount() const { return windows.size(); }

private:
    std::vector<CWindow*> windows;
};

/// The engine's window manager, created and deleted by CEngine.
extern CWindowManager* gWindowManager;

#endif
