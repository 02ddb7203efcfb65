// Tangent frames of textured triangles.
#include "textures/CUtils.h"

#include <gtest/gtest.h>

TEST(CUtilsTangentSpace, UnitTriangleGivesAxisAlignedFrame)
{
    const float p0[3] = {0, 0, 0}, p1[3] = {1, 0, 0}, p2[3] = {0, 1, 0};
    const float t0[2] = {0, 0}, t1[2] = {1, 0}, t2[2] = {0, 1};
    float tangent[3] = {9, 9, 9}, binormal[3] = {9, 9, 9};
    CUtils::ComputeTangentSpace(p0, p1, p2, t0, t1, t2, tangent, binormal);
    EXPECT_FLOAT_EQ(1, tangent[0]);
    EXPECT_FLOAT_EQ(0, tangent[1]);
    EXPECT_FLOAT_EQ(0, tangent[2]);
    EXPECT_FLOAT_EQ(0, binormal[0]);
    EXPECT_FLOAT_EQ(-1, binormal[1]);
    EXPECT_FLOAT_EQ(0, binormal[2]);
}

TEST(CUtilsTangentSpace, ScaledTriangleIsNormalisedAndDegenerateLeavesOutputs)
{
    const float p0[3] = {0, 0, 0}, p1[3] = {4, 0, 0}, p2[3] = {0, 0, 3};
    const float t0[2] = {0, 0}, t1[2] = {2, 0}, t2[2] = {0, 2};
    float tangent[3], binormal[3];
    CUtils::ComputeTangentSpace(p0, p1, p2, t0, t1, t2, tangent, binormal);
    EXPECT_FLOAT_EQ(1, tangent[0] * tangent[0] + tangent[1] * tangent[1] + tangent[2] * tangent[2]);
    EXPECT_FLOAT_EQ(-1, binormal[2]);

    const float same[2] = {0.5f, 0.5f};
    float untouchedT[3] = {7, 8, 9}, untouchedB[3] = {1, 2, 3};
    CUtils::ComputeTangentSpace(p0, p1, p2, same, same, same, untouchedT, untouchedB);
    EXPECT_EQ(7, untouchedT[0]);
    EXPECT_EQ(9, untouchedT[2]);
    EXPECT_EQ(1, untouchedB[0]);
    EXPECT_EQ(3, untouchedB[2]);
}
