// The pick ray's steps every entity shares: the triangle test in the entity's placement and the
// nearest-hit bookkeeping that lets one ray pass through several objects.
#include "models/EntityDrawing.h"

#include "models/CEntity.h"

#include <gtest/gtest.h>
#include <limits>

namespace
{
// An entity placed by hand: the base's setters store without a model box to refresh.
class CPlacedEntity : public CEntity
{
public:
    CPlacedEntity(const CVector3& where, float uniformScale, float degrees)
    {
        position = where;
        scale = CVector3(uniformScale, uniformScale, uniformScale);
        angle = degrees;
    }
};

CRay DownwardRay(float x, float y, float z)
{
    CRay ray;
    ray.origin = CVector3(x, y, z);
    ray.direction = CVector3(0.0f, 0.0f, -1.0f);
    return ray;
}
}  // namespace

// The model-space triangle (0,0,0) (1,0,0) (0,1,0) lies in z = 0.
TEST(EntityDrawing, RayMeetsThePlacedTriangleOnlyInsideAndInFront)
{
    struct Case
    {
        const char* what;
        CVector3 position;
        float scale;
        float angle;
        CRay ray;
        bool hit;
        CVector3 point;
    };
    CRay parallel = DownwardRay(0.25f, 0.25f, 5.0f);
    parallel.direction = CVector3(1.0f, 0.0f, 0.0f);
    const Case cases[] = {
        {"inside", CVector3(), 1.0f, 0.0f, DownwardRay(0.25f, 0.25f, 5.0f), true,
         CVector3(0.25f, 0.25f, 0.0f)},
        {"past the long edge", CVector3(), 1.0f, 0.0f, DownwardRay(0.75f, 0.75f, 5.0f), false,
         CVector3()},
        {"left of the triangle", CVector3(), 1.0f, 0.0f, DownwardRay(-0.1f, 0.5f, 5.0f), false,
         CVector3()},
        {"triangle behind the origin", CVector3(), 1.0f, 0.0f, DownwardRay(0.25f, 0.25f, -5.0f),
         false, CVector3()},
        {"parallel to the plane", CVector3(), 1.0f, 0.0f, parallel, false, CVector3()},
        {"moved away from the ray", CVector3(10.0f, 0.0f, 0.0f), 1.0f, 0.0f,
         DownwardRay(0.25f, 0.25f, 5.0f), false, CVector3()},
        {"moved under the ray", CVector3(10.0f, 0.0f, 2.0f), 1.0f, 0.0f,
         DownwardRay(10.25f, 0.25f, 5.0f), true, CVector3(10.25f, 0.25f, 2.0f)},
        {"scaled under the ray", CVector3(), 2.0f, 0.0f, DownwardRay(1.5f, 0.25f, 5.0f), true,
         CVector3(1.5f, 0.25f, 0.0f)},
        {"turned half about Y", CVector3(), 1.0f, 180.0f, DownwardRay(-0.25f, 0.25f, 5.0f), true,
         CVector3(-0.25f, 0.25f, 0.0f)},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.what);
        CPlacedEntity entity(c.position, c.scale, c.angle);
        CVector3 point(-7.0f, -7.0f, -7.0f);
        const bool hit = EntityDrawing::RayHitsPlacedTriangle(
            entity, c.ray, CVector3(0.0f, 0.0f, 0.0f), CVector3(1.0f, 0.0f, 0.0f),
            CVector3(0.0f, 1.0f, 0.0f), point);
        ASSERT_EQ(c.hit, hit);
        if (hit)
        {
            EXPECT_NEAR(c.point.x, point.x, 1e-5f);
            EXPECT_NEAR(c.point.y, point.y, 1e-5f);
            EXPECT_NEAR(c.point.z, point.z, 1e-5f);
        }
    }
}

TEST(EntityDrawing, OnlyAStrictlyNearerHitIsTaken)
{
    CRay ray = DownwardRay(0.0f, 0.0f, 0.0f);
    ray.hitColor = CVector3(0.5f, 0.5f, 0.5f);

    EXPECT_TRUE(EntityDrawing::TakeNearerHit(ray, CVector3(0.0f, 0.0f, -5.0f)));
    EXPECT_TRUE(ray.hit);
    EXPECT_FLOAT_EQ(5.0f, ray.nearestDistance);

    struct Case
    {
        const char* what;
        CVector3 point;
    };
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const Case ignored[] = {
        {"farther", CVector3(0.0f, 0.0f, -7.0f)},
        {"as near", CVector3(3.0f, 4.0f, 0.0f)},
        {"not a number", CVector3(nan, 0.0f, 0.0f)},
    };
    for (const Case& c : ignored)
    {
        SCOPED_TRACE(c.what);
        EXPECT_FALSE(EntityDrawing::TakeNearerHit(ray, c.point));
        EXPECT_FLOAT_EQ(5.0f, ray.nearestDistance);
    }

    EXPECT_TRUE(EntityDrawing::TakeNearerHit(ray, CVector3(1.0f, 0.0f, 0.0f)));
    EXPECT_FLOAT_EQ(1.0f, ray.nearestDistance);
    // The colour is the caller's to give.
    EXPECT_EQ(CVector3(0.5f, 0.5f, 0.5f), ray.hitColor);
}
