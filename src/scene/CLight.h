/// \file
/// One point light: its fixed-function colours and position, and a perspective camera placed at the
/// light whose projection and view matrices the shadow-map pass renders from. Every light drives
/// GL_LIGHT0.
#ifndef KYREL_CLIGHT_H
#define KYREL_CLIGHT_H

#include "math/CMatrix4.h"
#include "math/CVector3.h"

/// A light of the scene. Hand it to gLightManager, which owns it and numbers it from 1.
///
/// Colours are RGBA 0..1; the position is (x, y, z, w) in world units as glLightfv takes it
/// (w = 0 for a directional light).
class CLight
{
public:
    /// Needs a current GL context: the matrices are computed at once. Without arguments the
    /// light is a point light at (20, 100, 20), diffuse and ambient grey 0.8, specular 0.1.
    ///@{
    CLight();
    CLight(const float position[4], const float diffuse[4], const float ambient[4],
           const float specular[4]);
    ///@}

    /// Stores the four quadruples, clears enabled (without touching GL) and recomputes the matrices.
    void Set(const float position[4], const float diffuse[4], const float ambient[4],
             const float specular[4]);
    /// Sends the position to GL_LIGHT0 at once (through the current modelview matrix) and
    /// recomputes the matrices.
    void SetPosition(float x, float y, float z, float w);

    /// Loads the colours and position into GL_LIGHT0 and switches lighting on.
    void Enable();
    /// Switches GL_LIGHT0 and lighting off.
    void Disable();
    /// True after Enable, false after Disable or Set.
    bool IsEnabled() const { return enabled; }

    /// x, y, z, w; x, y, z read as the light's point in the world.
    const float* GetPosition() const { return position; }
    /// RGBA colours, four floats each.
    ///@{
    const float* GetDiffuse() const { return diffuse; }
    const float* GetAmbient() const { return ambient; }
    const float* GetSpecular() const { return specular; }
    ///@}

    /// The light camera's projection and look-at view (from the light's point towards the
    /// target), as the shadow-map pass renders from them.
    ///@{
    CMatrix4 GetProjectionMatrix() const { return projectionMatrix; }
    CMatrix4 GetViewMatrix() const { return viewMatrix; }
    ///@}

    /// The light camera's settings take effect at the next SetPosition or Set: vertical field of
    /// view in degrees (45), aspect as width over height (1), near and far planes in world units
    /// (1 and 1500), the point it looks at (the origin) and its up direction (+y).
    ///@{
    void SetFieldOfView(float degrees) { fieldOfView = degrees; }
    float GetFieldOfView() const { return fieldOfView; }
    void SetAspect(float widthOverHeight) { aspect = widthOverHeight; }
    float GetAspect() const { return aspect; }
    void SetNear(float distance) { nearPlane = distance; }
    float GetNear() const { return nearPlane; }
    void SetFar(float distance) { farPlane = distance; }
    float GetFar() const { return farPlane; }
    void SetTarget(float x, float y, float z) { target = CVector3(x, y, z); }
    CVector3 GetTarget() const { return target; }
    void SetUp(float x, float y, float z) { up = CVector3(x, y, z); }
    CVector3 GetUp() const { return up; }
    ///@}

private:
    void StoreQuadruples(const float newPosition[4], const float newDiffuse[4],
                         const float newAmbient[4], const float newSpecular[4]);
    void ComputeMatrices();

    float position[4];
    float diffuse[4];
    float ambient[4];
    float specular[4];
    CMatrix4 projectionMatrix;
    CMatrix4 viewMatrix;
    bool enabled = false;
    float fieldOfView = 45.0f;
    float aspect = 1.0f;
    float nearPlane = 1.0f;
    float farPlane = 1500.0f;
    CVector3 target = CVector3(0.0f, 0.0f, 0.0f);
    CVector3 up = CVector3(0.0f, 1.0f, 0.0f);
};

#endif
