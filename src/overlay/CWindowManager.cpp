// Draws visible windows in the order they were added; later windows cover earlier ones.
#include "overlay/CWindowManager.h"

#include "overlay/CWindow.h"

CWindowManager::~CWindowManager()
{
    for (CWindow* window : windows)
    {
        delete window;
    }
}

void CWindowManager::AddWindow(CWindow* window)
{
    if (window)
    {
        windows.push_back(window);
    }
}

void CWindowManager::DrawWindows()
{
    for (CWindow* window : windows)
    {
        if (window->IsVisible())
        {
            window->Draw();
        }
    }
}

void CWindowManager::DeactivateAll()
{
    for (CWindow* window : windows)
    {
        window->SetActive(false);
    }
}

void CWindowManager::ActivateWindow(int id)
{
    for (CWindow* window : windows)
    {
        if (window->GetId() == id)
        {
            window->SetActive(true);
        }
    }
}
