// The light registry: owns the lights and answers by 1-based number, harmlessly for any other.
#include "scene/CLightManager.h"
#include "scene/CLight.h"

namespace
{
// Where a missing light is assumed to be: high above the origin.
const CVector3 NO_LIGHT_POSITION(0.0f, 100.0f, 0.0f);
}  // namespace

CLightManager::~CLightManager()
{
    for (CLight*& light : lights)
    {
        delete light;
        light = nullptr;
    }
    lights.clear();
    count = 0;
}

void CLightManager::AddLight(CLight* light)
{
    if (!light)
    {
        return;
    }
    lights.push_back(light);
    ++count;
}

CLight* CLightManager::GetLight(int number) const
{
    if (number < 1 || number > count)
    {
        return nullptr;
    }
    return lights[static_cast<size_t>(number - 1)];
}

void CLightManager::EnableLight(int number)
{
    if (CLight* light = GetLight(number))
    {
        light->Enable();
    }
}

void CLightManager::DisableLight(int number)
{
    if (CLight* light = GetLight(number))
    {
        light->Disable();
    }
}

CVector3 CLightManager::GetLightPosition(int number) const
{
    const CLight* light = GetLight(number);
    if (!light)
    {
        return NO_LIGHT_POSITION;
    }
    const float* position = light->GetPosition();
    return CVector3(position[0], position[1], position[2]);
}

CMatrix4 CLightManager::GetLightProjection(int number) const
{
    const CLight* light = GetLight(number);
    return light ? light->GetProjectionMatrix() : CMatrix4::Identity();
}

CMatrix4 CLightManager::GetLightView(int number) const
{
    const CLight* light = GetLight(number);
    return light ? light->GetViewMatrix() : CMatrix4::Identity();
}
