// Plane extraction and the boundary rules of the frustum's visibility tests.
#include "scene/CFrustum.h"

#include <gtest/gtest.h>

namespace
{
const float IDENTITY[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};

CFrustum IdentityFrustum()
{
    CFrustum frustum;
    frustum.UpdateFromMatrices(IDENTITY, IDENTITY);
    return frustum;
}
}  // namespace

TEST(CFrustum, IdentityMatricesGiveTheUnitCubeWithInwardNormals)
{
    CFrustum frustum = IdentityFrustum();
    // (a, b, c, d) for right, left, bottom, top, far, near.
    const float expected[6][4] = {{-1, 0, 0, 1}, {1, 0, 0, 1},  {0, 1, 0, 1},
                                  {0, -1, 0, 1}, {0, 0, -1, 1}, {0, 0, 1, 1}};
    for (int p = 0; p < 6; ++p)
    {
        for (int c = 0; c < 4; ++c)
        {
            EXPECT_FLOAT_EQ(expected[p][c], frustum.GetPlane(p)[c]) << "plane " << p << " " << c;
        }
    }
}

TEST(CFrustum, PointsOnAPlaneAreOutsideButBoxCornersOnAPlaneAreInside)
{
    CFrustum frustum = IdentityFrustum();
    EXPECT_TRUE(frustum.PointInFrustum(0, 0, 0));
    EXPECT_TRUE(frustum.PointInFrustum(0.999f, 0, 0));
    EXPECT_FALSE(frustum.PointInFrustum(1, 0, 0));
    EXPECT_FALSE(frustum.PointInFrustum(0, -1, 0));

    // A box touching the right plane only with its face: its corners count as inside.
    EXPECT_NE(0, frustum.BoxInFrustum(1, -0.5f, -0.5f, 2, 0.5f, 0.5f));
    EXPECT_EQ(0, frustum.BoxInFrustum(1.001f, -0.5f, -0.5f, 2, 0.5f, 0.5f));
}

TEST(CFrustum, BoxesStraddlingBehindAndInverted)
{
    CFrustum frustum = IdentityFrustum();
    EXPECT_NE(0, frustum.BoxInFrustum(0.5f, 0.5f, 0.5f, 3, 3, 3));  // straddles three planes
    EXPECT_NE(0, frustum.BoxInFrustum(-5, -5, -5, 5, 5, 5));        // encloses the frustum
    // Inside the side planes but wholly past the near plane (z < -1 here).
    EXPECT_EQ(0, frustum.BoxInFrustum(-0.5f, -0.5f, -3, 0.5f, 0.5f, -2));
    // Minimum above maximum (a model without vertices) builds the same eight corners.
    EXPECT_NE(0, frustum.BoxInFrustum(0.5f, 0.5f, 0.5f, -0.5f, -0.5f, -0.5f));
    EXPECT_EQ(0, frustum.BoxInFrustum(3, 3, 3, 2, 2, 2));
}

TEST(CFrustum, SphereAndCubeTests)
{
    CFrustum frustum = IdentityFrustum();
    EXPECT_TRUE(frustum.SphereInFrustum(1.5f, 0, 0, 0.6f));
    EXPECT_FALSE(frustum.SphereInFrustum(1.5f, 0, 0, 0.5f));  // distance exactly -radius
    EXPECT_TRUE(frustum.CubeInFrustum(1.4f, 0, 0, 0.5f));
    EXPECT_FALSE(frustum.CubeInFrustum(1.5f, 0, 0, 0.5f));  // nearest corners exactly on the plane
    EXPECT_FALSE(frustum.CubeInFrustum(0, 0, 5, 1));
}
