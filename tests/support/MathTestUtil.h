// Shared helpers for the math tests: seeded random matrices and element-wise comparisons.
#ifndef KYREL_MATHTESTUTIL_H
#define KYREL_MATHTESTUTIL_H

#include "math/CMatrix4.h"

#include <gtest/gtest.h>
#include <random>

namespace math_test
{
inline CMatrix4 RandomMatrix(std::mt19937& rng, bool affine)
{
    std::uniform_real_distribution<float> value(-3.0f, 3.0f);
    CMatrix4 r;
    for (float& element : r.m)
    {
        element = value(rng);
    }
    if (affine)
    {
        r[3] = r[7] = r[11] = 0.0f;
        r[15] = 1.0f;
    }
    return r;
}

inline void ExpectMatrixNear(const CMatrix4& expected, const CMatrix4& actual, float tolerance)
{
    for (int i = 0; i < 16; ++i)
    {
        EXPECT_NEAR(expected[i], actual[i], tolerance) << "element " << i;
    }
}

inline void ExpectVectorNear(const CVector3& expected, const CVector3& actual, float tolerance)
{
    EXPECT_NEAR(expected.x, actual.x, tolerance);
    EXPECT_NEAR(expected.y, actual.y, tolerance);
    EXPECT_NEAR(expected.z, actual.z, tolerance);
}
// The point p taken through m (w = 1).
inline CVector3 Transformed(const CMatrix4& m, CVector3 p)
{
    m.TransformPoint(p);
    return p;
}
}  // namespace math_test

#endif
