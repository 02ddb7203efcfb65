// Matrix arithmetic, inversion and builders against independent formulas and known values.
#include "math/CMatrix4.h"
#include "support/MathTestUtil.h"

#include <gtest/gtest.h>
#include <cmath>
#include <random>

using math_test::ExpectMatrixNear;
using math_test::ExpectVectorNear;
using math_test::RandomMatrix;

namespace
{
const double PI = 3.141592653589793;

// glRotatef's matrix as its reference page writes it (row by row), in double precision.
CMatrix4 GlRotateReference(double degrees, double ax, double ay, double az)
{
    const double length = std::sqrt(ax * ax + ay * ay + az * az);
    const double x = ax / length, y = ay / length, z = az / length;
    const double c = std::cos(degrees * PI / 180.0), s = std::sin(degrees * PI / 180.0);
    const double t = 1.0 - c;
    return CMatrix4::FromRows(float(x * x * t + c), float(x * y * t - z * s),
                              float(x * z * t + y * s), 0.0f, float(y * x * t + z * s),
                              float(y * y * t + c), float(y * z * t - x * s), 0.0f,
                              float(x * z * t - y * s), float(y * z * t + x * s),
                              float(z * z * t + c), 0.0f, 0.0f, 0.0f, 0.0f, 1.0f);
}

CMatrix4 Counting()
{
    CMatrix4 r;
    for (int i = 0; i < 16; ++i)
    {
        r[i] = float(i + 1);
    }
    return r;
}
}  // namespace

TEST(CMatrix4, ConstructionOrderAndRowColumnAccess)
{
    const CMatrix4 columns(1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16);
    EXPECT_EQ(Counting(), columns);
    const CMatrix4 rows = CMatrix4::FromRows(1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16);
    EXPECT_EQ(columns.Transpose(), rows);
    EXPECT_EQ(rows, CMatrix4::FromRows(columns.Data()));
    EXPECT_EQ(CVector4(1, 5, 9, 13), columns.GetRow(0));
    EXPECT_EQ(CVector4(4, 8, 12, 16), columns.GetRow(3));
    EXPECT_EQ(CVector4(13, 14, 15, 16), columns.GetColumn(3));
    for (int bad : {-1, 4, 100})
    {
        EXPECT_EQ(CVector4(), columns.GetRow(bad)) << bad;
        EXPECT_EQ(CVector4(), columns.GetColumn(bad)) << bad;
    }
}

TEST(CMatrix4, ElementAccessOutsideRangeIsHarmless)
{
    CMatrix4 a = Counting();
    const CMatrix4 before = a;
    for (int bad : {-1, 16, 1000, -1000})
    {
        EXPECT_EQ(0.0f, a.Get(bad)) << bad;
        a.Set(bad, 99.0f);
        EXPECT_EQ(before, a) << bad;
    }
    EXPECT_EQ(16.0f, a.Get(15));
    a.Set(0, -7.0f);
    EXPECT_EQ(-7.0f, a[0]);
}

TEST(CMatrix4, FloatArithmetic)
{
    const CMatrix4 a = Counting();
    EXPECT_EQ(a, a / 0.0f);
    EXPECT_EQ(a, a / 1.0f);
    CMatrix4 halved = a;
    halved /= 2.0f;
    EXPECT_EQ(a * 0.5f, halved);
    EXPECT_EQ(a * 3.0f, 3.0f * a);
    EXPECT_EQ(a + a, a * 2.0f);
    EXPECT_EQ(CMatrix4::Zero(), a - a);
    EXPECT_EQ(CMatrix4::Zero() - a, -a);
    CMatrix4 b = a;
    b += a;
    b -= a * 3.0f;
    EXPECT_EQ(-a, b);
    EXPECT_TRUE(a != b);
}

TEST(CMatrix4, AffineAwareProductEqualsFullProduct)
{
    std::mt19937 rng(1234);
    const bool kinds[4][2] = {{true, true}, {true, false}, {false, true}, {false, false}};
    for (const auto& kind : kinds)
    {
        for (int trial = 0; trial < 200; ++trial)
        {
            const CMatrix4 a = RandomMatrix(rng, kind[0]);
            const CMatrix4 b = RandomMatrix(rng, kind[1]);
            const CMatrix4 full = a.MultiplyFull(b);
            ASSERT_EQ(full, a * b) << "affine " << kind[0] << kind[1] << " trial " << trial;
            CMatrix4 inPlace = a;
            inPlace *= b;
            ASSERT_EQ(full, inPlace);
        }
    }
}

