// Matrix arithmetic, inversion, point and direction transforms, and the transform and projection
// builders (each the same matrix as its fixed-function GL counterpart).
#include "math/CMatrix4.h"

#include <cmath>

namespace
{
const int ELEMENT_COUNT = 16;
// Degrees to radians as the entity transform has always converted them.
const double DEGREES_TO_RADIANS = 0.017453292;
const double PI = 3.141592653589793;
// The far plane at infinity is approached, not reached, so depth stays inside the range.
const float FAR_AT_INFINITY = -1.0f;
const float INFINITE_FAR_FACTOR = 0.999f;

// Element (row, column) of a column-major array.
inline int At(int row, int column)
{
    return column * 4 + row;
}

// Both operands affine: B's bottom row (0, 0, 0, 1) is not multiplied. Each result column is a
// combination of A's columns, four rows at a time so the loop vectorises; the bottom row comes
// out as (0, 0, 0, 1) because A's is: 0 + 0 for the first three columns (a plain 0 added turns a
// -0 into 0) and 0 + 1 for the last.
// Out of line on purpose: inlined after the affine checks, the compiler folds the known zeros of
// A's bottom row into the arithmetic and the loop no longer vectorises.
__attribute__((noinline)) CMatrix4 MultiplyAffine(const float* a, const float* b)
{
    // A local result cannot alias the operands, which leaves the loops free to vectorise.
    CMatrix4 result;
    for (int column = 0; column < 4; ++column)
    {
        const float* bColumn = b + column * 4;
        float* out = result.m + column * 4;
        for (int row = 0; row < 4; ++row)
        {
            const float translation = column == 3 ? a[12 + row] : 0.0f;
            out[row] = a[row] * bColumn[0] + a[4 + row] * bColumn[1] + a[8 + row] * bColumn[2] +
                       translation;
        }
    }
    return result;
}

// One operand affine: A's bottom row selects B's bottom row; B's bottom row terms are 0 or
// A's last column.
// Out of line as well: rare, and merged into the caller it slows the common paths.
__attribute__((noinline)) CMatrix4 MultiplyHalfAffine(const float* a, const float* b, bool aAffine,
                                                      bool bAffine)
{
    CMatrix4 result;
    float* r = result.m;
    const int computedRows = aAffine ? 3 : 4;
    for (int column = 0; column < 4; ++column)
    {
        for (int row = 0; row < computedRows; ++row)
        {
            float sum = a[At(row, 0)] * b[At(0, column)] + a[At(row, 1)] * b[At(1, column)] +
                        a[At(row, 2)] * b[At(2, column)];
            if (!bAffine)
            {
                sum += a[At(row, 3)] * b[At(3, column)];
            }
            else if (column == 3)
            {
                sum += a[At(row, 3)];
            }
            r[At(row, column)] = sum;
        }
        if (aAffine)
        {
            r[At(3, column)] = b[At(3, column)];
        }
    }
    return result;
}

// The identity turned in one coordinate plane: cos at the two diagonal elements, sin and -sin at
// the two off-diagonal ones.
CMatrix4 PlaneRotation(float angle, int cosA, int plusSin, int minusSin, int cosB)
{
    const double radians = angle * DEGREES_TO_RADIANS;
    const float c = static_cast<float>(std::cos(radians));
    const float s = static_cast<float>(std::sin(radians));
    CMatrix4 r = CMatrix4::Identity();
    r.m[cosA] = c;
    r.m[cosB] = c;
    r.m[plusSin] = s;
    r.m[minusSin] = -s;
    return r;
}
}  // namespace

CMatrix4::CMatrix4(float c0r0, float c0r1, float c0r2, float c0r3, float c1r0, float c1r1,
                   float c1r2, float c1r3, float c2r0, float c2r1, float c2r2, float c2r3,
                   float c3r0, float c3r1, float c3r2, float c3r3)
    : m{c0r0, c0r1, c0r2, c0r3, c1r0, c1r1, c1r2, c1r3,
        c2r0, c2r1, c2r2, c2r3, c3r0, c3r1, c3r2, c3r3}
{
}

