/// \file
/// The engine's free-fly camera: mouse look about world up and the side axis, W/A/S/D movement
/// scaled by the frame time, the look-at view and its frustum.
#ifndef KYREL_CCAMERA_H
#define KYREL_CCAMERA_H

#include "math/CMatrix4.h"
#include "math/CVector3.h"

class CFrustum;

/// The camera of the 3D scene, reached through gCamera: an eye position, a point it looks at and
/// an up vector, in world units. Update reads the mouse and W/A/S/D; Look loads the view.
class CCamera
{
public:
    /// Eye at (150, 110, 150) looking at (1, 5, 1), +y up, 200 units a second; owns its frustum.
    CCamera();
    ~CCamera();
    CCamera(const CCamera&) = delete;
    CCamera& operator=(const CCamera&) = delete;

    /// Per frame, before drawing: side axis, mouse look, key movement.
    void Update();
    /// Loads the look-at view onto the current matrix and refreshes the frustum.
    void Look();
    /// The view frustum, owned by the camera and refreshed by Look.
    CFrustum* GetFrustum() const { return frustum; }

    /// Places the eye or the point looked at, leaving the other and the viewing direction as
    /// they are.
    ///@{
    void SetPosition(float x, float y, float z) { position = CVector3(x, y, z); }
    void SetView(float x, float y, float z) { view = CVector3(x, y, z); }
    ///@}
    /// Places the eye (px, py, pz), the point looked at (vx, vy, vz) and the up vector at once.
    void PositionCamera(float px, float py, float pz, float vx, float vy, float vz, float ux,
                        float uy, float uz);
    /// Moves the eye to p and the view point with it, keeping the viewing direction.
    void MoveTo(const CVector3& p);
    /// Movement speed of W/A/S/D in world units per second (200 by default).
    ///@{
    void SetSpeed(float unitsPerSecond) { speed = unitsPerSecond; }
    float GetSpeed() const { return speed; }
    ///@}

    /// Eye, point looked at, up vector, and the side axis of the last Update.
    ///@{
    const CVector3& GetPosition() const { return position; }
    const CVector3& GetView() const { return view; }
    const CVector3& GetUp() const { return up; }
    const CVector3& GetStrafe() const { return strafe; }
    ///@}
    /// Unit vector from the eye to the view point, kept by placing and turning the camera.
    const CVector3& GetViewDirection() const { return viewDirection; }

    /// Stores the rigid inverse of the current GL modelview matrix and returns it.
    CMatrix4* UpdateInverseViewMatrix();
    /// Same, from a given column-major modelview matrix.
    CMatrix4* UpdateInverseViewMatrix(const float modelview[16]);

    /// Turns the view by the mouse's distance from the window centre (0.005 radians a pixel) and
    /// warps the pointer back there; nothing before the first poll or with the pointer centred.
    void SetViewByMouse();
    /// Rotates the view point about (x, y, z) through the eye; the axis is used as given.
    void RotateView(float angle, float x, float y, float z);
    /// Moves by W/A/S/D held now, speed times the last frame's time.
    void CheckKeys();
    /// Moves eye and view point along the viewing direction (negative: backwards), world units.
    void Move(float amount);
    /// Moves eye and view point sideways in the horizontal plane (negative: left), world units.
    void Strafe(float amount);

private:
    /// The side axis; when the view runs along the up vector it has no direction, and the last
    /// good axis is kept so the camera never takes a zero or NaN axis.
    CVector3 SideAxis() const;

    CVector3 viewDirection;
    CVector3 position;
    CVector3 view;
    CVector3 up;
    CVector3 strafe;
    float speed;
    CFrustum* frustum;
    CMatrix4 inverseViewMatrix;
};

/// The engine's camera, created and deleted by CEngine.
extern CCamera* gCamera;

#endif