TEST(CMatrix4, ProductAppliesRightOperandFirst)
{
    const CMatrix4 moveThenTurn =
        CMatrix4::RotationZ(90.0f) * CMatrix4::Translation(CVector3(1.0f, 0.0f, 0.0f));
    CVector3 p(0.0f, 0.0f, 0.0f);
    moveThenTurn.TransformPoint(p);
    ExpectVectorNear(CVector3(0.0f, 1.0f, 0.0f), p, 1e-6f);
}

TEST(CMatrix4, SingularInverseIsIdentity)
{
    const CMatrix4 equalColumns(1, 2, 3, 4, 1, 2, 3, 4, 0, 1, 0, 0, 0, 0, 1, 1);
    for (const CMatrix4& singular : {CMatrix4::Zero(), equalColumns, CMatrix4::Scale(0.0f)})
    {
        EXPECT_EQ(CMatrix4::Identity(), singular.Inverse());
    }
}

TEST(CMatrix4, InverseOfShearUsesTheTrueDeterminant)
{
    // Determinant 1; an expansion that mixes a row with a column of cofactors would give -3.
    CMatrix4 shear = CMatrix4::Identity();
    shear[1] = 2.0f;
    CMatrix4 expected = CMatrix4::Identity();
    expected[1] = -2.0f;
    EXPECT_EQ(expected, shear.Inverse());
    EXPECT_EQ(CMatrix4::Scale(0.5f), CMatrix4::Scale(2.0f).Inverse());
}

TEST(CMatrix4, RandomMatrixTimesInverseIsIdentity)
{
    std::mt19937 rng(99);
    for (int trial = 0; trial < 300; ++trial)
    {
        CMatrix4 a = RandomMatrix(rng, trial % 2 == 0);
        // Keep the condition number moderate so float rounding stays small.
        for (int d : {0, 5, 10, 15})
        {
            a[d] += a[d] < 0.0f ? -6.0f : 6.0f;
        }
        ExpectMatrixNear(CMatrix4::Identity(), a.MultiplyFull(a.Inverse()), 1e-4f);
        ExpectMatrixNear(a.Inverse().Transpose(), a.InverseTranspose(), 0.0f);
    }
}

TEST(CMatrix4, RigidInverseMatchesInverse)
{
    std::mt19937 rng(7);
    std::uniform_real_distribution<float> angle(-180.0f, 180.0f);
    std::uniform_real_distribution<float> offset(-50.0f, 50.0f);
    for (int trial = 0; trial < 100; ++trial)
    {
        const CVector3 axis(offset(rng), offset(rng), offset(rng) + 100.0f);
        const CMatrix4 rigid =
            CMatrix4::Translation(CVector3(offset(rng), offset(rng), offset(rng))) *
            CMatrix4::Rotation(angle(rng), axis);
        const CMatrix4 inverse = rigid.RigidInverse();
        ExpectMatrixNear(rigid.Inverse(), inverse, 1e-4f);
        EXPECT_TRUE(inverse.IsAffine());
        EXPECT_EQ(inverse.Transpose(), rigid.RigidInverseTranspose());
        CVector3 p(1.0f, 2.0f, 3.0f);
        rigid.TransformPoint(p);
        inverse.TransformPoint(p);
        ExpectVectorNear(CVector3(1.0f, 2.0f, 3.0f), p, 1e-4f);
    }
}

TEST(CMatrix4, RotationBuildersEqualGlRotate)
{
    const float angles[] = {-270.0f, -45.0f, 0.0f, 10.0f, 90.0f, 123.0f, 360.0f};
    for (float a : angles)
    {
        ExpectMatrixNear(GlRotateReference(a, 1, 0, 0), CMatrix4::RotationX(a), 1e-6f);
        ExpectMatrixNear(GlRotateReference(a, 0, 1, 0), CMatrix4::RotationY(a), 1e-6f);
        ExpectMatrixNear(GlRotateReference(a, 0, 0, 1), CMatrix4::RotationZ(a), 1e-6f);
        ExpectMatrixNear(GlRotateReference(a, 1, -2, 3), CMatrix4::Rotation(a, CVector3(1, -2, 3)),
                         1e-6f);
        ExpectMatrixNear(GlRotateReference(a, 0, 0, 4), CMatrix4::Rotation(a, CVector3(0, 0, 4)),
                         1e-6f);
    }
}

TEST(CMatrix4, RotationYQuarterTurnSendsXToMinusZ)
{
    CVector3 p(1.0f, 0.0f, 0.0f);
    CMatrix4::RotationY(90.0f).TransformPoint(p);
    ExpectVectorNear(CVector3(0.0f, 0.0f, -1.0f), p, 1e-6f);
}

TEST(CMatrix4, EulerRotationIsZThenYThenXComposition)
{
    const float triples[][3] = {{30, 0, 0}, {0, 40, 0}, {0, 0, 50}, {10, -70, 135}};
    for (const auto& t : triples)
    {
        const CMatrix4 composed =
            CMatrix4::RotationZ(t[2]) * CMatrix4::RotationY(t[1]) * CMatrix4::RotationX(t[0]);
        ExpectMatrixNear(composed, CMatrix4::RotationEuler(t[0], t[1], t[2]), 1e-6f);
    }
}

