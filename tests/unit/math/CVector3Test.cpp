// Vector normalisation, rotations and the colour-range mapping.
#include "math/CVector3.h"
#include "support/MathTestUtil.h"

#include <gtest/gtest.h>

using math_test::ExpectVectorNear;

TEST(CVector3, NormalizeForms)
{
    CVector3 zero;
    zero.Normalize();
    EXPECT_EQ(CVector3(), zero);
    EXPECT_EQ(CVector3(), CVector3().Normalized());

    CVector3 v(0.0f, 3.0f, -4.0f);
    v.Normalize();
    EXPECT_EQ(CVector3(0.0f, 0.6f, -0.8f), v);
    EXPECT_FLOAT_EQ(1.0f, CVector3(1, 2, 3).Normalized().Length());

    CVector3 twice(2.0f, 0.0f, 0.0f);
    twice.NormalizeUnlessUnit();
    EXPECT_EQ(CVector3(1.0f, 0.0f, 0.0f), twice);
    CVector3 nothing;
    nothing.NormalizeUnlessUnit();
    EXPECT_EQ(CVector3(), nothing);
}

TEST(CVector3, CrossAndDot)
{
    EXPECT_EQ(CVector3(0, 0, 1), Cross(CVector3(1, 0, 0), CVector3(0, 1, 0)));
    EXPECT_EQ(CVector3(-3, 6, -3), Cross(CVector3(1, 2, 3), CVector3(4, 5, 6)));
    EXPECT_EQ(32.0f, Dot(CVector3(1, 2, 3), CVector3(4, 5, 6)));
}

TEST(CVector3, QuarterTurnsAboutEachAxis)
{
    struct Case
    {
        char axis;
        CVector3 input;
        CVector3 expected;
    };
    const Case cases[] = {
        {'x', CVector3(0, 1, 0), CVector3(0, 0, 1)},  {'x', CVector3(0, 0, 1), CVector3(0, -1, 0)},
        {'y', CVector3(1, 0, 0), CVector3(0, 0, -1)}, {'y', CVector3(0, 0, 1), CVector3(1, 0, 0)},
        {'z', CVector3(1, 0, 0), CVector3(0, 1, 0)},  {'z', CVector3(0, 1, 0), CVector3(-1, 0, 0)},
    };
    for (const Case& c : cases)
    {
        const CVector3 unitAxis(c.axis == 'x', c.axis == 'y', c.axis == 'z');
        CVector3 rotated;
        CVector3 inPlace = c.input;
        switch (c.axis)
        {
        case 'x':
            rotated = c.input.RotateX(90.0f);
            inPlace.RotateXInPlace(90.0f);
            break;
        case 'y':
            rotated = c.input.RotateY(90.0f);
            inPlace.RotateYInPlace(90.0f);
            break;
        default:
            rotated = c.input.RotateZ(90.0f);
            inPlace.RotateZInPlace(90.0f);
            break;
        }
        SCOPED_TRACE(c.axis);
        ExpectVectorNear(c.expected, rotated, 1e-6f);
        EXPECT_EQ(rotated, inPlace);
        // An unnormalised axis gives the same turn.
        ExpectVectorNear(c.expected, c.input.RotateAxis(90.0f, unitAxis * 7.0f), 1e-6f);
    }
}

TEST(CVector3, ZeroAngleLeavesVectorBitForBit)
{
    const CVector3 v(0.1f, -2.7f, 1e-20f);
    EXPECT_EQ(v, v.RotateX(0.0f));
    EXPECT_EQ(v, v.RotateY(0.0f));
    EXPECT_EQ(v, v.RotateZ(0.0f));
    // Even with an axis that could not be normalised.
    EXPECT_EQ(v, v.RotateAxis(0.0f, CVector3()));
}

TEST(CVector3, RotateAxisAgreesWithAxisRotations)
{
    const CVector3 v(1.5f, -2.0f, 0.25f);
    CVector3 inPlace = v;
    inPlace.RotateAxisInPlace(-37.0f, CVector3(0, 2, 0));
    ExpectVectorNear(v.RotateY(-37.0f), inPlace, 1e-5f);
    // Rotation keeps the length about any axis.
    EXPECT_NEAR(v.Length(), v.RotateAxis(73.0f, CVector3(1, 1, -2)).Length(), 1e-5f);
}

TEST(CVector3, ToColorRangeMapsUnitRangeIntoZeroToOne)
{
    EXPECT_EQ(CVector3(0.5f, 0.5f, 0.0f), CVector3(0, 0, -5).ToColorRange());
    EXPECT_EQ(CVector3(1.0f, 0.5f, 0.5f), CVector3(3, 0, 0).ToColorRange());
    EXPECT_EQ(CVector3(0.5f, 0.5f, 0.5f), CVector3().ToColorRange());
}
