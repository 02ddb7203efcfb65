// The list of 2D cameras and the per-frame offset of the current one.
#include "scene/CCameraManager.h"

#include <GL/glew.h>

CCameraManager::~CCameraManager()
{
    for (CCamera2D* camera : cameras)
    {
        delete camera;
    }
}

void CCameraManager::AddCamera(CCamera2D* camera)
{
    if (!camera)
    {
        return;
    }
    cameras.push_back(camera);
    current = count;
    ++count;
}

void CCameraManager::SetCurrent(int index)
{
    if (index >= 0 && index < count)
    {
        current = index;
    }
}

const float* CCameraManager::GetCurrentPosition() const
{
    CCamera2D* camera = Current();
    return camera ? camera->GetPosition() : nullptr;
}

const float* CCameraManager::GetCameraPosition(int index) const
{
    if (index >= 0 && index < count)
    {
        return cameras[index]->GetPosition();
    }
    return GetCurrentPosition();
}

void CCameraManager::IncreaseX(float d)
{
    if (CCamera2D* camera = Current())
    {
        camera->IncreaseX(d);
    }
}

void CCameraManager::DecreaseX(float d)
{
    if (CCamera2D* camera = Current())
    {
        camera->DecreaseX(d);
    }
}

void CCameraManager::IncreaseY(float d)
{
    if (CCamera2D* camera = Current())
    {
        camera->IncreaseY(d);
    }
}

void CCameraManager::DecreaseY(float d)
{
    if (CCamera2D* camera = Current())
    {
        camera->DecreaseY(d);
    }
}

void CCameraManager::Offset(float dx, float dy)
{
    if (CCamera2D* camera = Current())
    {
        camera->Offset(dx, dy);
    }
}

void CCameraManager::Apply()
{
    if (CCamera2D* camera = Current())
    {
        const float* position = camera->GetPosition();
        glTranslatef(position[0], position[1], 0.0f);
    }
}