CMatrix4::CMatrix4(const float columns[16])
{
    for (int i = 0; i < ELEMENT_COUNT; ++i)
    {
        m[i] = columns[i];
    }
}

CMatrix4 CMatrix4::FromRows(const float rows[16])
{
    return CMatrix4(rows).Transpose();
}

CMatrix4 CMatrix4::FromRows(float r0c0, float r0c1, float r0c2, float r0c3, float r1c0, float r1c1,
                            float r1c2, float r1c3, float r2c0, float r2c1, float r2c2, float r2c3,
                            float r3c0, float r3c1, float r3c2, float r3c3)
{
    return CMatrix4(r0c0, r1c0, r2c0, r3c0, r0c1, r1c1, r2c1, r3c1, r0c2, r1c2, r2c2, r3c2, r0c3,
                    r1c3, r2c3, r3c3);
}

CMatrix4 CMatrix4::Identity()
{
    CMatrix4 r;
    r.m[0] = r.m[5] = r.m[10] = r.m[15] = 1.0f;
    return r;
}

float CMatrix4::Get(int index) const
{
    if (index < 0 || index >= ELEMENT_COUNT)
    {
        return 0.0f;
    }
    return m[index];
}

void CMatrix4::Set(int index, float value)
{
    if (index >= 0 && index < ELEMENT_COUNT)
    {
        m[index] = value;
    }
}

CVector4 CMatrix4::GetRow(int i) const
{
    if (i < 0 || i > 3)
    {
        return CVector4();
    }
    return CVector4(m[At(i, 0)], m[At(i, 1)], m[At(i, 2)], m[At(i, 3)]);
}

CVector4 CMatrix4::GetColumn(int i) const
{
    if (i < 0 || i > 3)
    {
        return CVector4();
    }
    return CVector4(m[At(0, i)], m[At(1, i)], m[At(2, i)], m[At(3, i)]);
}

CMatrix4 CMatrix4::operator+(const CMatrix4& b) const
{
    CMatrix4 r;
    for (int i = 0; i < ELEMENT_COUNT; ++i)
    {
        r.m[i] = m[i] + b.m[i];
    }
    return r;
}

CMatrix4 CMatrix4::operator-(const CMatrix4& b) const
{
    CMatrix4 r;
    for (int i = 0; i < ELEMENT_COUNT; ++i)
    {
        r.m[i] = m[i] - b.m[i];
    }
    return r;
}

CMatrix4 CMatrix4::operator-() const
{
    CMatrix4 r;
    for (int i = 0; i < ELEMENT_COUNT; ++i)
    {
        r.m[i] = -m[i];
    }
    return r;
}

CMatrix4 CMatrix4::operator*(float s) const
{
    CMatrix4 r;
    for (int i = 0; i < ELEMENT_COUNT; ++i)
    {
        r.m[i] = m[i] * s;
    }
    return r;
}

CMatrix4 CMatrix4::operator/(float s) const
{
    if (s == 0.0f || s == 1.0f)
    {
        return *this;
    }
    return *this * (1.0f / s);
}

bool CMatrix4::operator==(const CMatrix4& b) const
{
    for (int i = 0; i < ELEMENT_COUNT; ++i)
    {
        if (m[i] != b.m[i])
        {
            return false;
        }
    }
    return true;
}

bool CMatrix4::IsAffine() const
{
    return m[3] == 0.0f && m[7] == 0.0f && m[11] == 0.0f && m[15] == 1.0f;
}

