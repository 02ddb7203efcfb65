/// \file
/// 4 x 4 float matrix in OpenGL's column-major layout (element index = column * 4 + row), so it
/// loads with glLoadMatrixf and reads back with glGetFloatv as it is. A matrix maps a point p to
/// M p (column vector): in A * B, B is applied first. Angles are in degrees.
#ifndef KYREL_CMATRIX4_H
#define KYREL_CMATRIX4_H

#include "math/CVector3.h"
#include "math/CVector4.h"

/// 4 x 4 float matrix, column-major as OpenGL stores it; see the file description for the
/// conventions.
class CMatrix4
{
public:
    float m[16] = {0};  ///< element (column, row) at column * 4 + row

    /// All zeros.
    CMatrix4() = default;
    /// Sixteen values given column by column, stored in that order.
    CMatrix4(float c0r0, float c0r1, float c0r2, float c0r3, float c1r0, float c1r1, float c1r2,
             float c1r3, float c2r0, float c2r1, float c2r2, float c2r3, float c3r0, float c3r1,
             float c3r2, float c3r3);
    /// Sixteen values column by column, as glGetFloatv returns them.
    explicit CMatrix4(const float columns[16]);
    /// Sixteen values given row by row, as a matrix is written on paper; stored transposed.
    ///@{
    static CMatrix4 FromRows(const float rows[16]);
    static CMatrix4 FromRows(float r0c0, float r0c1, float r0c2, float r0c3, float r1c0, float r1c1,
                             float r1c2, float r1c3, float r2c0, float r2c1, float r2c2, float r2c3,
                             float r3c0, float r3c1, float r3c2, float r3c3);
    ///@}
    /// The identity matrix.
    static CMatrix4 Identity();
    /// All zeros.
    static CMatrix4 Zero() { return CMatrix4(); }

    /// Unchecked access for engine code with fixed indices; data from outside goes through Get/Set.
    ///@{
    float& operator[](int index) { return m[index]; }
    float operator[](int index) const { return m[index]; }
    ///@}
    /// The sixteen floats in column-major order, for glLoadMatrixf and glMultMatrixf.
    const float* Data() const { return m; }

    /// Checked access: Get answers 0 and Set does nothing for an index outside 0..15.
    ///@{
    float Get(int index) const;
    void Set(int index, float value);
    ///@}
    /// Row or column i (0..3) as (x, y, z, w); (0, 0, 0, 0) for any other i.
    ///@{
    CVector4 GetRow(int i) const;
    CVector4 GetColumn(int i) const;
    ///@}

    /// Element-wise sum, difference, negation and scaling.
    ///@{
    CMatrix4 operator+(const CMatrix4& b) const;
    CMatrix4 operator-(const CMatrix4& b) const;
    CMatrix4 operator-() const;
    CMatrix4 operator*(float s) const;
    ///@}
    /// Dividing by exactly 0 or 1 gives the matrix back unchanged; otherwise multiplies by 1 / s.
    CMatrix4 operator/(float s) const;
    /// Product that skips the work an affine bottom row (0, 0, 0, 1) makes unnecessary; equals
    /// MultiplyFull in exact arithmetic.
    CMatrix4 operator*(const CMatrix4& b) const;
    /// The plain 4 x 4 product, every term summed.
    CMatrix4 MultiplyFull(const CMatrix4& b) const;
    /// The operators above, assigned to this matrix (*= by a matrix multiplies on the right).
    ///@{
    CMatrix4& operator+=(const CMatrix4& b) { return *this = *this + b; }
    CMatrix4& operator-=(const CMatrix4& b) { return *this = *this - b; }
    CMatrix4& operator*=(const CMatrix4& b) { return *this = *this * b; }
    CMatrix4& operator*=(float s) { return *this = *this * s; }
    CMatrix4& operator/=(float s) { return *this = *this / s; }
    ///@}
    /// Exact comparison of all sixteen elements.
    ///@{
    bool operator==(const CMatrix4& b) const;
    bool operator!=(const CMatrix4& b) const { return !(*this == b); }
    ///@}

    /// Bottom row exactly (0, 0, 0, 1).
    bool IsAffine() const;

    /// Rows and columns swapped.
    CMatrix4 Transpose() const;
    /// Adjugate over determinant; a singular matrix (determinant exactly 0) gives the identity.
    CMatrix4 Inverse() const;
    /// Inverse().Transpose(): what transforms normals.
    CMatrix4 InverseTranspose() const { return Inverse().Transpose(); }
    /// Inverse of a rotation-plus-translation: transposed 3 x 3, translation -(R^T t).
    CMatrix4 RigidInverse() const;
    /// The transpose of RigidInverse: the 3 x 3 kept, -(R^T t) in the bottom row.
    CMatrix4 RigidInverseTranspose() const;

    /// M v; with an affine matrix the input w passes through untouched.
    CVector4 TransformPoint(const CVector4& v) const;
    /// M (v, 1), translation included, in place.
    void TransformPoint(CVector3& v) const;
    /// Upper 3 x 3 only (no translation), in place.
    void TransformDirection(CVector3& v) const;
    /// Transposed upper 3 x 3, in place: the inverse rotation for a pure rotation.
    void TransformDirectionTransposed(CVector3& v) const;
    /// Adds or subtracts the translation (elements 12, 13, 14), in place.
    ///@{
    void Translate(CVector3& v) const;
    void Untranslate(CVector3& v) const;
    ///@}
    /// Sets elements 12, 13, 14 and nothing else.
    void SetTranslation(const CVector3& v);

    /// Translation by a vector or along one axis, as glTranslatef builds it.
    ///@{
    static CMatrix4 Translation(const CVector3& v);
    static CMatrix4 TranslationX(float x);
    static CMatrix4 TranslationY(float y);
    static CMatrix4 TranslationZ(float z);
    ///@}
    /// Scaling per axis or uniform, as glScalef builds it.
    ///@{
    static CMatrix4 Scale(const CVector3& v);
    static CMatrix4 Scale(float s);
    ///@}
    /// Each equals the matrix glRotatef builds for the same angle (degrees, or radians for
    /// RotationRadians) and axis. RotationEuler is RotationX, then RotationY, then RotationZ
    /// applied in that order.
    ///@{
    static CMatrix4 RotationX(float angle);
    static CMatrix4 RotationY(float angle);
    static CMatrix4 RotationZ(float angle);
    static CMatrix4 Rotation(float angle, const CVector3& axis);
    static CMatrix4 RotationRadians(double radians, const CVector3& axis);
    static CMatrix4 RotationEuler(float angleX, float angleY, float angleZ);
    ///@}
    /// glFrustum's matrix; far == -1 puts the far plane at infinity. All zeros for an empty volume.
    static CMatrix4 Frustum(float left, float right, float bottom, float top, float zNear,
                            float zFar);
    /// gluPerspective's matrix (fovY in degrees, aspect = width / height).
    static CMatrix4 Perspective(float fovY, float aspect, float zNear, float zFar);
    /// glOrtho's matrix.
    static CMatrix4 Ortho(float left, float right, float bottom, float top, float zNear,
                          float zFar);
};

/// Scaling with the factor first: s * a equals a * s.
inline CMatrix4 operator*(float s, const CMatrix4& a)
{
    return a * s;
}

#endif
