/// \file
/// The six clip planes of the current view, taken from GL's projection and modelview matrices,
/// with visibility tests for points, spheres, cubes and axis-aligned boxes.
#ifndef KYREL_CFRUSTUM_H
#define KYREL_CFRUSTUM_H

/// The view frustum of gCamera, which owns it and refreshes it in CCamera::Look; the game object
/// manager culls objects against it. Coordinates are world units.
class CFrustum
{
public:
    /// The planes, in the order GetPlane indexes them.
    enum Plane
    {
        PLANE_RIGHT = 0,
        PLANE_LEFT,
        PLANE_BOTTOM,
        PLANE_TOP,
        PLANE_FAR,
        PLANE_NEAR,
        PLANE_COUNT
    };

    /// All planes zero until the first update.
    CFrustum();

    /// Reads both GL matrices and rebuilds the planes; needs a current context.
    void Update();
    /// Rebuilds the planes from given column-major matrices.
    void UpdateFromMatrices(const float projectionMatrix[16], const float modelviewMatrix[16]);

    /// A point exactly on a plane is outside.
    bool PointInFrustum(float x, float y, float z) const;
    /// False when the sphere lies wholly behind any plane (touching from outside counts as out).
    bool SphereInFrustum(float x, float y, float z, float radius) const;
    /// False when all eight corners of the cube lie behind one plane (on it counts as behind).
    bool CubeInFrustum(float x, float y, float z, float halfSize) const;
    /// 0 when the box is outside; non-zero when any part of it may be inside. A corner exactly on
    /// a plane counts as inside.
    int BoxInFrustum(float minX, float minY, float minZ, float maxX, float maxY, float maxZ) const;

    /// Plane index (a Plane value) as (a, b, c, d) with a x + b y + c z + d > 0 inside and (a, b, c)
    /// of unit length.
    const float* GetPlane(int index) const { return planes[index]; }

private:
    float Distance(int plane, float x, float y, float z) const
    {
        return planes[plane][0] * x + planes[plane][1] * y + planes[plane][2] * z +
               planes[plane][3];
    }

    float planes[PLANE_COUNT][4];
    float projection[16];
    float modelview[16];
    float clip[16];
};

#endif