CMatrix4 CMatrix4::MultiplyFull(const CMatrix4& b) const
{
    CMatrix4 r;
    for (int column = 0; column < 4; ++column)
    {
        const float* bColumn = b.m + column * 4;
        for (int row = 0; row < 4; ++row)
        {
            r.m[At(row, column)] = m[row] * bColumn[0] + m[4 + row] * bColumn[1] +
                                   m[8 + row] * bColumn[2] + m[12 + row] * bColumn[3];
        }
    }
    return r;
}

CMatrix4 CMatrix4::operator*(const CMatrix4& b) const
{
    const bool aAffine = IsAffine();
    const bool bAffine = b.IsAffine();
    if (aAffine && bAffine)
    {
        return MultiplyAffine(m, b.m);
    }
    if (aAffine || bAffine)
    {
        return MultiplyHalfAffine(m, b.m, aAffine, bAffine);
    }
    return MultiplyFull(b);
}

CMatrix4 CMatrix4::Transpose() const
{
    CMatrix4 r;
    for (int row = 0; row < 4; ++row)
    {
        for (int column = 0; column < 4; ++column)
        {
            r.m[At(column, row)] = m[At(row, column)];
        }
    }
    return r;
}

CMatrix4 CMatrix4::Inverse() const
{
    // a(row)(column); the 2 x 2 determinants of the top two rows (s) and the bottom two rows (c)
    // are shared by all sixteen cofactors.
    const float a00 = m[0], a10 = m[1], a20 = m[2], a30 = m[3];
    const float a01 = m[4], a11 = m[5], a21 = m[6], a31 = m[7];
    const float a02 = m[8], a12 = m[9], a22 = m[10], a32 = m[11];
    const float a03 = m[12], a13 = m[13], a23 = m[14], a33 = m[15];

    const float s0 = a00 * a11 - a10 * a01;
    const float s1 = a00 * a12 - a10 * a02;
    const float s2 = a00 * a13 - a10 * a03;
    const float s3 = a01 * a12 - a11 * a02;
    const float s4 = a01 * a13 - a11 * a03;
    const float s5 = a02 * a13 - a12 * a03;
    const float c0 = a20 * a31 - a30 * a21;
    const float c1 = a20 * a32 - a30 * a22;
    const float c2 = a20 * a33 - a30 * a23;
    const float c3 = a21 * a32 - a31 * a22;
    const float c4 = a21 * a33 - a31 * a23;
    const float c5 = a22 * a33 - a32 * a23;

    // The adjugate (transposed cofactors), stored column-major like the matrix.
    CMatrix4 adj = FromRows(a11 * c5 - a12 * c4 + a13 * c3, -a01 * c5 + a02 * c4 - a03 * c3,
                            a31 * s5 - a32 * s4 + a33 * s3, -a21 * s5 + a22 * s4 - a23 * s3,
                            -a10 * c5 + a12 * c2 - a13 * c1, a00 * c5 - a02 * c2 + a03 * c1,
                            -a30 * s5 + a32 * s2 - a33 * s1, a20 * s5 - a22 * s2 + a23 * s1,
                            a10 * c4 - a11 * c2 + a13 * c0, -a00 * c4 + a01 * c2 - a03 * c0,
                            a30 * s4 - a31 * s2 + a33 * s0, -a20 * s4 + a21 * s2 - a23 * s0,
                            -a10 * c3 + a11 * c1 - a12 * c0, a00 * c3 - a01 * c1 + a02 * c0,
                            -a30 * s3 + a31 * s1 - a32 * s0, a20 * s3 - a21 * s1 + a22 * s0);

    // Row 0 of the matrix times column 0 of its adjugate: the expansion along the first row.
    const float determinant = a00 * adj.m[0] + a01 * adj.m[1] + a02 * adj.m[2] + a03 * adj.m[3];
    if (determinant == 0.0f)
    {
        return Identity();
    }
    return adj / determinant;
}

