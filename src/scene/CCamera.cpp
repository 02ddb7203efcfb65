// Mouse look, key movement and the look-at view of the free-fly camera.
#include "scene/CCamera.h"

#include "platform/CEventManager.h"
#include "platform/CGraphicsCore.h"
#include "scene/CFrustum.h"
#include "textures/CUtils.h"

#include <SDL/SDL.h>
#include <GL/glew.h>
#include <GL/glu.h>
#include <cmath>

namespace
{
const float MOUSE_RADIANS_PER_PIXEL = 0.005f;
const float DEFAULT_SPEED = 200.0f;
const SDLKey KEY_FORWARD = SDLK_w;
const SDLKey KEY_BACK = SDLK_s;
const SDLKey KEY_LEFT = SDLK_a;
const SDLKey KEY_RIGHT = SDLK_d;
}  // namespace

CCamera::CCamera()
    : viewDirection(0.0f, 0.0f, 0.0f), position(150.0f, 110.0f, 150.0f), view(1.0f, 5.0f, 1.0f),
      up(0.0f, 1.0f, 0.0f), strafe(0.0f, 0.0f, 0.0f), speed(DEFAULT_SPEED), frustum(new CFrustum())
{
    // W and S move along where the camera looks from the start, not only after a mouse turn.
    viewDirection = (view - position).Normalized();
    // The engine creates the camera before any window exists; the first frame applies the view
    // again, so the initial look is skipped while there is no GL context.
    if (SDL_GetVideoSurface())
    {
        Look();
    }
}

CCamera::~CCamera()
{
    delete frustum;
}

void CCamera::Update()
{
    strafe = SideAxis();
    SetViewByMouse();
    CheckKeys();
}

CVector3 CCamera::SideAxis() const
{
    CVector3 axis = Cross(view - position, up);
    if (axis.Length() == 0.0f || !std::isfinite(axis.Length()))
    {
        return strafe;
    }
    axis.Normalize();
    return axis;
}

void CCamera::Look()
{
    gluLookAt(position.x, position.y, position.z, view.x, view.y, view.z, up.x, up.y, up.z);
    frustum->Update();
}

void CCamera::PositionCamera(float px, float py, float pz, float vx, float vy, float vz, float ux,
                             float uy, float uz)
{
    position = CVector3(px, py, pz);
    view = CVector3(vx, vy, vz);
    up = CVector3(ux, uy, uz);
    viewDirection = (view - position).Normalized();
}

void CCamera::MoveTo(const CVector3& p)
{
    view = view + (p - position);
    position = p;
}

void CCamera::SetViewByMouse()
{
    int centreX = static_cast<int>(gGraphicsCore->GetWidth() / 2);
    int centreY = static_cast<int>(gGraphicsCore->GetHeight() / 2);
    int mouseX = gEventManager->GetMouseX();
    int mouseY = gEventManager->GetMouseY();
    // Before the first poll the position is (0, 0), not the pointer: turning by it would swing
    // the view far away on the very first frame.
    if (!gEventManager->HasPolled() || (mouseX == centreX && mouseY == centreY))
    {
        return;
    }
    gEventManager->WarpMouse(centreX, centreY);

    float angleAboutUp = static_cast<float>(centreX - mouseX) * MOUSE_RADIANS_PER_PIXEL;
    float angleAboutSide = static_cast<float>(centreY - mouseY) * MOUSE_RADIANS_PER_PIXEL;

    CVector3 axis = SideAxis();
    if (axis.Length() != 0.0f)
    {
        RotateView(angleAboutSide, axis.x, axis.y, axis.z);
    }
    RotateView(angleAboutUp, 0.0f, 1.0f, 0.0f);
}

void CCamera::RotateView(float angle, float x, float y, float z)
{
    CVector3 v = view - position;
    float c = std::cos(angle);
    float s = std::sin(angle);
    float t = 1.0f - c;

    CVector3 n;
    n.x = (c + t * x * x) * v.x + (t * x * y - z * s) * v.y + (t * x * z + y * s) * v.z;
    n.y = (t * x * y + z * s) * v.x + (c + t * y * y) * v.y + (t * y * z - x * s) * v.z;
    n.z = (t * x * z - y * s) * v.x + (t * y * z + x * s) * v.y + (c + t * z * z) * v.z;

    viewDirection = n.Normalized();
    view = position + n;
}

void CCamera::CheckKeys()
{
    float distance = static_cast<float>(static_cast<double>(speed) * gUtils->GetFrameTime());
    const Uint8* keyState = SDL_GetKeyState(nullptr);
    if (!keyState)
    {
        return;
    }
    if (keyState[KEY_FORWARD])
    {
        Move(distance);
    }
    if (keyState[KEY_BACK])
    {
        Move(-distance);
    }
    if (keyState[KEY_LEFT])
    {
        Strafe(-distance);
    }
    if (keyState[KEY_RIGHT])
    {
        Strafe(distance);
    }
}

void CCamera::Move(float amount)
{
    position = position + viewDirection * amount;
    view = view + viewDirection * amount;
}

void CCamera::Strafe(float amount)
{
    position.x += strafe.x * amount;
    view.x += strafe.x * amount;
    position.z += strafe.z * amount;
    view.z += strafe.z * amount;
}

CMatrix4* CCamera::UpdateInverseViewMatrix()
{
    float modelview[16];
    glGetFloatv(GL_MODELVIEW_MATRIX, modelview);
    return UpdateInverseViewMatrix(modelview);
}

CMatrix4* CCamera::UpdateInverseViewMatrix(const float m[16])
{
    CMatrix4& r = inverseViewMatrix;
    // Upper 3 x 3 transposed; the rotation of a rigid transform inverts that way.
    r[0] = m[0];
    r[1] = m[4];
    r[2] = m[8];
    r[3] = 0.0f;
    r[4] = m[1];
    r[5] = m[5];
    r[6] = m[9];
    r[7] = 0.0f;
    r[8] = m[2];
    r[9] = m[6];
    r[10] = m[10];
    r[11] = 0.0f;
    r[12] = -(m[12] * m[0] + m[13] * m[1] + m[14] * m[2]);
    r[13] = -(m[12] * m[4] + m[13] * m[5] + m[14] * m[6]);
    r[14] = -(m[12] * m[8] + m[13] * m[9] + m[14] * m[10]);
    r[15] = 1.0f;
    return &inverseViewMatrix;
}
