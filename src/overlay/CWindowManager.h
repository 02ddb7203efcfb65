/// \file
/// Holds the application's GUI windows and draws the visible ones once per frame in 2D mode.
#ifndef KYREL_CWINDOWMANAGER_H
#define KYREL_CWINDOWMANAGER_H

#include <cstddef>
#include <vector>

class CWindow;

class CWindowManager
{
public:
    CWindowManager() = default;
    ~CWindowManager();
    CWindowManager(const CWindowManager&) = delete;
    CWindowManager& operator=(const CWindowManager&) = delete;

    /// The manager owns the window from now on.
    void AddWindow(CWindow* window);
    void DrawWindows();
    void DeactivateAll();
    void ActivateWindow(int id);
    size_t GetWindowCount() const { return windows.size(); }

private:
    std::vector<CWindow*> windows;
};

extern CWindowManager* gWindowManager;

#endif