TEST(CMatrix4, TranslationAndScaleBuilders)
{
    const CMatrix4 t = CMatrix4::Translation(CVector3(1, 2, 3));
    EXPECT_EQ(CVector4(1, 2, 3, 1), t.GetColumn(3));
    EXPECT_EQ(CMatrix4::Translation(CVector3(5, 0, 0)), CMatrix4::TranslationX(5));
    EXPECT_EQ(CMatrix4::Translation(CVector3(0, 5, 0)), CMatrix4::TranslationY(5));
    EXPECT_EQ(CMatrix4::Translation(CVector3(0, 0, 5)), CMatrix4::TranslationZ(5));
    EXPECT_EQ(CMatrix4::Scale(CVector3(2, 2, 2)), CMatrix4::Scale(2));
    EXPECT_EQ(CVector4(0, 3, 0, 0), CMatrix4::Scale(CVector3(2, 3, 4)).GetColumn(1));

    CMatrix4 a = Counting();
    a.SetTranslation(CVector3(-1, -2, -3));
    CMatrix4 expected = Counting();
    expected[12] = -1;
    expected[13] = -2;
    expected[14] = -3;
    EXPECT_EQ(expected, a);
}

TEST(CMatrix4, FrustumPerspectiveAndOrtho)
{
    const CMatrix4 f = CMatrix4::Frustum(-1, 3, -2, 2, 1, 101);
    EXPECT_EQ(CMatrix4::FromRows(0.5f, 0, 0.5f, 0, 0, 0.5f, 0, 0, 0, 0, -102.0f / 100.0f,
                                 -202.0f / 100.0f, 0, 0, -1, 0),
              f);

    const CMatrix4 infinite = CMatrix4::Frustum(-1, 1, -1, 1, 2, -1);
    EXPECT_FLOAT_EQ(-0.999f, infinite[10]);
    EXPECT_FLOAT_EQ(-2.0f * 2.0f * 0.999f, infinite[14]);
    EXPECT_EQ(-1.0f, infinite[11]);

    EXPECT_EQ(CMatrix4::Zero(), CMatrix4::Frustum(1, 1, -1, 1, 1, 10));
    EXPECT_EQ(CMatrix4::Zero(), CMatrix4::Frustum(-1, 1, 2, 2, 1, 10));
    EXPECT_EQ(CMatrix4::Zero(), CMatrix4::Frustum(-1, 1, -1, 1, 5, 5));

    const float h = float(std::tan(22.5 * PI / 180.0));
    ExpectMatrixNear(CMatrix4::Frustum(-2 * h, 2 * h, -h, h, 1, 500),
                     CMatrix4::Perspective(45, 2, 1, 500), 1e-6f);

    EXPECT_EQ(CMatrix4::FromRows(0.5f, 0, 0, -0.5f, 0, 1, 0, -2, 0, 0, -0.2f, -2, 0, 0, 0, 1),
              CMatrix4::Ortho(-1, 3, 1, 3, 5, 15));
}

TEST(CMatrix4, PointAndDirectionTransforms)
{
    const CMatrix4 m = CMatrix4::Translation(CVector3(10, 20, 30)) * CMatrix4::RotationZ(90);

    // An affine matrix passes w through: w = 0 transforms a direction.
    const CVector4 direction = m.TransformPoint(CVector4(1, 0, 0, 0));
    ExpectVectorNear(CVector3(0, 1, 0), direction.XYZ(), 1e-6f);
    EXPECT_EQ(0.0f, direction.w);
    const CVector4 scaledPoint = m.TransformPoint(CVector4(1, 0, 0, 2));
    ExpectVectorNear(CVector3(20, 41, 60), scaledPoint.XYZ(), 1e-5f);
    EXPECT_EQ(2.0f, scaledPoint.w);

    const CVector4 projected =
        CMatrix4::Frustum(-1, 1, -1, 1, 1, 10).TransformPoint(CVector4(0, 0, -5, 1));
    EXPECT_EQ(5.0f, projected.w);

    CVector3 v(1, 0, 0);
    m.TransformDirection(v);
    ExpectVectorNear(CVector3(0, 1, 0), v, 1e-6f);
    m.TransformDirectionTransposed(v);
    ExpectVectorNear(CVector3(1, 0, 0), v, 1e-6f);

    CVector3 p(1, 2, 3);
    m.Translate(p);
    EXPECT_EQ(CVector3(11, 22, 33), p);
    m.Untranslate(p);
    EXPECT_EQ(CVector3(1, 2, 3), p);
}
