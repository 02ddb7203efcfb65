/// \file
/// Three-component float vector used for positions, directions and colours throughout the engine.
#ifndef KYREL_CVECTOR3_H
#define KYREL_CVECTOR3_H

#include <cmath>

/// Three floats: a position or direction in world units, or an RGB colour of 0..1.
class CVector3
{
public:
    /// The components; (0, 0, 0) by default.
    ///@{
    float x = 0.0f;
    float y = 0.0f;
    float z = 0.0f;
    ///@}

    CVector3() = default;
    /// The vector (vx, vy, vz).
    CVector3(float vx, float vy, float vz) : x(vx), y(vy), z(vz) {}

    /// Component-wise sum and difference, and scaling by s.
    ///@{
    CVector3 operator+(const CVector3& v) const { return CVector3(x + v.x, y + v.y, z + v.z); }
    CVector3 operator-(const CVector3& v) const { return CVector3(x - v.x, y - v.y, z - v.z); }
    CVector3 operator*(float s) const { return CVector3(x * s, y * s, z * s); }
    ///@}
    /// Exact comparison of the three components.
    ///@{
    bool operator==(const CVector3& v) const { return x == v.x && y == v.y && z == v.z; }
    bool operator!=(const CVector3& v) const { return !(*this == v); }
    ///@}

    /// Euclidean length.
    float Length() const { return std::sqrt(x * x + y * y + z * z); }

    /// Divides by the length unless it is 0, which leaves the vector unchanged.
    void Normalize()
    {
        float length = Length();
        if (length != 0.0f)
        {
            x /= length;
            y /= length;
            z /= length;
        }
    }
    /// As Normalize, but a vector already of length exactly 1 is left alone (saves the divisions).
    void NormalizeUnlessUnit()
    {
        if (Length() != 1.0f)
        {
            Normalize();
        }
    }
    /// A normalised copy (see Normalize).
    CVector3 Normalized() const
    {
        CVector3 v = *this;
        v.Normalize();
        return v;
    }

    /// Rotations by an angle in degrees, right-handed about the named axis; an angle of exactly 0
    /// gives the vector back untouched. The Rotate* forms return a copy, the *InPlace forms change
    /// this vector.
    ///@{
    CVector3 RotateX(float angle) const;
    CVector3 RotateY(float angle) const;
    CVector3 RotateZ(float angle) const;
    CVector3 RotateAxis(float angle, const CVector3& axis) const;
    void RotateXInPlace(float angle) { *this = RotateX(angle); }
    void RotateYInPlace(float angle) { *this = RotateY(angle); }
    void RotateZInPlace(float angle) { *this = RotateZ(angle); }
    void RotateAxisInPlace(float angle, const CVector3& axis) { *this = RotateAxis(angle, axis); }
    ///@}

    /// A direction packed into colour space: normalised, then each component mapped from -1..1 to
    /// 0..1 (how normal maps store normals).
    CVector3 ToColorRange() const
    {
        CVector3 n = Normalized();
        return CVector3(n.x * 0.5f + 0.5f, n.y * 0.5f + 0.5f, n.z * 0.5f + 0.5f);
    }
};

/// Dot product.
inline float Dot(const CVector3& a, const CVector3& b)
{
    return a.x * b.x + a.y * b.y + a.z * b.z;
}

/// Cross product a x b (right-handed).
inline CVector3 Cross(const CVector3& a, const CVector3& b)
{
    return CVector3(a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x);
}

#endif
