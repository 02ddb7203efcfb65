// Rotations of a vector about the coordinate axes and about an arbitrary axis.
#include "math/CVector3.h"
#include "math/CMatrix4.h"

namespace
{
const double DEGREES_TO_RADIANS = 3.141592653589793 / 180.0;

// Cosine and sine of an angle in degrees.
void CosSin(float angle, float& c, float& s)
{
    const double radians = angle * DEGREES_TO_RADIANS;
    c = static_cast<float>(std::cos(radians));
    s = static_cast<float>(std::sin(radians));
}
}  // namespace

CVector3 CVector3::RotateX(float angle) const
{
    if (angle == 0.0f)
    {
        return *this;
    }
    float c, s;
    CosSin(angle, c, s);
    return CVector3(x, c * y - s * z, s * y + c * z);
}

CVector3 CVector3::RotateY(float angle) const
{
    if (angle == 0.0f)
    {
        return *this;
    }
    float c, s;
    CosSin(angle, c, s);
    return CVector3(c * x + s * z, y, -s * x + c * z);
}

CVector3 CVector3::RotateZ(float angle) const
{
    if (angle == 0.0f)
    {
        return *this;
    }
    float c, s;
    CosSin(angle, c, s);
    return CVector3(c * x - s * y, s * x + c * y, z);
}

CVector3 CVector3::RotateAxis(float angle, const CVector3& axis) const
{
    if (angle == 0.0f)
    {
        return *this;
    }
    CVector3 v = *this;
    CMatrix4::RotationRadians(angle * DEGREES_TO_RADIANS, axis).TransformDirection(v);
    return v;
}
