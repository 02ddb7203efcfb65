/// \file
/// The six clip planes of the current view, taken from GL's projection and modelview matrices,
/// with visibility tests for points, spheres, cubes and axis-aligned boxes.
#ifndef KYREL_CFRUSTUM_H
#define KYREL_CFRUSTUM_H

class CFrustum
{
public:
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

    CFrustum();

    /// Reads both GL matrices and rebuilds the planes; needs a current context.
    void Update();
    /// Rebuilds the planes from given column-major matrices.
    void UpdateFromMatrices(const float projectionMatrix[16], const float modelviewMatrix[16]);

    /// A point exactly on a plane is outside.
    bool PointInFrustum(float x, float y, float z) const;
    bool SphereInFrustum(float x, float y, float z, float radius) const;
    bool CubeInFrustum(float x, float y, float z, float halfSize) const;
    /// 0 when the box is outside; non-zero when any part of it may be inside. A corner exactly on
    /// a plane counts as inside.
    int BoxInFrustum(float minX, float minY, float minZ, float maxX, float maxY, float maxZ) const;

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
