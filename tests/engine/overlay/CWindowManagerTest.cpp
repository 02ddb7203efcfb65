// Drawing order, visibility and activation of the window manager's windows.
#include "overlay/CWindow.h"
#include "overlay/CWindowManager.h"

#include <gtest/gtest.h>
#include <vector>

namespace
{
std::vector<int> drawn;

class RecordingWindow : public CWindow
{
public:
    // No background picture: the window manager's part needs no GL.
    explicit RecordingWindow(int id, bool* destroyed = nullptr)
        : CWindow(0, 0, 100, 50, nullptr, false, 1.0f, CWindow::DEFAULT_TITLE_BAR_HEIGHT, id,
                  false),
          destroyed(destroyed)
    {
    }
    ~RecordingWindow() override
    {
        if (destroyed)
        {
            *destroyed = true;
        }
    }
    void Draw() override { drawn.push_back(GetId()); }

private:
    bool* destroyed;
};
}  // namespace

TEST(CWindowManager, DrawsVisibleWindowsInOrderAndActivatesById)
{
    drawn.clear();
    bool destroyed = false;
    {
        CWindowManager manager;
        manager.DrawWindows();
        EXPECT_TRUE(drawn.empty());

        RecordingWindow* first = new RecordingWindow(1, &destroyed);
        RecordingWindow* second = new RecordingWindow(2);
        RecordingWindow* twin = new RecordingWindow(2);
        manager.AddWindow(first);
        manager.AddWindow(second);
        manager.AddWindow(twin);

        manager.ActivateWindow(7);  // no such identifier
        manager.DrawWindows();
        EXPECT_TRUE(drawn.empty());

        manager.ActivateWindow(2);  // both windows with identifier 2
        first->SetVisible(true);
        manager.DrawWindows();
        EXPECT_EQ((std::vector<int>{1, 2, 2}), drawn);

        drawn.clear();
        manager.DeactivateAll();
        EXPECT_FALSE(second->IsActive());
        EXPECT_TRUE(second->IsVisible()) << "deactivating leaves visibility alone";
        first->SetActive(true);
        first->SetVisible(false);  // hiding a window deactivates it, and hidden ones are skipped
        EXPECT_FALSE(first->IsActive());
        manager.DrawWindows();
        EXPECT_EQ((std::vector<int>{2, 2}), drawn);
    }
    EXPECT_TRUE(destroyed) << "the manager owns its windows";
}