CMatrix4 CMatrix4::RigidInverse() const
{
    CMatrix4 r = Identity();
    for (int row = 0; row < 3; ++row)
    {
        for (int column = 0; column < 3; ++column)
        {
            r.m[At(row, column)] = m[At(column, row)];
        }
    }
    CVector3 translation(m[12], m[13], m[14]);
    TransformDirectionTransposed(translation);
    r.m[12] = -translation.x;
    r.m[13] = -translation.y;
    r.m[14] = -translation.z;
    return r;
}

CMatrix4 CMatrix4::RigidInverseTranspose() const
{
    return RigidInverse().Transpose();
}

CVector4 CMatrix4::TransformPoint(const CVector4& v) const
{
    CVector4 r(m[0] * v.x + m[4] * v.y + m[8] * v.z + m[12] * v.w,
               m[1] * v.x + m[5] * v.y + m[9] * v.z + m[13] * v.w,
               m[2] * v.x + m[6] * v.y + m[10] * v.z + m[14] * v.w, v.w);
    if (!IsAffine())
    {
        r.w = m[3] * v.x + m[7] * v.y + m[11] * v.z + m[15] * v.w;
    }
    return r;
}

void CMatrix4::TransformPoint(CVector3& v) const
{
    v = CVector3(m[0] * v.x + m[4] * v.y + m[8] * v.z + m[12],
                 m[1] * v.x + m[5] * v.y + m[9] * v.z + m[13],
                 m[2] * v.x + m[6] * v.y + m[10] * v.z + m[14]);
}

void CMatrix4::TransformDirection(CVector3& v) const
{
    v = CVector3(m[0] * v.x + m[4] * v.y + m[8] * v.z, m[1] * v.x + m[5] * v.y + m[9] * v.z,
                 m[2] * v.x + m[6] * v.y + m[10] * v.z);
}

void CMatrix4::TransformDirectionTransposed(CVector3& v) const
{
    v = CVector3(m[0] * v.x + m[1] * v.y + m[2] * v.z, m[4] * v.x + m[5] * v.y + m[6] * v.z,
                 m[8] * v.x + m[9] * v.y + m[10] * v.z);
}

void CMatrix4::Translate(CVector3& v) const
{
    v = v + CVector3(m[12], m[13], m[14]);
}

void CMatrix4::Untranslate(CVector3& v) const
{
    v = v - CVector3(m[12], m[13], m[14]);
}

void CMatrix4::SetTranslation(const CVector3& v)
{
    m[12] = v.x;
    m[13] = v.y;
    m[14] = v.z;
}

CMatrix4 CMatrix4::Translation(const CVector3& v)
{
    CMatrix4 r = Identity();
    r.SetTranslation(v);
    return r;
}

CMatrix4 CMatrix4::TranslationX(float x)
{
    return Translation(CVector3(x, 0.0f, 0.0f));
}
CMatrix4 CMatrix4::TranslationY(float y)
{
    return Translation(CVector3(0.0f, y, 0.0f));
}
CMatrix4 CMatrix4::TranslationZ(float z)
{
    return Translation(CVector3(0.0f, 0.0f, z));
}

CMatrix4 CMatrix4::Scale(const CVector3& v)
{
    CMatrix4 r = Identity();
    r.m[0] = v.x;
    r.m[5] = v.y;
    r.m[10] = v.z;
    return r;
}

CMatrix4 CMatrix4::Scale(float s)
{
    return Scale(CVector3(s, s, s));
}

CMatrix4 CMatrix4::RotationX(float angle)
{
    return PlaneRotation(angle, 5, 6, 9, 10);
}
CMatrix4 CMatrix4::RotationY(float angle)
{
    return PlaneRotation(angle, 0, 8, 2, 10);
}
CMatrix4 CMatrix4::RotationZ(float angle)
{
    return PlaneRotation(angle, 0, 1, 4, 5);
}

CMatrix4 CMatrix4::Rotation(float angle, const CVector3& axis)
{
    return RotationRadians(angle * DEGREES_TO_RADIANS, axis);
}

