/// \file
/// Four-component float value (x, y, z, w): homogeneous points and the rows and columns of a CMatrix4.
#ifndef KYREL_CVECTOR4_H
#define KYREL_CVECTOR4_H

#include "math/CVector3.h"

class CVector4
{
public:
    float x = 0.0f;
    float y = 0.0f;
    float z = 0.0f;
    float w = 0.0f;

    CVector4() = default;
    CVector4(float vx, float vy, float vz, float vw) : x(vx), y(vy), z(vz), w(vw) {}
    CVector4(const CVector3& v, float vw) : x(v.x), y(v.y), z(v.z), w(vw) {}

    CVector3 XYZ() const { return CVector3(x, y, z); }

    bool operator==(const CVector4& v) const
    {
        return x == v.x && y == v.y && z == v.z && w == v.w;
    }
    bool operator!=(const CVector4& v) const { return !(*this == v); }
};

#endif
