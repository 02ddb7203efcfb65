/// \file
/// Four-component float value (x, y, z, w): homogeneous points and the rows and columns of a CMatrix4.
#ifndef KYREL_CVECTOR4_H
#define KYREL_CVECTOR4_H

#include "math/CVector3.h"

/// Four floats (x, y, z, w); w is 1 for a point and 0 for a direction.
class CVector4
{
public:
    /// The components; all 0 by default.
    ///@{
    float x = 0.0f;
    float y = 0.0f;
    float z = 0.0f;
    float w = 0.0f;
    ///@}

    CVector4() = default;
    /// The value (vx, vy, vz, vw).
    CVector4(float vx, float vy, float vz, float vw) : x(vx), y(vy), z(vz), w(vw) {}
    /// v extended by a fourth component.
    CVector4(const CVector3& v, float vw) : x(v.x), y(v.y), z(v.z), w(vw) {}

    /// (x, y, z), w dropped without dividing by it.
    CVector3 XYZ() const { return CVector3(x, y, z); }

    /// Exact comparison of the four components.
    ///@{
    bool operator==(const CVector4& v) const
    {
        return x == v.x && y == v.y && z == v.z && w == v.w;
    }
    bool operator!=(const CVector4& v) const { return !(*this == v); }
    ///@}
};

#endif