CMatrix4 CMatrix4::RotationRadians(double radians, const CVector3& axis)
{
    const CVector3 n = axis.Normalized();
    const float x = n.x, y = n.y, z = n.z;
    const float c = static_cast<float>(std::cos(radians));
    const float s = static_cast<float>(std::sin(radians));
    const float t = 1.0f - c;
    CMatrix4 r = Identity();
    r.m[0] = x * x + c * (1.0f - x * x);
    r.m[4] = x * y * t - z * s;
    r.m[8] = x * z * t + y * s;
    r.m[1] = x * y * t + z * s;
    r.m[5] = y * y + c * (1.0f - y * y);
    r.m[9] = y * z * t - x * s;
    r.m[2] = x * z * t - y * s;
    r.m[6] = y * z * t + x * s;
    r.m[10] = z * z + c * (1.0f - z * z);
    return r;
}

CMatrix4 CMatrix4::RotationEuler(float angleX, float angleY, float angleZ)
{
    const float cx = static_cast<float>(std::cos(angleX * DEGREES_TO_RADIANS));
    const float sx = static_cast<float>(std::sin(angleX * DEGREES_TO_RADIANS));
    const float cy = static_cast<float>(std::cos(angleY * DEGREES_TO_RADIANS));
    const float sy = static_cast<float>(std::sin(angleY * DEGREES_TO_RADIANS));
    const float cz = static_cast<float>(std::cos(angleZ * DEGREES_TO_RADIANS));
    const float sz = static_cast<float>(std::sin(angleZ * DEGREES_TO_RADIANS));
    CMatrix4 r = Identity();
    r.m[0] = cy * cz;
    r.m[1] = cy * sz;
    r.m[2] = -sy;
    r.m[4] = sx * sy * cz - cx * sz;
    r.m[5] = sx * sy * sz + cx * cz;
    r.m[6] = sx * cy;
    r.m[8] = cx * sy * cz + sx * sz;
    r.m[9] = cx * sy * sz - sx * cz;
    r.m[10] = cx * cy;
    return r;
}

CMatrix4 CMatrix4::Frustum(float left, float right, float bottom, float top, float zNear,
                           float zFar)
{
    // A projection has no 1 in element 15 (w' = -z), so this one starts from zeros.
    CMatrix4 r;
    if (left == right || bottom == top || zNear == zFar)
    {
        return r;
    }
    r.m[0] = 2.0f * zNear / (right - left);
    r.m[5] = 2.0f * zNear / (top - bottom);
    r.m[8] = (right + left) / (right - left);
    r.m[9] = (top + bottom) / (top - bottom);
    r.m[11] = -1.0f;
    if (zFar != FAR_AT_INFINITY)
    {
        r.m[10] = -(zFar + zNear) / (zFar - zNear);
        r.m[14] = -2.0f * zFar * zNear / (zFar - zNear);
    }
    else
    {
        r.m[10] = -INFINITE_FAR_FACTOR;
        r.m[14] = -2.0f * zNear * INFINITE_FAR_FACTOR;
    }
    return r;
}

CMatrix4 CMatrix4::Perspective(float fovY, float aspect, float zNear, float zFar)
{
    const float h = static_cast<float>(std::tan(fovY * 0.5 * PI / 180.0)) * zNear;
    return Frustum(-aspect * h, aspect * h, -h, h, zNear, zFar);
}

CMatrix4 CMatrix4::Ortho(float left, float right, float bottom, float top, float zNear, float zFar)
{
    CMatrix4 r = Identity();
    r.m[0] = 2.0f / (right - left);
    r.m[5] = 2.0f / (top - bottom);
    r.m[10] = -2.0f / (zFar - zNear);
    r.m[12] = -(right + left) / (right - left);
    r.m[13] = -(top + bottom) / (top - bottom);
    r.m[14] = -(zFar + zNear) / (zFar - zNear);
    return r;
}
